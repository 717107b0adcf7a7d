#pragma once
// The SQL Server shape of one table, as the embedded engine keeps it beside
// the SQLite table: columns with their server types, identity, named and
// bound defaults; named PRIMARY KEY, UNIQUE and FOREIGN KEY constraints; and
// indexes. SQLite cannot alter most of these in place, so every change writes
// a new model and the table is rebuilt from it.
#include <optional>
#include <string>
#include <vector>

namespace vantyr::platform::sqlite {

struct ColumnDef {
    std::string name;
    std::string type;            // as the server spells it: varchar(20), float, tinyint ...
    bool nullable = true;
    bool identity = false;
    std::string defaultName;     // a named DEFAULT constraint
    std::string boundDefault;    // a default object bound with sp_bindefault
    std::string defaultExpr;     // the expression of either (SQLite form)
    bool hasDefault() const { return !defaultExpr.empty(); }
};

enum class ConstraintKind { PrimaryKey, Unique, ForeignKey };

struct ConstraintDef {
    std::string name;
    ConstraintKind kind = ConstraintKind::PrimaryKey;
    std::vector<std::string> columns;
    std::string refTable;                  // ForeignKey
    std::vector<std::string> refColumns;   // ForeignKey
};

struct IndexDef {
    std::string name;
    std::vector<std::string> columns;
    bool unique = false;
};

struct TableModel {
    std::string name;
    std::vector<ColumnDef> columns;
    std::vector<ConstraintDef> constraints;
    std::vector<IndexDef> indexes;

    ColumnDef* column(const std::string& name);
    const ColumnDef* column(const std::string& name) const;
    const ColumnDef* identityColumn() const;
    const ConstraintDef* primaryKey() const;
    const ConstraintDef* constraint(const std::string& name) const;
    const IndexDef* index(const std::string& name) const;
    // The column that carries the named default constraint, if any.
    ColumnDef* columnWithDefault(const std::string& constraintName);

    std::string toJson() const;
    static TableModel fromJson(const std::string& json);
};

// True for the server's character types, which compare under the text collation.
bool textType(const std::string& type);

// The SQLite statements that create the table of the model in a schema:
// the table, its indexes and (for an identity column that is not the table's
// integer key) the trigger and index that number new rows.
std::vector<std::string> createStatements(const TableModel& model, const std::string& schema);
// The SQLite name of an index of the model (index names are per table on the server).
std::string sqliteIndexName(const std::string& table, const std::string& index);

}  // namespace vantyr::platform::sqlite
