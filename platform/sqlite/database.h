#pragma once
// The database object, recordset and ADO connection of the embedded engine.
// A database object refers to one account-year database attached to the
// shared session; its statements run with that database as the default for
// unqualified names.
#include <functional>
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

// An ADO connection onto one account-year database: every statement commits
// on its own. Its connection string names the data directory and the
// database. Created by the platform (`host` set), it runs its statements on
// the platform's session when that session has the database open and no
// transaction running: the server would give a connection of its own the same
// results, and the files are neither opened nor read again. While the host
// session holds a transaction, the connection works on a session of its own,
// as a second connection to the server would.
class SqliteAdoConnection : public AdoConnection {
public:
    // Opens its files as `options` says (those of the platform's data directory).
    explicit SqliteAdoConnection(ConnectionOptions options = {}, std::shared_ptr<Session> host = nullptr)
        : options_(std::move(options)), host_(std::move(host)) {}
    SqliteAdoConnection(DataDirectory directory, std::string database);

    std::string ConnectionString() override { return connectionString_; }
    // The string names the data directory and the database; the engine has no
    // users, so the user id and password are not checked.
    void Open(const std::string& connectionString, const std::string& userId, const std::string& password,
              int options) override;
    void Execute(const std::string& sql) override;
    std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) override;

    // Runs `body` on the session the connection works in, with the schema of
    // its database and its own IDENTITY_INSERT setting (for its recordsets).
    void withSession(const std::function<void(Session&, const std::string& schema)>& body);

private:
    template <class F>
    auto onSession(F&& body);
    void openOwn();

    std::string connectionString_;
    ConnectionOptions options_;
    std::shared_ptr<Session> host_;
    std::shared_ptr<Session> session_;
    std::string schema_;
    std::optional<DataDirectory> directory_;
    std::optional<AccountYear> database_;
    bool shared_ = false;                            // session_ is host_
    std::optional<std::string> identityInsert_;      // the connection's own setting while shared
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
    SqliteAdoConnection* connection_ = nullptr;
    std::optional<FirstRow> row_;
    std::vector<std::vector<Value>> rest_;   // the rows after the first
    std::size_t position_ = 0;               // 0: the first row is current
    bool empty_ = false;
    Editing editing_ = Editing::None;
    std::vector<std::pair<std::string, Value>> pending_;
};

}  // namespace vantyr::platform::sqlite
