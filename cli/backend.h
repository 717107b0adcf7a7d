#pragma once
// Where a command finds its account-year databases: a data directory of the
// embedded engine (--data), or a server reached through ODBC with a
// connection string (--odbc, or --odbc-env naming an environment variable
// that holds one) or a configured data source name (--dsn). From that
// choice, the platform of a run and its login object. A connection string is
// never shown: every text here that could echo one is masked.
//
// A command on either: give its options struct the fields data, odbc,
// odbcEnv and dsn; call addBackendOptions on its subcommand; then
// checkBackendChoice(choiceOf(o)) (exit 3 on a problem), openBackend inside a
// try (exit 3 on platform::Error, whose description is already masked), and
// use backend->platform() and backend->login(account, year).
#include <memory>
#include <optional>
#include <string>

#include "platform/login.h"
#include "platform/messages.h"
#include "platform/platform.h"

namespace CLI {
class App;
}

namespace vantyr::cli {

struct BackendChoice {
    std::string data;     // data directory of the embedded engine
    std::string odbc;     // ODBC connection string
    std::string odbcEnv;  // name of an environment variable holding the connection string
    std::string dsn;      // ODBC data source name
};

// The choice of a command's options (any struct with data, odbc, odbcEnv and dsn).
template <class Options>
BackendChoice choiceOf(const Options& o) {
    return BackendChoice{o.data, o.odbc, o.odbcEnv, o.dsn};
}

// Adds --data, --odbc, --odbc-env and --dsn to a subcommand, bound to the
// fields of the same names (at most one may be given; checkBackendChoice
// says when none is).
void addBackendOptions(CLI::App& command, std::string& data, std::string& odbc, std::string& odbcEnv,
                       std::string& dsn, const std::string& dataHelp);
template <class Options>
void addBackendOptions(CLI::App& command, Options& o, const std::string& dataHelp) {
    addBackendOptions(command, o.data, o.odbc, o.odbcEnv, o.dsn, dataHelp);
}

// What is wrong with the choice (none given, or an empty environment
// variable), or nullopt.
std::optional<std::string> checkBackendChoice(const BackendChoice& choice);

// True when the choice names a server rather than a data directory.
bool onServer(const BackendChoice& choice);

// The ODBC connection string of a server choice.
std::string connectionStringOf(const BackendChoice& choice);

class Backend {
public:
    virtual ~Backend() = default;
    virtual platform::Platform& platform() = 0;
    virtual std::shared_ptr<platform::LoginObject> login(const std::string& account, const std::string& year) = 0;
};

// Opens the platform of a run: on a data directory (which must exist) or on
// one connection to the server. Raises platform::Error with a masked
// description when the server cannot be reached or the directory is missing.
std::unique_ptr<Backend> openBackend(const BackendChoice& choice, platform::MessageBox& box,
                                     platform::MessageService& service);

}  // namespace vantyr::cli
