#pragma once
// One SQLite connection that holds the account-year databases of a run, each
// attached under its database name, so that a statement running in one
// reaches the other by its three-part name. The first database opened is the
// connection's main file (a multi-file commit then goes through a
// super-journal and is atomic across the files). Every statement runs inside
// a savepoint, so a failing one leaves nothing behind; failures are raised as
// platform::Error through the error funnel (error_funnel.h): 3200 for a delete
// or update refused by a foreign key, -2147220991 for every other failure of a
// statement, a storage failure's own number for a failure of a file or of the
// engine's bookkeeping (transaction, savepoints, catalogue). Opening a file
// checks that it is a readable, writable account-year database before anything
// is written to it.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/sqlite/catalog.h"
#include "platform/sqlite/connection.h"
#include "platform/sqlite/data_directory.h"
#include "platform/sqlite/translate_identity.h"
#include "platform/sqlite/error_funnel.h"
#include "platform/sqlite/translator.h"

namespace vantyr::platform::sqlite {

// The first row of a query, with its column names.
struct FirstRow {
    std::vector<std::string> columns;
    std::optional<std::vector<Value>> values;
    std::optional<TableRef> table;   // set when the row can be edited
    std::string afterTable;          // the query's text after its table
};

// Every row of a query, with its column names.
struct QueryRows {
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;
};

class Session {
public:
    explicit Session(DataDirectory directory) : directory_(std::move(directory)) {}

    const DataDirectory& directory() const { return directory_; }

    // Makes the account year reachable; returns its schema alias. A file that is
    // missing, locked past the wait, read-only, damaged or no account-year
    // database of this engine raises a storage failure naming it.
    std::string attach(const AccountYear& database);
    // Creates a new, empty account-year database with the catalogue tables.
    void createDatabase(const AccountYear& database);

    // Runs one statement text (a batch may hold several statements) in the
    // database of `schema`. Returns the rows changed.
    std::int64_t execute(const std::string& schema, const std::string& sql);
    // The first row of a query; with `rest`, the rows after it too.
    FirstRow firstRow(const std::string& schema, const std::string& sql,
                      std::vector<std::vector<Value>>* rest = nullptr);
    // All rows of a statement text that is one query; nothing when it is not a query.
    std::optional<QueryRows> allRows(const std::string& schema, const std::string& sql);
    // Adds one row to a table.
    void insertRow(const TableRef& table, const std::vector<std::pair<std::string, Value>>& values);
    // Writes columns of the first row that firstRow found.
    void updateFirstRow(const FirstRow& row, const std::vector<std::pair<std::string, Value>>& assignments);
    TableDefinition tableDefinition(const std::string& schema, const std::string& table);

    void begin();
    void commit();
    void rollback();
    bool inTransaction() const { return connection_ && connection_->inTransaction(); }

    // The schema alias of an account year this session has open.
    std::optional<std::string> aliasOf(const std::string& databaseName) const;
    // Sets the IDENTITY_INSERT table of the session's statements, returning the
    // one set before: a client sharing the session keeps its own setting, as a
    // connection of its own on the server would.
    std::optional<std::string> exchangeIdentityInsert(std::optional<std::string> setting) {
        std::swap(setting, identityInsertOn_);
        return setting;
    }

    Connection& connection();

private:
    std::string resolve(const std::string& schema, const std::string& database);
    ModelResolver models();
    // A duplicate key of a primary key or unique constraint, in the server's words.
    std::optional<Error> keyViolation(const SqliteFailure& f, const std::string& sql);
    // The statement text translated, when it is exactly one query.
    std::optional<Passthrough> singleQuery(const std::string& schema, const std::string& sql);
    std::string assignedMark(const TableRef& table, const std::string& column);
    std::int64_t run(const std::string& schema, const Command& command);
    std::int64_t runPassthrough(const Passthrough& command);
    // Runs one SQLite statement with its values bound, in a savepoint.
    // An insert (`insert` set) gets the identity rules.
    void writeBound(const std::string& sql, const std::vector<std::pair<std::string, Value>>& values,
                    const Passthrough* insert = nullptr);
    template <class F>
    auto guarded(const std::string& sql, F&& body, bool savepoint = true, const std::string& schema = "main");
    void checkAccountYear(const std::string& alias, const AccountYear& database);
    void forgetDatabase(const std::string& alias, const AccountYear& database);
    // Runs work of the engine's own bookkeeping in `schema`: a SQLite failure
    // in it is a storage failure, its description led by `what`.
    template <class F>
    auto ownWork(const std::string& schema, const std::string& what, F&& work);
    // Runs one statement of the engine's own bookkeeping; a failure is a storage failure.
    // `kept`: one statement run again and again (the savepoint around every statement), prepared once.
    void bookkeeping(const std::string& sql, const std::string& schema, const std::string& what, bool kept = false);
    // Gives a file about to be written the page cache SQLite gave it (files are opened with a
    // small one for reading, kReadingCacheKiB).
    void fullCacheFor(const std::string& schema);
    // Writes the catalogue rows changed since the last write; a failure is a storage failure.
    void flushCatalog(const std::string& schema, const std::string& what);
    // True when each file, read afresh, holds the commit number given it;
    // `unknown` says why when a file could not be read.
    bool saved(const std::vector<std::pair<AccountYear, std::int64_t>>& written, std::string& unknown) const;
    // The files a failure in `schema` may concern, that one first.
    FailureFiles files(const std::string& schema) const;

    DataDirectory directory_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<Catalog> catalog_;
    std::unique_ptr<IdentityRules> identity_;      // identity numbering of inserts on connection_
    std::map<std::string, std::string> aliases_;   // lower-case database name -> schema alias
    std::map<std::string, AccountYear> opened_;    // schema alias -> its account year
    std::optional<std::string> identityInsertOn_;  // "schema.table" in lower case
    // schema alias -> the cache_size SQLite gave it, for the files no statement has written yet
    std::map<std::string, std::int64_t> fullCache_;
    static constexpr int kReadingCacheKiB = -512;   // as cache_size takes it: negative, in KiB
};

}  // namespace vantyr::platform::sqlite
