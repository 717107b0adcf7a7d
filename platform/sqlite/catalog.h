#pragma once
// The SQL Server catalogue of one account-year database as far as the
// component's statements need it, kept in tables of the database itself:
// the table models (vantyr_tables), sysobjects (tables, views, named
// constraints, defaults), sysindexes, default objects and the identity
// counters (vantyr_identity, one row per table). The models and counters a
// transaction changes are written in it, once each, before it commits (see
// flush()). Names compare without regard to case.
// Metadata changes never copy a table where SQLite can express them in place:
// columns are added with ALTER TABLE ADD COLUMN, keys are unique indexes, and
// defaults, NOT NULL and foreign keys are changed by rewriting the table's
// definition in the SQLite schema (its stored rows keep their format). Only a
// column whose type changes its SQLite affinity is rebuilt. Failures raise
// CatalogError with the server's number and wording of the refusal.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/sqlite/connection.h"
#include "platform/sqlite/table_model.h"
#include "platform/sqlite/text_map.h"

namespace vantyr::platform::sqlite {

class CatalogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    // "Msg N: text", as the server reports error N.
    CatalogError(int serverNumber, const std::string& text)
        : std::runtime_error("Msg " + std::to_string(serverNumber) + ": " + text), number_(serverNumber) {}
    int serverNumber() const noexcept { return number_; }

private:
    int number_ = 0;
};

class Catalog {
public:
    explicit Catalog(Connection& connection) : db_(connection) {}

    // Creates the catalogue tables in a new database (schema alias).
    void install(const std::string& schema);

    ModelRef table(const std::string& schema, const std::string& name);
    bool objectExists(const std::string& schema, const std::string& name);

    void createTable(const std::string& schema, TableModel model);
    // Replaces a table's model and rebuilds the SQLite table with its rows.
    // `carried` names the columns whose values come over (default: all of
    // the model's); the others take their defaults.
    void rebuildTable(const std::string& schema, const TableModel& model,
                      const std::vector<std::string>* carried = nullptr);
    // Records a changed model whose SQLite table needs no rebuild (a new index).
    void updateModel(const std::string& schema, TableModel model);
    // The same for a model that differs from the kept one by one index, added or dropped.
    void updateModel(const std::string& schema, TableModel model, const std::string& index, bool added);
    void dropTable(const std::string& schema, const std::string& name);

    // ALTER TABLE ... ADD columns, all or none (the caller's savepoint); an
    // identity column numbers the existing rows in their order.
    void addColumns(const std::string& schema, const std::string& table, std::vector<ColumnDef> columns);
    // ALTER TABLE ... ALTER COLUMN: new type and nullability, default kept.
    void alterColumn(const std::string& schema, const std::string& table, const ColumnDef& column);
    // ADD CONSTRAINT name DEFAULT expr FOR column (name empty: the server names it),
    // or a default object bound with sp_bindefault (boundName set).
    void setDefault(const std::string& schema, const std::string& table, const std::string& column,
                    const std::string& name, const std::string& expression, const std::string& boundName = {});
    // ADD PRIMARY KEY / UNIQUE / FOREIGN KEY; `check` false for WITH NOCHECK
    // (existing rows are not checked against a new foreign key).
    void addConstraint(const std::string& schema, const std::string& table, ConstraintDef constraint, bool check);
    // DROP CONSTRAINT: a key, a foreign key or a named default.
    void dropConstraint(const std::string& schema, const std::string& table, const std::string& name);

    // The last identity value handed out for the table (none yet: nullopt);
    // for a table without a counter row, the furthest value it holds.
    std::optional<std::int64_t> identityLast(const std::string& schema, const std::string& table);
    void setIdentityLast(const std::string& schema, const std::string& table, std::optional<std::int64_t> last);

    void createDefaultObject(const std::string& schema, const std::string& name, const std::string& expression);
    std::optional<std::string> defaultObject(const std::string& schema, const std::string& name);

    // The name of a trigger on the table, if it has one.
    std::optional<std::string> triggerOn(const std::string& schema, const std::string& table);

    // Models read once are kept until something may have changed them:
    // forget() drops them all (a rolled-back transaction);
    // forgetChangedElsewhere() drops them all when another connection
    // committed to one of the files since they were read.
    //
    // The rows of vantyr_tables and vantyr_identity are written by flush(),
    // in the transaction, before it commits: a table given twenty defaults
    // is written once. Until then the models and counters here are the
    // catalogue. A statement's changes are marked with statementStarts();
    // statementUndone() puts back what it changed (its savepoint was rolled
    // back), statementKept() keeps it.
    void forget();
    void forgetChangedElsewhere();
    void statementStarts() {
        statementModels_.clear(), statementCounters_.clear();
        statementTriggers_ = statementIdentityTable_ = false;
    }
    void statementKept() { statementStarts(); }
    void statementUndone();
    // Writes the models and counters changed since the last flush.
    void flush();
    // After triggers were created or dropped.
    void forgetTriggers() { triggers_.clear(), statementTriggers_ = true; }
    // After a statement of the caller's own wrote sysobjects.
    void forgetObjectIds() { tableIds_.clear(); }

private:
    std::string key(const std::string& schema, const std::string& name) const;
    // The sysobjects xtype of a constraint: PK, UQ, F.
    static const char* xtype(ConstraintKind kind);
    // Prepares sql with the values bound and steps it once; true when it gave a row.
    bool step(const std::string& sql, std::initializer_list<Value> values, Value* first = nullptr);
    // Runs a kept statement and hands each row to `row`.
    void eachRow(const std::string& sql, std::initializer_list<Value> values, const std::function<void(Statement&)>& row);
    // The connection's kept statement for sql with the values bound.
    Statement& bound(const std::string& sql, std::initializer_list<Value> values);
    // The texts of the schema's models by lower-case name, read in one go; a
    // model written since is no longer among them (cache_ holds it).
    TextMap<std::string>& definitionTexts(const std::string& schema);
    // Keeps the model as the table's (written by flush()); returns it as kept.
    ModelRef saveModel(const std::string& schema, TableModel model);
    void refreshObjects(const std::string& schema, const TableModel& model);
    // One object of the table added or gone (add false): its sysobjects row
    // (xtype null: none, a plain index) and its sysindexes row (`index`).
    void objectRows(const std::string& schema, const TableModel& model, const std::string& name, const char* xtype,
                    bool index, bool add);
    // Refuses a constraint or default name (of `only`, when given) that another object has.
    void ensureNewObjectNames(const std::string& schema, const TableModel& model, const std::string& ownerTable,
                              const std::vector<std::string>* only = nullptr);
    void createSqlite(const std::string& schema, const TableModel& model);
    // Writes the model's definition over the SQLite table's, in place.
    void rewriteDefinition(const std::string& schema, TableModel model);
    // Gives unnamed defaults and constraints the names the server gives them.
    void nameObjects(const std::string& schema, TableModel& model);
    // Unique in the database and among the names the model already holds.
    std::string serverName(const std::string& schema, const char* prefix, const std::string& table,
                           const std::string& column, const TableModel& model);
    void checkForeignKey(const std::string& schema, const TableModel& child, ConstraintDef& key);
    // Foreign keys of other tables that reference `table` ("child.key").
    std::vector<std::string> referencesTo(const std::string& schema, const std::string& table,
                                          const std::vector<std::string>* columns = nullptr);
    bool hasRows(const std::string& schema, const std::string& table);
    // The id of the table's own sysobjects row (none: it has none), kept once read.
    std::optional<std::int64_t> tableObjectId(const std::string& schema, const std::string& table);
    TableModel require(const std::string& schema, const std::string& table);
    void ensureIdentityTable(const std::string& schema);
    static std::string identityTable(const std::string& schema);   // its CREATE TABLE
    // The schema's identity counters (lower-case table -> last value handed out), read once.
    TextMap<std::optional<std::int64_t>>& counters(const std::string& schema);
    // Note an entry as it was before the statement first changes it.
    void rememberModel(const std::string& key);
    void rememberCounter(const std::string& schema, const std::string& lowerName);
    void rememberCounter(const std::string& key, const std::string& schema, const std::string& lowerName,
                         const TextMap<std::optional<std::int64_t>>& counters);

    Connection& db_;
    TextMap<ModelRef> cache_;   // null: no such table
    // lower-case table name -> the text last parsed for it and its model
    // (a model is all its text says, whichever file holds it)
    TextMap<std::pair<std::string, ModelRef>> parsed_;
    // schema -> (table -> its model's text), read in one query; an entry is
    // dropped once the model is written (cache_ then holds it)
    std::map<std::string, std::optional<TextMap<std::string>>> definitions_;
    // schema -> (table -> its identity counter), read in one query
    std::map<std::string, std::optional<TextMap<std::optional<std::int64_t>>>> counters_;
    std::map<std::string, bool> identityTables_;   // schema -> has vantyr_identity
    // key(schema, table) -> the id of its sysobjects row. The row of a table
    // keeps its id until the table is dropped; a statement undone or a change
    // made elsewhere drops them all.
    TextMap<std::int64_t> tableIds_;
    // schema -> (table -> its trigger), read once per schema
    std::map<std::string, std::optional<std::map<std::string, std::string>>> triggers_;
    // schema -> the tables whose models hold a foreign key, read once per schema
    std::map<std::string, std::optional<std::set<std::string>>> foreignKeyTables_;
    // Models and counters not yet written (key -> schema and table name): a
    // model's is in cache_ (null: the table's row goes), a counter's in
    // counters_ (none: its row goes).
    std::map<std::string, std::pair<std::string, std::string>> pendingModels_, pendingCounters_;
    // What the statement being run changed, as it was before: key -> the
    // cache_ entry (none: there was none), and whether it was pending.
    struct ModelBefore {
        std::optional<ModelRef> cached;
        std::optional<std::pair<std::string, std::string>> pending;
    };
    struct CounterBefore {
        std::string schema, lowerName;
        std::optional<std::optional<std::int64_t>> value;   // none: the table had no counter
        std::optional<std::pair<std::string, std::string>> pending;
    };
    std::map<std::string, ModelBefore> statementModels_;
    std::map<std::string, CounterBefore> statementCounters_;
    bool statementTriggers_ = false;        // the statement read, created or dropped triggers
    bool statementIdentityTable_ = false;   // the statement created a counter table
    std::map<std::string, std::int64_t> dataVersions_;   // schema -> data_version when its first model was read
};

}  // namespace vantyr::platform::sqlite
