#pragma once
// The database object, recordset and ADO connection of the embedded engine.
// A database object refers to one account-year database attached to the
// shared session; its statements run with that database as the default for
// unqualified names.
#include <memory>
#include <string>

#include "platform/ado.h"
#include "platform/database.h"
#include "platform/sqlite/session.h"

namespace vantyr::platform::sqlite {

class SqliteDatabase : public Database {
public:
    explicit SqliteDatabase(std::shared_ptr<Session> session) : session_(std::move(session)) {}

    // The key is an account-year key of the session's data directory.
    void Open(const std::string& key) override;
    void Close() override;
    std::int64_t Execute(const std::string& sql, std::optional<int> option) override;
    std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) override;
    std::shared_ptr<AdoConnection> UnderlyingConnection() override;
    std::unique_ptr<TableDefinitions> Tables() override;

private:
    const std::string& schema() const;

    std::shared_ptr<Session> session_;
    std::optional<AccountYear> database_;
    std::string schema_;
};

// An ADO connection of its own onto one account-year database: every
// statement commits on its own. Its connection string names the data
// directory and the database.
class SqliteAdoConnection : public AdoConnection {
public:
    // Opens its files as `options` says (those of the platform's data directory).
    explicit SqliteAdoConnection(ConnectionOptions options = {}) : options_(std::move(options)) {}
    SqliteAdoConnection(DataDirectory directory, std::string database);

    std::string ConnectionString() override { return connectionString_; }
    // The string names the data directory and the database; the engine has no
    // users, so the user id and password are not checked.
    void Open(const std::string& connectionString, const std::string& userId, const std::string& password,
              int options) override;
    void Execute(const std::string& sql) override;
    std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) override;

    // The session and schema the connection works in (for its recordsets).
    Session& session();
    const std::string& schema() const { return schema_; }

private:
    std::string connectionString_;
    ConnectionOptions options_;
    std::shared_ptr<Session> session_;
    std::string schema_;
};

// An ADO recordset over a SqliteAdoConnection: the rows of a query, read when
// it is opened; the first row can be changed, or a new row added to the
// query's one table.
class SqliteAdoRecordset : public AdoRecordset {
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

    int location_ = 2, cursorType_ = kAdOpenForwardOnly, lockType_ = kAdLockReadOnly;
    Session* session_ = nullptr;
    std::optional<FirstRow> row_;
    std::vector<std::vector<Value>> rest_;   // the rows after the first
    std::size_t position_ = 0;               // 0: the first row is current
    bool empty_ = false;
    Editing editing_ = Editing::None;
    std::vector<std::pair<std::string, Value>> pending_;
};

}  // namespace vantyr::platform::sqlite
