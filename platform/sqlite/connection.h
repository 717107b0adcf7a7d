#pragma once
// RAII over SQLite's C handles. Every return code goes through one check that
// raises SqliteFailure (the extended result code and SQLite's message); the
// backend's error funnel (error_funnel.h) turns those into the platform's
// errors. <sqlite3.h> stays out of this header.
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlite/text_map.h"
#include "platform/value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vantyr::platform::sqlite {

class SqliteFailure : public std::runtime_error {
public:
    SqliteFailure(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int code() const noexcept { return code_; }         // extended result code
    bool foreignKey() const noexcept;
    bool constraint() const noexcept;

private:
    int code_;
};

// A failure of a statement the engine runs for its own bookkeeping (the
// catalogue's tables and the reads it makes for its checks): never the fault
// of the statement being run, so never one the run passes over.
class BookkeepingFailure : public SqliteFailure {
public:
    explicit BookkeepingFailure(const SqliteFailure& failure) : SqliteFailure(failure) {}
};

// Runs statements of the engine's own bookkeeping: any SQLite failure in
// them leaves as a BookkeepingFailure.
template <class F>
auto ownStatement(F&& run) {
    try {
        return run();
    } catch (const BookkeepingFailure&) {
        throw;
    } catch (const SqliteFailure& f) {
        throw BookkeepingFailure(f);
    }
}

class Statement;

// How the engine opens its files. A connection waits at most busyTimeoutMs for
// a lock another process holds, then fails (a storage failure). `vfs` names a
// registered SQLite VFS to open the files through (empty: the default one).
inline constexpr int kDefaultBusyTimeoutMs = 5000;
struct ConnectionOptions {
    std::string vfs;
    int busyTimeoutMs = kDefaultBusyTimeoutMs;
};

class Connection {
public:
    // Opens (and creates when asked) the database file.
    Connection(const std::string& path, bool create, const ConnectionOptions& options = {});
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Runs one or more statements without results.
    void exec(const std::string& sql);
    // Runs one statement without results, prepared at its first use and kept
    // for the next (the engine's savepoints around every statement).
    void execKept(const std::string& sql);
    Statement prepare(const std::string& sql);
    // The statement prepared at its first use and kept with the connection
    // (finalized before it closes); reset it after each use (ResetAfterUse).
    Statement& kept(const std::string& sql);
    std::int64_t changes() const;
    // The rowid of the last row an INSERT of this connection added.
    std::int64_t lastInsertRowid() const;
    bool inTransaction() const;
    // True when the database attached as `schema` could only be opened for reading.
    bool readOnly(const std::string& schema) const;
    // True when the database attached as `schema` holds a table of that name
    // (looked up in the schema SQLite has read, no statement run).
    bool hasTable(const std::string& schema, const std::string& table) const;
    // True when the open transaction has written to the database attached as `schema`.
    bool writing(const std::string& schema) const;
    sqlite3* handle() const { return db_.get(); }
    // Grows with every statement run that may write (every exec, every step
    // of a statement that is not read-only): unchanged across a span of
    // work, the span wrote nothing.
    std::uint64_t writes() const { return writes_; }

private:
    struct Closer {
        void operator()(sqlite3* db) const noexcept;
    };
    std::unique_ptr<sqlite3, Closer> db_;
    std::uint64_t writes_ = 0;
    TextMap<Statement> kept_;   // finalized before the connection closes
};

// A prepared statement; step() walks its rows.
class Statement {
public:
    // `writes`, when given, is counted up at each step that may write.
    Statement(sqlite3* db, sqlite3_stmt* stmt, std::uint64_t* writes = nullptr) : db_(db), stmt_(stmt), writes_(writes) {}
    Statement(Statement&&) noexcept = default;
    Statement& operator=(Statement&&) noexcept = default;

    void bind(int index, const Value& value);
    // True while there is a row.
    bool step();
    // Ready to run again with new bindings.
    void reset();
    int columnCount() const;
    std::string columnName(int i) const;
    Value column(int i) const;
    // The column's text as SQLite holds it, valid until the next step or reset.
    std::string_view text(int i) const;

private:
    struct Finalizer {
        void operator()(sqlite3_stmt* stmt) const noexcept;
    };
    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, Finalizer> stmt_;
    std::uint64_t* writes_ = nullptr;
};

// Resets a kept statement when the scope of its use ends, however it ends:
// a kept statement holds no lock between uses.
class ResetAfterUse {
public:
    explicit ResetAfterUse(Statement& st) : st_(st) {}
    ResetAfterUse(const ResetAfterUse&) = delete;
    ResetAfterUse& operator=(const ResetAfterUse&) = delete;
    ~ResetAfterUse() { st_.reset(); }

private:
    Statement& st_;
};

// Double-quotes a name for SQLite.
std::string quoteName(const std::string& name);
// "schema"."name", built in one allocation.
std::string quoteName(const std::string& schema, const std::string& name);
// Single-quotes a text literal for SQLite.
std::string quoteText(const std::string& text);

}  // namespace vantyr::platform::sqlite
