#include "cli/backend.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <filesystem>

#include "platform/error.h"
#include "platform/odbc/account_years.h"
#include "platform/odbc/connection_string.h"
#include "platform/odbc/odbc_platform.h"
#include "platform/sqlite/login.h"
#include "platform/sqlite/sqlite_platform.h"

namespace vantyr::cli {
namespace {

class EmbeddedBackend : public Backend {
public:
    EmbeddedBackend(const std::string& data, platform::MessageBox& box, platform::MessageService& service)
        : directory_(std::filesystem::path(data)), platform_(directory_, box, service) {}
    platform::Platform& platform() override { return platform_; }
    std::shared_ptr<platform::LoginObject> login(const std::string& account, const std::string& year) override {
        return std::make_shared<platform::sqlite::SqliteLogin>(directory_, account, year);
    }

private:
    platform::sqlite::DataDirectory directory_;
    platform::sqlite::SqlitePlatform platform_;
};

class ServerBackend : public Backend {
public:
    ServerBackend(const std::string& connectionString, platform::MessageBox& box, platform::MessageService& service)
        : session_(std::make_shared<platform::odbc::Session>(connectionString)), platform_(session_, box, service) {}
    platform::Platform& platform() override { return platform_; }
    std::shared_ptr<platform::LoginObject> login(const std::string& account, const std::string& year) override {
        return std::make_shared<platform::odbc::OdbcLogin>(session_, account, year);
    }

private:
    std::shared_ptr<platform::odbc::Session> session_;
    platform::odbc::OdbcPlatform platform_;
};

}  // namespace

void addBackendOptions(CLI::App& command, std::string& dataDirectory, std::string& connectionString,
                       std::string& variable, std::string& dataSource, const std::string& dataHelp) {
    auto* data = command.add_option("--data", dataDirectory, dataHelp);
    auto* odbc = command.add_option("--odbc", connectionString,
                                    "a server instead: ODBC connection string (never shown; prefer --odbc-env or --dsn)");
    auto* env = command.add_option("--odbc-env", variable,
                                   "a server instead: name of the environment variable holding the connection string");
    auto* dsn = command.add_option("--dsn", dataSource, "a server instead: ODBC data source name (odbc.ini)");
    data->excludes(odbc, env, dsn);
    odbc->excludes(env, dsn);
    env->excludes(dsn);
}

std::optional<std::string> checkBackendChoice(const BackendChoice& c) {
    if (c.data.empty() && c.odbc.empty() && c.odbcEnv.empty() && c.dsn.empty())
        return std::string("say where the databases are: --data DIR, --odbc CONNECTION, --odbc-env VARIABLE or --dsn NAME");
    if (!c.odbcEnv.empty()) {
        const char* value = std::getenv(c.odbcEnv.c_str());
        if (!value || !*value) return "the environment variable " + c.odbcEnv + " holds no connection string";
    }
    return std::nullopt;
}

bool onServer(const BackendChoice& c) { return c.data.empty(); }

std::string connectionStringOf(const BackendChoice& c) {
    if (!c.odbc.empty()) return c.odbc;
    if (!c.odbcEnv.empty()) {
        const char* value = std::getenv(c.odbcEnv.c_str());
        return value ? std::string(value) : std::string();
    }
    return platform::odbc::dsnConnectionString(c.dsn);
}

std::unique_ptr<Backend> openBackend(const BackendChoice& choice, platform::MessageBox& box,
                                     platform::MessageService& service) {
    if (!onServer(choice)) {
        if (!std::filesystem::is_directory(choice.data))
            throw platform::Error(platform::kErrCannotOpen, "data directory '" + choice.data +
                                                                "' does not exist (create one with: vantyr demo --data " +
                                                                choice.data + ")");
        return std::make_unique<EmbeddedBackend>(choice.data, box, service);
    }
    try {
        return std::make_unique<ServerBackend>(connectionStringOf(choice), box, service);
    } catch (const platform::Error& e) {
        throw platform::Error(e.number(), platform::odbc::maskSecrets(e.description()));
    }
}

}  // namespace vantyr::cli
