#include "platform/odbc/account_years.h"

#include <algorithm>
#include <cctype>

#include "platform/odbc/session.h"

namespace vantyr::platform::odbc {
namespace {

constexpr std::string_view kPrefix = "QXDATA_";

bool digits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

bool accountText(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isalnum(c) || c == '_'; });
}

bool startsWithPrefix(std::string_view name) {
    if (name.size() < kPrefix.size()) return false;
    for (std::size_t i = 0; i < kPrefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != kPrefix[i]) return false;
    return true;
}

}  // namespace

std::string accountYearName(const std::string& account, const std::string& year) {
    return std::string(kPrefix) + account + "_" + year;
}

std::optional<std::string> databaseForKey(const std::vector<std::string>& names, const std::string& key) {
    std::optional<std::string> found;
    for (const auto& name : names) {
        if (!startsWithPrefix(name)) continue;
        std::string_view rest = std::string_view(name).substr(kPrefix.size());
        auto cut = rest.rfind('_');
        if (cut == std::string_view::npos) continue;
        std::string_view account = rest.substr(0, cut), year = rest.substr(cut + 1);
        if (!accountText(account) || !digits(year) || year.size() > 5) continue;
        if (std::string(account) + std::string(year) != key) continue;
        if (found) return std::nullopt;  // two databases make this key: refuse rather than guess
        found = name;
    }
    return found;
}

bool OdbcLogin::LoginQuery(int code, Value& key) {
    if (code != kQueryDatabaseExists) return false;
    return databaseForKey(session_->databases(), key.toText()).has_value();
}

}  // namespace vantyr::platform::odbc
