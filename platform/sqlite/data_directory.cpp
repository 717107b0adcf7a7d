#include "platform/sqlite/data_directory.h"

#include <algorithm>
#include <cctype>

#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

constexpr const char* kPrefix = "QXDATA_";
constexpr const char* kExtension = ".db";

std::optional<AccountYear> parse(const std::filesystem::path& file) {
    std::string stem = file.stem().string();
    if (file.extension() != kExtension || stem.rfind(kPrefix, 0) != 0) return std::nullopt;
    std::string rest = stem.substr(std::string(kPrefix).size());
    auto cut = rest.rfind('_');
    if (cut == std::string::npos) return std::nullopt;
    AccountYear ay{rest.substr(0, cut), rest.substr(cut + 1), stem, file};
    if (!validAccount(ay.account) || !validYear(ay.year)) return std::nullopt;
    return ay;
}

}  // namespace

bool validAccount(const std::string& account) {
    return !account.empty() && std::all_of(account.begin(), account.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '_';
    });
}

bool validYear(const std::string& year) {
    return !year.empty() && year.size() <= 5 &&
           std::all_of(year.begin(), year.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::vector<AccountYear> DataDirectory::list() const {
    std::vector<AccountYear> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir_, ec)) {
        if (auto ay = parse(entry.path())) out.push_back(*ay);
    }
    std::sort(out.begin(), out.end(), [](const AccountYear& a, const AccountYear& b) { return a.name < b.name; });
    return out;
}

std::optional<AccountYear> DataDirectory::byKey(const std::string& key) const {
    std::optional<AccountYear> found;
    for (const auto& ay : list()) {
        if (ay.key() != key) continue;
        if (found) return std::nullopt;  // ambiguous: refuse rather than guess
        found = ay;
    }
    return found;
}

std::optional<AccountYear> DataDirectory::byName(const std::string& name) const {
    for (const auto& ay : list())
        if (sameName(ay.name, name)) return ay;
    return std::nullopt;
}

AccountYear DataDirectory::locate(const std::string& account, const std::string& year) const {
    std::string name = kPrefix + account + "_" + year;
    return {account, year, name, dir_ / (name + kExtension)};
}

}  // namespace vantyr::platform::sqlite
