#pragma once
// Where a subcommand finds its account years: the data directory named by
// --data, checked before anything is opened, and the embedded engine's
// platform and login object over it. Every subcommand that reads or writes
// account years goes through here, so a check of --data is made once.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/login.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/sqlite/data_directory.h"
#include "platform/sqlite/sqlite_platform.h"

namespace vantyr::cli {

struct Console;

// An error text when --data cannot serve as a data directory (missing, a
// file, unreadable, a name the system refuses), or nothing. Never raises.
std::optional<std::string> checkDataDirectory(const std::string& data);

// Checks account, year and data directory; prints the first problem on the
// console's error stream. False means: exit with kExitUsage.
bool checkTarget(const std::string& data, const std::string& account, const std::string& year, Console& console);

// One account-year database as a file: whether it is there and can be written.
struct FileState {
    std::string name;       // QXDATA_<account>_<year>
    std::string location;   // the file
    bool found = false;
    bool writable = false;
};

class DataSource {
public:
    DataSource(const std::string& data, platform::MessageBox& box, platform::MessageService& service);

    platform::Platform& platform() { return platform_; }
    std::shared_ptr<platform::LoginObject> login(const std::string& account, const std::string& year) const;
    FileState probe(const std::string& account, const std::string& year) const;
    // The account-year key the login object answers for.
    static std::string key(const std::string& account, const std::string& year) { return account + year; }

private:
    platform::sqlite::DataDirectory directory_;
    platform::sqlite::SqlitePlatform platform_;
};

}  // namespace vantyr::cli
