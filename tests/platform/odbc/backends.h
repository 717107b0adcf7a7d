#pragma once
// The backends the platform tests run on, each behind the same small
// interface: a platform, a login on account "001" (VT... on a server), the
// key of one empty account-year database to work in, and a way to lose the
// connection under a run. The cases in backend_cases.h are written once
// against this interface and instantiated for every backend:
//   - EmbeddedBackend: the embedded engine on a temporary data directory;
//   - SqliteOdbcBackend: SQLite's ODBC driver through the driver manager,
//     loaded by its path (VANTYR_SQLITE_ODBC_DRIVER) so no odbcinst.ini
//     entry is needed;
//   - MssqlBackend: a SQL Server reached with the connection string in
//     VANTYR_TEST_MSSQL; skipped when that is unset. It creates a scratch
//     database QXDATA_VT<pid>_2005 and drops it afterwards.
#include <memory>
#include <string>

#include "platform/login.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {

// Message box and service that answer OK and keep nothing.
class SilentMessages : public platform::MessageBox, public platform::MessageService {
public:
    int Show(const std::string&, int, const std::string&) override { return platform::kAnswerOk; }
    std::string GetString(const std::string& key, int, const std::vector<std::string>&) override { return key; }
    long ShowMessage(const std::string&, int, const std::string&, const std::string&, int) override {
        return platform::kAnswerOk;
    }
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual platform::Platform& platform() = 0;
    virtual std::shared_ptr<platform::LoginObject> login() = 0;
    // The key of the account-year database the cases work in.
    virtual std::string key() = 0;
    // Breaks the run's connection; false when the backend has none.
    virtual bool loseConnection() = 0;
    // True when the statements of a batch after a failing one still run.
    virtual bool batchesGoOnPastAFailure() const { return false; }
};

struct EmbeddedBackend {
    static std::unique_ptr<Backend> make();
    static constexpr const char* kName = "Embedded";
};

struct SqliteOdbcBackend {
    static std::unique_ptr<Backend> make();
    static constexpr const char* kName = "SqliteOdbc";
};

struct MssqlBackend {
    // Null when VANTYR_TEST_MSSQL is unset.
    static std::unique_ptr<Backend> make();
    static constexpr const char* kName = "Mssql";
};

// The connection string of SQLite's ODBC driver on a database file.
std::string sqliteOdbcConnectionString(const std::filesystem::path& file);

// VANTYR_TEST_MSSQL, or empty.
std::string mssqlConnectionString();

}  // namespace vantyr::testing
