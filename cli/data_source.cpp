#include "cli/data_source.h"

#include <ostream>
#include <system_error>
#include <unistd.h>

#include "cli/commands.h"
#include "cli/validation.h"
#include "platform/error.h"
#include "platform/sqlite/login.h"

namespace vantyr::cli {

namespace fs = std::filesystem;

std::optional<std::string> checkDataDirectory(const std::string& data) {
    if (data.empty()) return "--data names no directory";
    std::error_code ec;
    auto status = fs::status(fs::path(data), ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        return "data directory '" + data + "' cannot be used: " + ec.message();
    if (!fs::exists(status))
        return "data directory '" + data + "' does not exist (create one with: vantyr demo --data " + data + ")";
    if (!fs::is_directory(status)) return "--data '" + data + "' is a file, not a directory of account-year databases";
    if (::access(data.c_str(), R_OK | X_OK) != 0) return "data directory '" + data + "' cannot be read";
    return std::nullopt;
}

bool checkTarget(const std::string& data, const std::string& account, const std::string& year, Console& console) {
    for (auto problem : {checkAccount(account), checkYear(year), checkDataDirectory(data)}) {
        if (problem) {
            console.err << "vantyr: " << *problem << "\n";
            return false;
        }
    }
    return true;
}

bool checkTarget(const BackendChoice& where, const std::string& account, const std::string& year, Console& console) {
    if (!onServer(where)) return checkTarget(where.data, account, year, console);
    for (auto problem : {checkAccount(account), checkYear(year), checkBackendChoice(where)}) {
        if (problem) {
            console.err << "vantyr: " << *problem << "\n";
            return false;
        }
    }
    return true;
}

DataSource::DataSource(const BackendChoice& where, platform::MessageBox& box, platform::MessageService& service)
    : where_(where), backend_(openBackend(where, box, service)) {}

std::unique_ptr<DataSource> openDataSource(const BackendChoice& where, platform::MessageBox& box,
                                           platform::MessageService& service, Console& console) {
    try {
        return std::make_unique<DataSource>(where, box, service);
    } catch (const platform::Error& e) {
        console.err << "vantyr: cannot open the databases: " << e.description() << "\n";
        return nullptr;
    }
}

std::shared_ptr<platform::LoginObject> DataSource::login(const std::string& account, const std::string& year) const {
    return backend_->login(account, year);
}

FileState DataSource::probe(const std::string& account, const std::string& year) const {
    if (onServer(where_)) {
        FileState state{"QXDATA_" + account + "_" + year, "the server"};
        platform::Value k(key(account, year));
        try {
            state.found = backend_->login(account, year)->LoginQuery(10, k);
        } catch (const platform::Error&) {
            state.found = false;
        }
        state.writable = state.found;
        return state;
    }
    platform::sqlite::DataDirectory directory{fs::path(where_.data)};
    auto located = directory.locate(account, year);
    FileState state{located.name, located.path.string()};
    std::error_code ec;
    state.found = fs::is_regular_file(located.path, ec);
    // The engine writes the file and, beside it, its journal.
    state.writable = state.found && ::access(located.path.c_str(), W_OK) == 0 &&
                     ::access(directory.path().c_str(), W_OK) == 0;
    return state;
}

}  // namespace vantyr::cli
