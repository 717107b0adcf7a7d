#include "cli/validation.h"

#include "platform/sqlite/data_directory.h"

namespace vantyr::cli {

std::optional<std::string> checkAccount(const std::string& account) {
    if (platform::sqlite::validAccount(account)) return std::nullopt;
    return "invalid account number '" + account + "': use letters, digits or underscores only";
}

std::optional<std::string> checkYear(const std::string& year) {
    if (platform::sqlite::validYear(year) && std::stoi(year) >= 1 && std::stoi(year) <= 32767) return std::nullopt;
    return "invalid year '" + year + "': use the digits of a year from 1 to 32767";
}

}  // namespace vantyr::cli
