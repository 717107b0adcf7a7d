#pragma once
// The SQL Server catalogue of one account-year database as far as the
// component's statements need it, kept in tables of the database itself:
// the table models (vantyr_tables), sysobjects (tables, views, named
// constraints, defaults), sysindexes, and default objects. Names compare
// without regard to case. Failures raise CatalogError with the server's
// wording of the refusal.
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/sqlite/connection.h"
#include "platform/sqlite/table_model.h"

namespace vantyr::platform::sqlite {

class CatalogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Catalog {
public:
    explicit Catalog(Connection& connection) : db_(connection) {}

    // Creates the catalogue tables in a new database (schema alias).
    void install(const std::string& schema);

    std::optional<TableModel> table(const std::string& schema, const std::string& name);
    bool objectExists(const std::string& schema, const std::string& name);
    // The table that owns a named constraint or default, if any.
    std::optional<std::string> ownerOf(const std::string& schema, const std::string& objectName);

    void createTable(const std::string& schema, TableModel model);
    // Replaces a table's model and rebuilds the SQLite table with its rows.
    // `carried` names the columns whose values come over (default: all of
    // the model's); the others take their defaults.
    void rebuildTable(const std::string& schema, const TableModel& model,
                      const std::vector<std::string>* carried = nullptr);
    // Records a changed model whose SQLite table needs no rebuild (a new index).
    void updateModel(const std::string& schema, const TableModel& model);
    void dropTable(const std::string& schema, const std::string& name);

    void createDefaultObject(const std::string& schema, const std::string& name, const std::string& expression);
    std::optional<std::string> defaultObject(const std::string& schema, const std::string& name);

    // Forget cached models (after a rollback).
    void forget() { cache_.clear(); }

private:
    std::string key(const std::string& schema, const std::string& name) const;
    // Prepares sql with the values bound and steps it once; true when it gave a row.
    bool step(const std::string& sql, std::initializer_list<Value> values, Value* first = nullptr);
    void saveModel(const std::string& schema, const TableModel& model);
    void refreshObjects(const std::string& schema, const TableModel& model);
    void ensureNewObjectNames(const std::string& schema, const TableModel& model, const std::string& ownerTable);
    void createSqlite(const std::string& schema, const TableModel& model);

    Connection& db_;
    std::map<std::string, std::optional<TableModel>> cache_;
};

}  // namespace vantyr::platform::sqlite
