#pragma once
// The SQL Server shape of one table, as the embedded engine keeps it beside
// the SQLite table: columns with their server types, identity, named and
// bound defaults; named PRIMARY KEY, UNIQUE and FOREIGN KEY constraints; and
// indexes. The SQLite table holds the columns, their defaults, NOT NULL and
// the foreign keys; primary keys, unique constraints and indexes are unique
// or plain indexes beside it, so that each can be added and dropped alone.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sqlite/conversion.h"

namespace vantyr::platform::sqlite {

struct ColumnDef {
    std::string name;
    std::string type;            // as the server spells it: varchar(20), float, tinyint ...
    bool nullable = true;
    bool identity = false;
    std::string defaultName;     // a named DEFAULT constraint
    std::string boundDefault;    // a default object bound with sp_bindefault
    std::string defaultExpr;     // the expression of either (SQLite form)
    std::int64_t seed = 1;       // identity(seed, increment)
    std::int64_t increment = 1;
    // Rows older than the column (added by ALTER TABLE ADD) read SQLite's
    // default of the column as it was when it was added: that default, "" for none.
    std::optional<std::string> addedDefault;
    // False for a default added to an existing column: it lives in the model
    // only, and the translator fills it in for inserts that leave the column out.
    bool defaultInTable = true;
    bool hasDefault() const { return !defaultExpr.empty(); }
    // The type parsed; the type of its values for an identity column (int).
    const ServerType& valueType() const {
        if (parsedFrom_ != type || !parsedOnce_) parsed_ = parseServerType(type), parsedFrom_ = type, parsedOnce_ = true;
        static constexpr ServerType kIdentity{TypeKind::Int};
        return identity ? kIdentity : parsed_;
    }

    // valueType()'s parse of `type`, kept until the type changes.
    mutable std::string parsedFrom_;
    mutable ServerType parsed_;
    mutable bool parsedOnce_ = false;
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

struct TableModel;
// A table model as the catalogue keeps it: shared, never changed in place.
using ModelRef = std::shared_ptr<const TableModel>;

struct TableModel {
    std::string name;
    std::vector<ColumnDef> columns;
    std::vector<ConstraintDef> constraints;
    std::vector<IndexDef> indexes;

    ColumnDef* column(const std::string& name);
    const ColumnDef* column(const std::string& name) const;
    // The same, searching from `hint` on (the column after the last one
    // found, which callers walking a column list in the model's order keep).
    const ColumnDef* column(std::string_view name, std::size_t& hint) const;
    const ColumnDef* identityColumn() const;
    const ConstraintDef* primaryKey() const;
    bool holdsForeignKey() const;
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
// the table, then the unique indexes of its keys and its indexes.
std::vector<std::string> createStatements(const TableModel& model, const std::string& schema);
// The CREATE TABLE text of the model as SQLite keeps it (no schema prefix).
std::string tableDefinition(const TableModel& model);
// The SQLite column definition (name, type, NOT NULL, default, collation).
std::string columnDefinition(const ColumnDef& column);
// The statement that creates the index of one key or index of the model.
std::string createIndexStatement(const std::string& schema, const std::string& table, const std::string& name,
                                 const std::vector<std::string>& columns, bool unique);
// The SQLite name of an index of the model (index names are per table on the server).
std::string sqliteIndexName(const std::string& table, const std::string& index);
// True when the default is one literal (SQLite's ALTER TABLE ADD accepts no expression).
bool literalDefault(const std::string& expression);

}  // namespace vantyr::platform::sqlite
