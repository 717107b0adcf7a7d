#include "tests/platform/odbc/backends.h"

#include <cstdlib>
#include <unistd.h>

#include "platform/odbc/account_years.h"
#include "platform/odbc/odbc_platform.h"
#include "platform/sqlite/login.h"
#include "platform/sqlite/session.h"
#include "platform/sqlite/sqlite_platform.h"

#ifndef VANTYR_SQLITE_ODBC_DRIVER
#define VANTYR_SQLITE_ODBC_DRIVER "SQLite3"
#endif

namespace vantyr::testing {
namespace {

class Embedded : public Backend {
public:
    Embedded() {
        platform::sqlite::Session(directory_).createDatabase(directory_.locate("001", "2005"));
    }
    platform::Platform& platform() override { return platform_; }
    std::shared_ptr<platform::LoginObject> login() override {
        return std::make_shared<platform::sqlite::SqliteLogin>(directory_, "001", "2005");
    }
    std::string key() override { return "0012005"; }
    bool loseConnection() override { return false; }

private:
    TempDirectory temp_;
    platform::sqlite::DataDirectory directory_{temp_.path()};
    SilentMessages messages_;
    platform::sqlite::SqlitePlatform platform_{directory_, messages_, messages_};
};

// A platform over one ODBC session, with the handle the harness can cut.
class OdbcBackend : public Backend {
public:
    platform::Platform& platform() override { return *platform_; }
    std::shared_ptr<platform::LoginObject> login() override {
        return std::make_shared<platform::odbc::OdbcLogin>(session_, account_, "2005");
    }
    std::string key() override { return account_ + "2005"; }
    bool loseConnection() override {
        // The connection goes away under the session, as when the server or
        // the network drops it: the server's open transaction goes with it.
        // The session still believes it is connected.
        SQLEndTran(SQL_HANDLE_DBC, session_->handle(), SQL_ROLLBACK);
        return SQL_SUCCEEDED(SQLDisconnect(session_->handle()));
    }

protected:
    void connect(const std::string& connectionString, std::string account) {
        account_ = std::move(account);
        session_ = std::make_shared<platform::odbc::Session>(connectionString);
        platform_ = std::make_unique<platform::odbc::OdbcPlatform>(session_, messages_, messages_);
    }
    void disconnect() {
        platform_.reset();
        session_.reset();
    }

    std::string account_;
    SilentMessages messages_;
    std::shared_ptr<platform::odbc::Session> session_;
    std::unique_ptr<platform::odbc::OdbcPlatform> platform_;
};

class SqliteOdbc : public OdbcBackend {
public:
    SqliteOdbc() { connect(sqliteOdbcConnectionString(temp_.path() / "QXDATA_001_2005.db"), "001"); }
    ~SqliteOdbc() override { disconnect(); }

private:
    TempDirectory temp_;
};

class Mssql : public OdbcBackend {
public:
    explicit Mssql(std::string connectionString) : connectionString_(std::move(connectionString)) {
        std::string account = "VT" + std::to_string(::getpid());
        name_ = platform::odbc::accountYearName(account, "2005");
        platform::odbc::Session admin(connectionString_);
        admin.execute("", "CREATE DATABASE [" + name_ + "]");
        connect(connectionString_, account);
    }
    bool batchesGoOnPastAFailure() const override { return true; }
    ~Mssql() override {
        disconnect();
        try {
            platform::odbc::Session admin(connectionString_);
            admin.execute("", "USE master; ALTER DATABASE [" + name_ + "] SET SINGLE_USER WITH ROLLBACK IMMEDIATE; DROP DATABASE [" + name_ + "]");
        } catch (const platform::Error&) {
            // A scratch database left behind is named QXDATA_VT<pid>_2005.
        }
    }

private:
    std::string connectionString_, name_;
};

}  // namespace

std::string sqliteOdbcConnectionString(const std::filesystem::path& file) {
    return std::string("Driver=") + VANTYR_SQLITE_ODBC_DRIVER + ";Database=" + file.string() + ";FKSupport=1;Timeout=2000";
}

std::string mssqlConnectionString() {
    const char* text = std::getenv("VANTYR_TEST_MSSQL");
    return text ? std::string(text) : std::string();
}

std::unique_ptr<Backend> EmbeddedBackend::make() { return std::make_unique<Embedded>(); }
std::unique_ptr<Backend> SqliteOdbcBackend::make() { return std::make_unique<SqliteOdbc>(); }
std::unique_ptr<Backend> MssqlBackend::make() {
    std::string cs = mssqlConnectionString();
    if (cs.empty()) return nullptr;
    return std::make_unique<Mssql>(cs);
}

}  // namespace vantyr::testing
