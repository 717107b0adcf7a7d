#pragma once
// Where a subcommand finds its account years: the data directory named by
// --data (checked before anything is opened) or a server named by --odbc,
// --odbc-env or --dsn, and the platform and login object over it. Every
// subcommand that reads or writes account years goes through here, so the
// check of the choice is made once.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cli/backend.h"
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
// The same for a choice of data directory or server.
bool checkTarget(const BackendChoice& where, const std::string& account, const std::string& year, Console& console);

// One account-year database as a file: whether it is there and can be written.
struct FileState {
    std::string name;       // QXDATA_<account>_<year>
    std::string location;   // the file
    bool found = false;
    bool writable = false;
};

class DataSource {
public:
    // Raises platform::Error (its description masked) when the server cannot be reached.
    DataSource(const BackendChoice& where, platform::MessageBox& box, platform::MessageService& service);

    platform::Platform& platform() { return backend_->platform(); }
    std::shared_ptr<platform::LoginObject> login(const std::string& account, const std::string& year) const;
    // On a server, found is the login's answer for the key and writability is
    // known only when the run writes.
    FileState probe(const std::string& account, const std::string& year) const;
    // The account-year key the login object answers for.
    static std::string key(const std::string& account, const std::string& year) { return account + year; }

private:
    BackendChoice where_;
    std::unique_ptr<Backend> backend_;
};

// Opens the data source, or says on the console's error stream why it cannot
// (nullptr: exit with kExitUsage).
std::unique_ptr<DataSource> openDataSource(const BackendChoice& where, platform::MessageBox& box,
                                           platform::MessageService& service, Console& console);

}  // namespace vantyr::cli
