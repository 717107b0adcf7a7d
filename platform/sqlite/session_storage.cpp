// The session's files and transaction: opening an account year with its
// check, the engine's own bookkeeping statements, and the bracket of begin,
// commit (with its commit number) and rollback.
#include "platform/sqlite/session.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "platform/error.h"
#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

// Every write opens a journal beside the file: its folder must take a new file.
bool journalFolderWritable(const std::filesystem::path& file) {
    std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
#ifdef _WIN32
    return _waccess(folder.c_str(), 2) == 0;
#else
    return access(folder.c_str(), W_OK | X_OK) == 0;
#endif
}

}  // namespace

std::string Session::attach(const AccountYear& database) {
    std::string key = lowerCase(database.name);
    if (auto it = aliases_.find(key); it != aliases_.end()) return it->second;
    FailureFiles file{{database.name}, {database.path.string()}, directory_.options().busyTimeoutMs};
    if (!std::filesystem::exists(database.path))
        throw Error(kErrCannotOpen, "The account-year database " + file.describe() + " cannot be opened: there is no such file.");
    if (connection_ && connection_->inTransaction())
        throw Error(kErrStatementFailed, "Cannot open database \"" + database.name + "\" inside a transaction.");
    bool first = !connection_;
    std::string alias = first ? std::string("main") : database.name;
    try {
        if (first) {
            auto opened = std::make_unique<Connection>(database.path.string(), false, directory_.options());
            opened->exec("PRAGMA foreign_keys = ON; PRAGMA legacy_alter_table = ON; PRAGMA journal_mode = DELETE;"
                         " PRAGMA synchronous = FULL;");
            connection_ = std::move(opened);
        } else {
            connection_->exec("ATTACH DATABASE " + quoteText(database.path.string()) + " AS " + quoteName(database.name));
        }
        aliases_[key] = alias;
        opened_[alias] = database;
        if (!first) connection_->exec("PRAGMA " + quoteName(database.name) + ".journal_mode = DELETE");
        checkAccountYear(alias, database);
        // A file the session only reads is read by scans, each page once: a small page cache
        // hands its pages back while they are still in the processor's caches. A statement
        // that writes the file gives it SQLite's whole cache back first (fullCacheFor).
        auto size = connection_->prepare("PRAGMA " + quoteName(alias) + ".cache_size");
        if (size.step()) fullCache_[alias] = static_cast<std::int64_t>(size.column(0).toDouble());
        connection_->exec("PRAGMA " + quoteName(alias) + ".cache_size = " + std::to_string(kReadingCacheKiB));
    } catch (const SqliteFailure& f) {
        forgetDatabase(alias, database);
        throw funnel(f, FailureSite::Bookkeeping, file, "");
    } catch (const Error&) {
        forgetDatabase(alias, database);
        throw;
    }
    if (first) {
        catalog_ = std::make_unique<Catalog>(*connection_);
        identity_ = std::make_unique<IdentityRules>(*connection_);
    }
    return alias;
}

std::optional<std::string> Session::aliasOf(const std::string& databaseName) const {
    auto it = aliases_.find(lowerCase(databaseName));
    if (it == aliases_.end()) return std::nullopt;
    return it->second;
}

// Before anything is written: the file must be read (a hot journal a crash
// left is rolled back here), writable, whole, hold the engine's catalogue, and
// give this connection its write lock within the wait.
void Session::checkAccountYear(const std::string& alias, const AccountYear& database) {
    Connection& db = *connection_;
    std::string schema = quoteName(alias);
    auto refuse = [&](long number, const std::string& cause) {
        throw Error(number, "The account-year database " + database.name + " (" + database.path.string() + ") " + cause + ".");
    };
    auto number = [&](const std::string& sql) {
        auto st = db.prepare(sql);
        return st.step() ? static_cast<std::int64_t>(st.column(0).toDouble()) : 0;
    };
    if (db.readOnly(alias)) refuse(kErrReadOnly, "is read-only: the file cannot be written");
    if (!journalFolderWritable(database.path))
        refuse(kErrReadOnly, "is read-only: its folder does not let the engine create the file's journal beside it");
    // one transaction holding the write lock for every check: no lock taken and let go per read
    db.exec("BEGIN EXCLUSIVE");
    try {
        std::int64_t pages = number("PRAGMA " + schema + ".page_count");
        std::int64_t pageSize = number("PRAGMA " + schema + ".page_size");
        std::error_code ec;
        auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(database.path, ec));
        if (!ec && bytes > 0 && pages * pageSize > bytes)   // an empty file holds no catalogue (below)
            refuse(kErrNotADatabase, "is damaged: the file holds " + std::to_string(bytes) + " bytes where its header counts " +
                                         std::to_string(pages) + " pages of " + std::to_string(pageSize) + " bytes");
        if (!db.hasTable(alias, "vantyr_tables"))
            refuse(kErrNotADatabase, "is not an account-year database of this engine: it holds no catalogue");
        db.exec("ROLLBACK");
    } catch (...) {
        if (db.inTransaction()) db.exec("ROLLBACK");
        throw;
    }
}

// Undoes a failed attach. Detaching is best effort: a file that could not be
// checked stays attached but unnamed, and no statement reaches it by name.
void Session::forgetDatabase(const std::string& alias, const AccountYear& database) {
    aliases_.erase(lowerCase(database.name));
    opened_.erase(alias);
    fullCache_.erase(alias);
    if (catalog_) catalog_->forget();
    if (alias == "main") {
        connection_.reset();
        return;
    }
    try {
        if (connection_->inTransaction()) connection_->exec("ROLLBACK");
        connection_->exec("DETACH DATABASE " + quoteName(database.name));
    } catch (const SqliteFailure&) {
    }
}

template <class F>
auto Session::ownWork(const std::string& schema, const std::string& what, F&& work) {
    try {
        return work();
    } catch (const SqliteFailure& f) {
        Error e = funnel(f, FailureSite::Bookkeeping, files(schema), "");
        throw Error(e.number(), what + ": " + e.description());
    }
}

void Session::bookkeeping(const std::string& sql, const std::string& schema, const std::string& what, bool kept) {
    ownWork(schema, what, [&] {
        if (kept) connection().execKept(sql);
        else connection().exec(sql);
    });
}

void Session::fullCacheFor(const std::string& schema) {
    auto it = fullCache_.find(schema);
    if (it == fullCache_.end()) return;
    bookkeeping("PRAGMA " + quoteName(schema) + ".cache_size = " + std::to_string(it->second), schema,
                "The engine could not size the page cache of a file it writes");
    fullCache_.erase(it);
}

void Session::flushCatalog(const std::string& schema, const std::string& what) {
    ownWork(schema, what, [&] { catalog_->flush(); });
}

FailureFiles Session::files(const std::string& schema) const {
    FailureFiles out;
    out.lockWaitMs = directory_.options().busyTimeoutMs;
    auto add = [&](const AccountYear& ay) {
        out.names.push_back(ay.name);
        out.paths.push_back(ay.path.string());
    };
    if (auto it = opened_.find(schema); it != opened_.end()) add(it->second);
    for (const auto& [alias, ay] : opened_)
        if (alias != schema) add(ay);
    return out;
}

void Session::createDatabase(const AccountYear& database) {
    if (std::filesystem::exists(database.path))
        throw Error(kErrStatementFailed, "Database '" + database.name + "' already exists: " + database.path.string());
    try {
        Connection fresh(database.path.string(), true, directory_.options());
        fresh.exec("PRAGMA journal_mode = DELETE");
        Catalog(fresh).install("main");
    } catch (const SqliteFailure& f) {
        throw funnel(f, FailureSite::Bookkeeping, {{database.name}, {database.path.string()}, directory_.options().busyTimeoutMs}, "");
    }
}

void Session::begin() {
    const std::string what = "The transaction could not be started";   // the caller rolls back
    bookkeeping("BEGIN", "main", what);
    // another connection may have changed the schema since
    ownWork("main", what, [&] { catalog_->forgetChangedElsewhere(); });
}

// Each file the transaction wrote gets a new commit number (the user version
// of its header) before the COMMIT, so that a COMMIT reporting a failure after
// its commit point (the journal already gone) is told from one that saved
// nothing: the files are read afresh, and when each holds its new number the
// changes are saved and the commit stands.
void Session::commit() {
    const std::string what = "The changes could not be committed";
    flushCatalog("main", what);   // the catalogue rows the transaction changed
    std::vector<std::pair<AccountYear, std::int64_t>> written;
    for (const auto& [alias, database] : opened_) {
        if (!connection().writing(alias)) continue;
        std::int64_t next = ownWork(alias, what, [&] {
            auto st = connection().prepare("PRAGMA " + quoteName(alias) + ".user_version");
            return st.step() ? static_cast<std::int64_t>(st.column(0).toDouble()) + 1 : std::int64_t{1};
        });
        bookkeeping("PRAGMA " + quoteName(alias) + ".user_version = " + std::to_string(next), alias, what);
        written.emplace_back(database, next);
    }
    try {
        connection().exec("COMMIT");
    } catch (const SqliteFailure& f) {
        FailureFiles concerned = files("main");
        if (!written.empty()) {
            concerned.names.clear();
            concerned.paths.clear();
            for (const auto& [database, number] : written) {
                concerned.names.push_back(database.name);
                concerned.paths.push_back(database.path.string());
            }
        }
        Error failure = funnel(f, FailureSite::Bookkeeping, concerned, "");
        failure = Error(failure.number(), what + ": " + failure.description());
        rollback();
        if (written.empty()) throw failure;
        std::string unknown;
        if (saved(written, unknown)) return;
        if (!unknown.empty())
            throw Error(failure.number(), failure.description() + " Whether the changes were saved could not be "
                                          "confirmed (" + unknown + "): look at the current year before running again.");
        throw failure;
    }
}

bool Session::saved(const std::vector<std::pair<AccountYear, std::int64_t>>& written, std::string& unknown) const {
    try {
        for (const auto& [database, number] : written) {
            Connection fresh(database.path.string(), false, directory_.options());
            auto st = fresh.prepare("PRAGMA user_version");
            if (!st.step() || static_cast<std::int64_t>(st.column(0).toDouble()) != number) return false;
        }
        return true;
    } catch (const SqliteFailure& f) {
        unknown = f.what();
        return false;
    }
}

void Session::rollback() {
    catalog_->forget();
    identityInsertOn_.reset();
    if (connection().inTransaction())
        bookkeeping("ROLLBACK", "main",
                    "The rollback failed; the journal beside the file undoes the changes when it is next opened");
}

}  // namespace vantyr::platform::sqlite
