#include "platform/sqlite/connection.h"

#include <sqlite3.h>

#include <algorithm>

#include "platform/sqlite/collation.h"
#include "platform/sqlite/conversion.h"

namespace vantyr::platform::sqlite {
namespace {

void check(sqlite3* db, int rc) {
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) return;
    int code = db ? sqlite3_extended_errcode(db) : rc;
    std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    throw SqliteFailure(code, message);
}

}  // namespace

bool SqliteFailure::foreignKey() const noexcept { return code_ == SQLITE_CONSTRAINT_FOREIGNKEY; }
bool SqliteFailure::constraint() const noexcept { return (code_ & 0xff) == SQLITE_CONSTRAINT; }

void Connection::Closer::operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }

Connection::Connection(const std::string& path, bool create, const ConnectionOptions& options) {
    // No allocation statistics: nothing reads them, and keeping them takes a
    // global lock on every allocation. Only possible before SQLite starts, so
    // a process whose SQLite another user started keeps its statistics.
    static const bool quiet = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    (void)quiet;
    sqlite3* raw = nullptr;
    int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(path.c_str(), &raw, flags, options.vfs.empty() ? nullptr : options.vfs.c_str());
    db_.reset(raw);
    if (rc != SQLITE_OK) {
        int code = raw ? sqlite3_extended_errcode(raw) : rc;
        std::string message = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc);
        throw SqliteFailure(code, message + ": " + path);
    }
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, options.busyTimeoutMs);
    registerCollation(raw);
    registerConversions(raw);
}

void Connection::exec(const std::string& sql) {
    ++writes_;
    char* error = nullptr;
    int rc = sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errstr(rc);
        sqlite3_free(error);
        throw SqliteFailure(sqlite3_extended_errcode(db_.get()), message);
    }
}

Statement& Connection::kept(const std::string& sql) {
    auto it = kept_.find(sql);
    if (it == kept_.end()) it = kept_.emplace(sql, prepare(sql)).first;
    return it->second;
}

void Connection::execKept(const std::string& sql) {
    Statement& st = kept(sql);
    ++writes_;
    ResetAfterUse reset(st);
    while (st.step()) {
    }
}

Statement Connection::prepare(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    check(db_.get(), sqlite3_prepare_v2(db_.get(), sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr));
    return Statement(db_.get(), stmt, &writes_);
}

std::int64_t Connection::changes() const { return sqlite3_changes64(db_.get()); }

std::int64_t Connection::lastInsertRowid() const { return sqlite3_last_insert_rowid(db_.get()); }

bool Connection::inTransaction() const { return sqlite3_get_autocommit(db_.get()) == 0; }

bool Connection::writing(const std::string& schema) const {
    return sqlite3_txn_state(db_.get(), schema.c_str()) == SQLITE_TXN_WRITE;
}

bool Connection::readOnly(const std::string& schema) const { return sqlite3_db_readonly(db_.get(), schema.c_str()) == 1; }

bool Connection::hasTable(const std::string& schema, const std::string& table) const {
    int rc = sqlite3_table_column_metadata(db_.get(), schema.c_str(), table.c_str(), nullptr, nullptr, nullptr, nullptr,
                                           nullptr, nullptr);
    if (rc == SQLITE_OK) return true;
    if (rc == SQLITE_ERROR) return false;   // no such table
    check(db_.get(), rc);                     // the schema could not be read
    return false;
}

void Statement::Finalizer::operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }

void Statement::bind(int index, const Value& value) {
    sqlite3_stmt* s = stmt_.get();
    int rc;
    if (value.isNull() || value.isEmpty()) rc = sqlite3_bind_null(s, index);
    else if (value.isBoolean()) rc = sqlite3_bind_int(s, index, value.toDouble() != 0 ? 1 : 0);  // a bit column holds 1 or 0
    else if (value.isText()) {
        std::string text = value.toText();
        rc = sqlite3_bind_text(s, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    } else {
        double d = value.toDouble();
        auto i = static_cast<sqlite3_int64>(d);
        rc = static_cast<double>(i) == d ? sqlite3_bind_int64(s, index, i) : sqlite3_bind_double(s, index, d);
    }
    check(db_, rc);
}

bool Statement::step() {
    if (writes_ && !sqlite3_stmt_readonly(stmt_.get())) ++*writes_;
    int rc = sqlite3_step(stmt_.get());
    check(db_, rc);
    return rc == SQLITE_ROW;
}

void Statement::reset() {
    sqlite3_reset(stmt_.get());
    sqlite3_clear_bindings(stmt_.get());
}

int Statement::columnCount() const { return sqlite3_column_count(stmt_.get()); }

std::string Statement::columnName(int i) const { return sqlite3_column_name(stmt_.get(), i); }

Value Statement::column(int i) const {
    sqlite3_stmt* s = stmt_.get();
    switch (sqlite3_column_type(s, i)) {
        case SQLITE_INTEGER: return Value(static_cast<std::int64_t>(sqlite3_column_int64(s, i)));
        case SQLITE_FLOAT: return Value(sqlite3_column_double(s, i));
        case SQLITE_NULL: return Value::null();
        default: {
            auto text = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
            return Value(std::string(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(s, i))));
        }
    }
}

std::string_view Statement::text(int i) const {
    auto text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_.get(), i));
    return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_.get(), i))) : std::string_view();
}

namespace {

// text between two quote marks, each quote mark inside it doubled: one allocation
std::string quoted(const std::string& text, char mark) {
    std::string out;
    if (text.find(mark) == std::string::npos) {   // the usual case: the text as it is
        out.reserve(text.size() + 2);
        out.push_back(mark);
        out.append(text);
        out.push_back(mark);
        return out;
    }
    out.reserve(text.size() + 2 + static_cast<std::size_t>(std::count(text.begin(), text.end(), mark)));
    out += mark;
    for (char c : text) {
        if (c == mark) out += mark;
        out += c;
    }
    out += mark;
    return out;
}

}  // namespace

std::string quoteName(const std::string& name) { return quoted(name, '"'); }

std::string quoteName(const std::string& schema, const std::string& name) {
    if (schema.find('"') != std::string::npos || name.find('"') != std::string::npos)
        return quoteName(schema) + "." + quoteName(name);
    std::string out;
    out.reserve(schema.size() + name.size() + 5);
    out.push_back('"');
    out.append(schema);
    out.append("\".\"");
    out.append(name);
    out.push_back('"');
    return out;
}

std::string quoteText(const std::string& text) { return quoted(text, '\''); }

}  // namespace vantyr::platform::sqlite
