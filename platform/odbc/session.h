#pragma once
// One ODBC connection to the server that holds the account-year databases.
// Statements are sent exactly as given (SQLExecDirect, no rewriting), each in
// the database it names: before a statement the connection's current
// database is switched when it differs (SQL Server: the connection attribute
// SQL_ATTR_CURRENT_CATALOG, so unqualified names resolve in that database and
// three-part names reach the other year). Autocommit is on except between
// begin() and commit()/rollback(). Every failure is raised as the
// platform::Error that classify() makes of the driver's diagnostics, with any
// credential masked.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/database.h"
#include "platform/odbc/handles.h"
#include "platform/odbc/row_statements.h"
#include "platform/value.h"

namespace vantyr::platform::odbc {

class Session {
public:
    // Connects without prompting. Raises kErrConnectionFailed when the
    // driver manager, the driver or the server refuses.
    explicit Session(std::string connectionString);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::string& connectionString() const { return connectionString_; }
    Dialect dialect() const { return dialect_; }
    // The connection string of a second connection into `database`.
    std::string connectionStringFor(const std::string& database) const;

    // The names of the databases on the server (SQLite: the stems of the
    // files of the main and attached databases).
    std::vector<std::string> databases();

    // Runs one statement text (a batch may hold several statements) in
    // `database` ("": the connection's current one). Returns the rows changed, summed over the batch.
    std::int64_t execute(const std::string& database, const std::string& sql);
    // With `rest`, the rows after the first are read into it too.
    FirstRow firstRow(const std::string& database, const std::string& sql,
                      std::vector<std::vector<Value>>* rest = nullptr);
    // The column names of a table, in their defined order.
    TableDefinition tableDefinition(const std::string& database, const std::string& table);
    // Writes `assignments` to the row that firstRow read (see session.cpp for
    // how the row is found again). Raises 3197 when it is no longer there.
    void updateRow(const FirstRow& row, const Assignments& assignments);
    // Adds one row to the row's table.
    void insertRow(const FirstRow& row, const Assignments& values);

    void begin();
    void commit();
    void rollback();
    bool inTransaction() const { return inTransaction_; }

    // The ODBC connection handle, for callers that make ODBC calls of their own.
    SQLHDBC handle() const { return dbc_.get(); }

private:
    void use(const std::string& database);
    StatementHandle newStatement();
    [[noreturn]] void fail(SQLSMALLINT type, SQLHANDLE handle, Operation operation, const std::string& sql = {});
    [[noreturn]] void raise(const std::vector<DiagnosticRecord>& records, Operation operation, const std::string& sql);
    // Whether the server has a transaction open (SQL Server's @@TRANCOUNT);
    // `unknown` when it cannot be asked.
    bool transactionOpenOnServer(bool unknown = true);
    void noteSuccess();
    // Sends a statement of the backend's own with its values bound.
    std::int64_t executeBound(const std::string& database, const std::string& sql, const std::vector<Value>& values);
    std::int64_t drain(SQLHSTMT statement, SQLRETURN rc, const std::string& sql);
    void setAutocommit(bool on);

    std::string connectionString_;
    EnvironmentHandle env_;
    ConnectionHandle dbc_;
    Dialect dialect_ = Dialect::SqlServer;
    std::optional<std::string> current_;
    bool inTransaction_ = false;
    bool serverTransactionBegun_ = false;  // a statement of the bracket began the server's transaction
};

}  // namespace vantyr::platform::odbc
