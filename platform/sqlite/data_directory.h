#pragma once
// A data directory of the embedded engine: one file per account-year
// database, named by the database name ("QXDATA_" + account + "_" + year)
// with the extension ".db". An account-year key is the account followed
// directly by the year.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/sqlite/connection.h"

namespace vantyr::platform::sqlite {

struct AccountYear {
    std::string account;
    std::string year;
    std::string name;                  // QXDATA_<account>_<year>
    std::filesystem::path path;
    std::string key() const { return account + year; }
};

class DataDirectory {
public:
    explicit DataDirectory(std::filesystem::path dir, ConnectionOptions options = {})
        : dir_(std::move(dir)), options_(std::move(options)) {}

    const std::filesystem::path& path() const { return dir_; }
    // How the engine opens the files of this directory.
    const ConnectionOptions& options() const { return options_; }
    // The account years present, in name order.
    std::vector<AccountYear> list() const;
    // The account year whose key is `key`, when exactly one has it.
    std::optional<AccountYear> byKey(const std::string& key) const;
    std::optional<AccountYear> byName(const std::string& name) const;
    // Where the database of an account year lives (present or not).
    AccountYear locate(const std::string& account, const std::string& year) const;

private:
    std::filesystem::path dir_;
    ConnectionOptions options_;
};

// True for a non-empty run of letters, digits or underscores.
bool validAccount(const std::string& account);
// True for a non-empty run of digits.
bool validYear(const std::string& year);

}  // namespace vantyr::platform::sqlite
