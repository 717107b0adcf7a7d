#include "platform/odbc/session.h"

#include <cstring>
#include <filesystem>

#include "platform/error.h"
#include "platform/odbc/connection_string.h"

namespace vantyr::platform::odbc {
namespace {

// More results than any batch of the component gives: a driver that never
// ends its results is not waited on for ever.
constexpr int kMostResults = 100000;

// Storage for the values of one bound statement; it must outlive the call.
struct Parameter {
    std::int64_t integer = 0;
    double real = 0;
    unsigned char bit = 0;
    std::string text;
    SQLLEN indicator = 0;
};

bool isInteger(const Value& v) {
    return !v.isText() && !v.isBoolean() && v == Value(static_cast<std::int64_t>(v.toDouble()));
}

void bind(SQLHSTMT statement, SQLUSMALLINT index, const Value& value, Parameter& p) {
    SQLRETURN rc;
    if (value.isNull() || value.isEmpty()) {
        p.indicator = SQL_NULL_DATA;
        rc = SQLBindParameter(statement, index, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, nullptr, 0, &p.indicator);
    } else if (value.isBoolean()) {
        p.bit = value.toDouble() != 0 ? 1 : 0;  // a boolean True is stored as bit 1
        rc = SQLBindParameter(statement, index, SQL_PARAM_INPUT, SQL_C_BIT, SQL_BIT, 1, 0, &p.bit, 0, nullptr);
    } else if (value.isText()) {
        p.text = value.toText();
        p.indicator = static_cast<SQLLEN>(p.text.size());
        rc = SQLBindParameter(statement, index, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                              std::max<SQLULEN>(1, p.text.size()), 0, p.text.data(), p.indicator, &p.indicator);
    } else if (isInteger(value)) {
        p.integer = static_cast<std::int64_t>(value.toDouble());
        rc = SQLBindParameter(statement, index, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &p.integer, 0, nullptr);
    } else {
        p.real = value.toDouble();
        rc = SQLBindParameter(statement, index, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &p.real, 0, nullptr);
    }
    if (!SQL_SUCCEEDED(rc))
        throw classify(readDiagnostics(SQL_HANDLE_STMT, statement), Dialect::SqlServer, Operation::Statement);
}

// The value of one column of the fetched row, read as its type suggests: a
// bit or integer column as a number (bit 1 reads as 1, as on the embedded
// engine), a floating or decimal column as a double, anything else as text.
std::optional<Value> readColumn(SQLHSTMT statement, SQLUSMALLINT index, SQLSMALLINT type) {
    SQLLEN indicator = 0;
    SQLRETURN rc;
    switch (type) {
        case SQL_BIT: case SQL_TINYINT: case SQL_SMALLINT: case SQL_INTEGER: case SQL_BIGINT: {
            std::int64_t n = 0;
            rc = SQLGetData(statement, index, SQL_C_SBIGINT, &n, 0, &indicator);
            if (!SQL_SUCCEEDED(rc)) return std::nullopt;
            return indicator == SQL_NULL_DATA ? Value::null() : Value(n);
        }
        case SQL_REAL: case SQL_FLOAT: case SQL_DOUBLE: case SQL_DECIMAL: case SQL_NUMERIC: {
            double d = 0;
            rc = SQLGetData(statement, index, SQL_C_DOUBLE, &d, 0, &indicator);
            if (!SQL_SUCCEEDED(rc)) return std::nullopt;
            return indicator == SQL_NULL_DATA ? Value::null() : Value(d);
        }
        default:
            break;
    }
    std::string text;
    char buffer[1024];
    for (;;) {
        rc = SQLGetData(statement, index, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) return std::nullopt;
        if (indicator == SQL_NULL_DATA) return Value::null();
        std::size_t got = (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buffer))
                              ? sizeof buffer - 1
                              : static_cast<std::size_t>(indicator);
        text.append(buffer, got);
        if (rc == SQL_SUCCESS) break;
    }
    return Value(text);
}

Dialect dialectOf(SQLHDBC dbc) {
    char name[128] = {};
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DBMS_NAME, name, sizeof name, &length)) && std::strstr(name, "SQLite"))
        return Dialect::Sqlite;
    return Dialect::SqlServer;
}

}  // namespace

Session::Session(std::string connectionString) : connectionString_(std::move(connectionString)) {
    if (!env_.allocate(SQL_NULL_HANDLE) ||
        !SQL_SUCCEEDED(SQLSetEnvAttr(env_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)))
        throw Error(kErrConnectionFailed, "The ODBC driver manager cannot be loaded.");
    if (!dbc_.allocate(env_.get())) fail(SQL_HANDLE_ENV, env_.get(), Operation::Connect);
    SQLRETURN rc = SQLDriverConnect(dbc_.get(), nullptr,
                                    reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString_.c_str())),
                                    static_cast<SQLSMALLINT>(connectionString_.size()), nullptr, 0, nullptr,
                                    SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) fail(SQL_HANDLE_DBC, dbc_.get(), Operation::Connect);
    dbc_.markConnected();
    dialect_ = dialectOf(dbc_.get());
}

void Session::fail(SQLSMALLINT type, SQLHANDLE handle, Operation operation, const std::string& sql) {
    raise(readDiagnostics(type, handle), operation, sql);
}

void Session::raise(const std::vector<DiagnosticRecord>& records, Operation operation, const std::string& sql) {
    Error error = classify(records, dialect_, operation, sql);
    // A server that rolled the transaction back on its own (SQL Server does
    // for some errors) leaves nothing for the run to commit: the failure is
    // then one of the transaction, never passed over.
    // (Before any statement of the bracket has begun the server's
    // transaction there is nothing to lose.)
    if (operation == Operation::Statement && inTransaction_ && serverTransactionBegun_ &&
        !isStorageFailure(error.number()) && !transactionOpenOnServer())
        throw Error(kErrIo, "The server rolled the transaction back after this failure: " + error.description());
    throw error;
}

void Session::noteSuccess() {
    // In manual-commit mode the server begins its transaction with the first
    // statement that touches data or schema; until then @@TRANCOUNT is 0.
    if (inTransaction_ && dialect_ == Dialect::SqlServer && !serverTransactionBegun_)
        serverTransactionBegun_ = transactionOpenOnServer(false);
}

bool Session::transactionOpenOnServer(bool unknown) {
    try {
        StatementHandle probe = newStatement();
        const char* q = "SELECT @@TRANCOUNT";
        if (SQL_SUCCEEDED(SQLExecDirect(probe.get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(q)), SQL_NTS)) &&
            SQL_SUCCEEDED(SQLFetch(probe.get()))) {
            auto count = readColumn(probe.get(), 1, SQL_INTEGER);
            if (count && !count->isNull()) return count->toDouble() > 0;
        }
    } catch (const Error&) {
        // A connection that cannot even be asked: the failure itself says so.
    }
    return unknown;
}

std::string Session::connectionStringFor(const std::string& database) const {
    return dialect_ == Dialect::SqlServer ? withDatabase(connectionString_, database) : connectionString_;
}

StatementHandle Session::newStatement() {
    StatementHandle statement;
    if (!statement.allocate(dbc_.get())) fail(SQL_HANDLE_DBC, dbc_.get(), Operation::Connect);
    // The text goes to the server as written: the driver does not look for
    // ODBC escape clauses ({fn ...}, {d ...}) in it. A driver that cannot
    // switch scanning off scans as it always does.
    SQLSetStmtAttr(statement.get(), SQL_ATTR_NOSCAN, reinterpret_cast<SQLPOINTER>(SQL_NOSCAN_ON), 0);
    return statement;
}

void Session::use(const std::string& database) {
    // SQLite has no current database: unqualified names resolve in the main
    // file first, then in the attached ones.
    if (dialect_ == Dialect::Sqlite || database.empty() || current_ == database) return;
    SQLRETURN rc = SQLSetConnectAttr(dbc_.get(), SQL_ATTR_CURRENT_CATALOG,
                                     reinterpret_cast<SQLPOINTER>(const_cast<char*>(database.c_str())),
                                     static_cast<SQLINTEGER>(database.size()));
    if (!SQL_SUCCEEDED(rc)) {
        current_.reset();
        fail(SQL_HANDLE_DBC, dbc_.get(), Operation::Connect);
    }
    current_ = database;
}

std::vector<std::string> Session::databases() {
    StatementHandle statement = newStatement();
    const char* sql = dialect_ == Dialect::SqlServer ? "SELECT name FROM master.dbo.sysdatabases" : "PRAGMA database_list";
    SQLRETURN rc = SQLExecDirect(statement.get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS);
    if (!SQL_SUCCEEDED(rc)) fail(SQL_HANDLE_STMT, statement.get(), Operation::Statement, sql);
    std::vector<std::string> out;
    SQLUSMALLINT column = dialect_ == Dialect::SqlServer ? 1 : 3;
    while (SQL_SUCCEEDED(rc = SQLFetch(statement.get()))) {
        auto value = readColumn(statement.get(), column, SQL_VARCHAR);
        if (!value || value->isNull()) continue;
        std::string name = value->toText();
        if (dialect_ == Dialect::Sqlite) name = std::filesystem::path(name).stem().string();
        if (!name.empty()) out.push_back(name);
    }
    if (rc != SQL_NO_DATA) fail(SQL_HANDLE_STMT, statement.get(), Operation::Statement, sql);
    return out;
}

std::int64_t Session::drain(SQLHSTMT statement, SQLRETURN rc, const std::string& sql) {
    // A batch gives one result per statement; a failure in any of them
    // surfaces only when its result is reached. Every result is read before
    // the first failure is raised: the statements after a failing one still
    // run on the server (a batch that switches SET IDENTITY_INSERT on and
    // off must reach its last line), and freeing the handle early would
    // cancel them.
    std::int64_t rows = 0;
    std::optional<std::vector<DiagnosticRecord>> failure;
    for (int results = 0; results < kMostResults; ++results) {
        if (rc == SQL_NO_DATA) {
            // a searched update or delete that changed nothing
        } else if (!SQL_SUCCEEDED(rc)) {
            auto records = readDiagnostics(SQL_HANDLE_STMT, statement);
            if (!failure) failure = records;
            if (rc == SQL_INVALID_HANDLE || classify(records, dialect_, Operation::Statement, sql).number() == kErrConnectionFailed)
                break;  // nothing more will come
        } else {
            SQLLEN count = -1;
            if (SQL_SUCCEEDED(SQLRowCount(statement, &count)) && count > 0) rows += count;
        }
        rc = SQLMoreResults(statement);
        if (rc == SQL_NO_DATA) break;
    }
    if (failure) raise(*failure, Operation::Statement, sql);
    noteSuccess();
    return rows;
}

std::int64_t Session::execute(const std::string& database, const std::string& sql) {
    use(database);
    StatementHandle statement = newStatement();
    SQLRETURN rc = SQLExecDirect(statement.get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                                 static_cast<SQLINTEGER>(sql.size()));
    return drain(statement.get(), rc, sql);
}

std::int64_t Session::executeBound(const std::string& database, const std::string& sql, const std::vector<Value>& values) {
    use(database);
    StatementHandle statement = newStatement();
    std::vector<Parameter> parameters(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        bind(statement.get(), static_cast<SQLUSMALLINT>(i + 1), values[i], parameters[i]);
    SQLRETURN rc = SQLExecDirect(statement.get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                                 static_cast<SQLINTEGER>(sql.size()));
    return drain(statement.get(), rc, sql);
}

FirstRow Session::firstRow(const std::string& database, const std::string& sql, std::vector<std::vector<Value>>* rest) {
    use(database);
    StatementHandle statement = newStatement();
    SQLRETURN rc = SQLExecDirect(statement.get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                                 static_cast<SQLINTEGER>(sql.size()));
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) fail(SQL_HANDLE_STMT, statement.get(), Operation::Statement, sql);
    // Statements before the query (SET ..., a batch) give results without columns.
    SQLSMALLINT count = 0;
    while (SQL_SUCCEEDED(SQLNumResultCols(statement.get(), &count)) && count == 0) {
        rc = SQLMoreResults(statement.get());
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) fail(SQL_HANDLE_STMT, statement.get(), Operation::Statement, sql);
    }
    FirstRow row;
    row.database = database;
    row.table = queryTable(sql);
    for (SQLSMALLINT i = 1; i <= count; ++i) {
        SQLCHAR name[256] = {};
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        if (!SQL_SUCCEEDED(SQLDescribeCol(statement.get(), static_cast<SQLUSMALLINT>(i), name, sizeof name, &nameLength,
                                          &type, &size, &digits, &nullable)))
            fail(SQL_HANDLE_STMT, statement.get(), Operation::Statement, sql);
        row.columns.emplace_back(reinterpret_cast<const char*>(name));
        row.types.push_back(type);
    }
    if (count == 0) return row;
    rc = SQLFetch(statement.get());
    if (rc == SQL_NO_DATA) return row;
    if (!SQL_SUCCEEDED(rc)) fail(SQL_HANDLE_STMT, statement.get(), Operation::Statement, sql);
    std::vector<Value> values;
    for (SQLSMALLINT i = 1; i <= count; ++i) {
        auto value = readColumn(statement.get(), static_cast<SQLUSMALLINT>(i), row.types[static_cast<std::size_t>(i - 1)]);
        if (!value) fail(SQL_HANDLE_STMT, statement.get(), Operation::Statement, sql);
        values.push_back(*value);
    }
    row.values = std::move(values);
    while (rest) {
        rc = SQLFetch(statement.get());
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) fail(SQL_HANDLE_STMT, statement.get(), Operation::Statement, sql);
        std::vector<Value> next;
        for (SQLSMALLINT i = 1; i <= count; ++i) {
            auto value = readColumn(statement.get(), static_cast<SQLUSMALLINT>(i), row.types[static_cast<std::size_t>(i - 1)]);
            if (!value) fail(SQL_HANDLE_STMT, statement.get(), Operation::Statement, sql);
            next.push_back(*value);
        }
        rest->push_back(std::move(next));
    }
    statement.reset();  // the connection is free again before it is asked anything else
    noteSuccess();
    return row;
}

TableDefinition Session::tableDefinition(const std::string& database, const std::string& table) {
    // The columns as the server describes an empty result of the table.
    FirstRow row = firstRow(database, "SELECT * FROM " + quoteName(table) + " WHERE 1 = 0");
    return TableDefinition{table, row.columns};
}

void Session::updateRow(const FirstRow& row, const Assignments& assignments) {
    if (assignments.empty()) return;
    BoundStatement update = updateFirstRow(dialect_, row, assignments);
    if (executeBound(row.database, update.sql, update.values) == 0)
        throw Error(3197, "The row was changed or deleted since it was read; the change was not saved.");
}

void Session::insertRow(const FirstRow& row, const Assignments& values) {
    BoundStatement insert = odbc::insertRow(row, values);
    executeBound(row.database, insert.sql, insert.values);
}

void Session::setAutocommit(bool on) {
    SQLRETURN rc = SQLSetConnectAttr(dbc_.get(), SQL_ATTR_AUTOCOMMIT,
                                     reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0);
    if (!SQL_SUCCEEDED(rc)) fail(SQL_HANDLE_DBC, dbc_.get(), Operation::Transaction);
}

void Session::begin() {
    if (inTransaction_) throw Error(kErrIo, "A transaction is already open on this connection.");
    // The driver manager accepts connection attributes on a handle that is
    // no longer connected; a transaction must not begin on one.
    newStatement();
    SQLUINTEGER dead = SQL_CD_FALSE;
    if (SQL_SUCCEEDED(SQLGetConnectAttr(dbc_.get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) && dead == SQL_CD_TRUE)
        throw Error(kErrConnectionFailed, "The connection to the server was lost before the transaction began.");
    setAutocommit(false);
    inTransaction_ = true;
    serverTransactionBegun_ = false;
}

void Session::commit() {
    if (!inTransaction_) throw Error(3034, "Commit without a transaction begun.");
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_COMMIT)))
        fail(SQL_HANDLE_DBC, dbc_.get(), Operation::Transaction);  // still open: the run rolls back
    inTransaction_ = false;
    setAutocommit(true);
}

void Session::rollback() {
    if (!inTransaction_) throw Error(3034, "Rollback without a transaction begun.");
    inTransaction_ = false;
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_ROLLBACK)))
        fail(SQL_HANDLE_DBC, dbc_.get(), Operation::Transaction);
    setAutocommit(true);
}

}  // namespace vantyr::platform::odbc
