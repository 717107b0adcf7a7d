#pragma once
// The database object, recordset and ADO objects of the ODBC backend. Every
// database object of a run shares the run's one connection and runs its
// statements in its own account-year database; the ADO connection is a
// second connection of its own, in autocommit, into the same database.
#include <memory>
#include <optional>
#include <string>

#include "platform/ado.h"
#include "platform/database.h"
#include "platform/odbc/session.h"

namespace vantyr::platform::odbc {

class OdbcDatabase : public Database {
public:
    explicit OdbcDatabase(std::shared_ptr<Session> session) : session_(std::move(session)) {}

    // The key is an account-year key; the database is the one the server's
    // list names by the rule (see databaseForKey). Raises 3024 when none does.
    void Open(const std::string& key) override;
    void Close() override { database_.reset(); }
    std::int64_t Execute(const std::string& sql, std::optional<int> option) override;
    std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) override;
    // A new connection object in autocommit, not yet open, whose connection
    // string is the run's with this object's database.
    std::shared_ptr<AdoConnection> UnderlyingConnection() override;
    std::unique_ptr<TableDefinitions> Tables() override;

private:
    const std::string& database() const;

    std::shared_ptr<Session> session_;
    std::optional<std::string> database_;
};

// An ADO connection over a Session of its own; every statement commits on
// its own and runs in the database its connection string names.
class OdbcAdoConnection : public AdoConnection {
public:
    OdbcAdoConnection() = default;
    explicit OdbcAdoConnection(std::string connectionString) : connectionString_(std::move(connectionString)) {}

    std::string ConnectionString() override { return connectionString_; }
    // The user id and password, when given, are added to the connection string.
    void Open(const std::string& connectionString, const std::string& userId = "", const std::string& password = "",
              int options = kAdUnspecified) override;
    void Execute(const std::string& sql) override;
    std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) override;

    // The open session; a connection made with a connection string but not
    // yet opened opens with it on first use.
    std::shared_ptr<Session> session();

private:
    std::string connectionString_;
    std::shared_ptr<Session> session_;
};

// An ADO recordset over an OdbcAdoConnection: the first row of a query,
// which can be changed, or a new row added to the query's one table.
class OdbcAdoRecordset : public AdoRecordset {
public:
    void SetCursorLocation(int location) override { location_ = location; }
    void SetCursorType(int type) override { cursorType_ = type; }
    void SetLockType(int type) override { lockType_ = type; }
    void Open(const std::string& sql, AdoConnection& connection, int cursorType, int lockType) override;
    bool Eof() override;
    bool Bof() override;
    void MoveNext() override;
    Value Field(const std::string& name) override;
    Value FieldAt(int index) override;
    void AddNew() override;
    void SetField(const std::string& name, const Value& value) override;
    void Update() override;
    void Close() override;

private:
    enum class Editing { None, Current, New };
    void requireOpen() const;
    void requireUpdatable() const;

    int location_ = 2, cursorType_ = kAdOpenForwardOnly, lockType_ = kAdLockReadOnly;
    std::shared_ptr<Session> session_;
    std::optional<FirstRow> row_;
    std::vector<std::vector<Value>> rest_;   // the rows after the current one
    bool empty_ = false;                     // the query returned no row
    bool moved_ = false;                     // past the first row: only the first row can be changed
    Editing editing_ = Editing::None;
    Assignments pending_;
};

}  // namespace vantyr::platform::odbc
