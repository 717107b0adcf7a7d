#include "cli/validation.h"

#include "platform/sqlite/data_directory.h"

namespace vantyr::cli {

std::optional<std::string> checkAccount(const std::string& account) {
    if (platform::sqlite::validAccount(account)) return std::nullopt;
    return "invalid account number '" + account + "': use letters, digits or underscores only";
}

std::optional<std::string> checkYear(const std::string& year) {
    // The year names two files, this one's and the one before it, both by
    // the digits of the number: "02005" would look for QXDATA_001_02005 but
    // carry from QXDATA_001_2004. Only the plain decimal form is accepted.
    if (platform::sqlite::validYear(year) && year[0] != '0' && std::stoi(year) >= 2 && std::stoi(year) <= 32767)
        return std::nullopt;
    return "invalid year '" + year + "': use the digits of a year from 2 to 32767, without leading zeros";
}

}  // namespace vantyr::cli
