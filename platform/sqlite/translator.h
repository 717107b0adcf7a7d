#pragma once
// Turns the SQL Server statement texts the component sends into commands the
// embedded engine can carry out: plain statements rewritten for SQLite
// (three-part and bracketed names, N'' literals, the executing database for
// unqualified tables) and the server forms SQLite lacks (identity switches,
// select into, named constraints and defaults, default objects, IF EXISTS).
// Expressions are typed from the table models and literals and carry the
// server's meaning; values stored into a modelled table are converted to the
// column's type where a conversion can change them.
// A form it does not know raises UnsupportedStatement: it never guesses.
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/sqlite/table_model.h"

namespace vantyr::platform::sqlite {

class UnsupportedStatement : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TableRef {
    std::string schema;   // the SQLite schema alias of the database
    std::string table;
};

// Maps a database name ("" for the executing object's own) to its schema
// alias. Raises when the database is not reachable on this connection.
using SchemaResolver = std::function<std::string(const std::string& database)>;

enum class Verb { Select, Insert, Update, Delete };

// Where the parts of an INSERT's SQLite text lie, as offsets into it:
// [WITH ...] INSERT INTO target [(columns)] source.
struct InsertLayout {
    std::size_t withEnd = 0;       // after a WITH clause before the INSERT; 0 without one
    std::size_t headEnd = 0;       // after the target's name (the WITH clause included)
    std::size_t sourceStart = 0;   // where VALUES, SELECT or DEFAULT VALUES begins
    // A plain SELECT source: where its FROM begins, counted from sourceStart.
    std::optional<std::size_t> plainFrom;
};
struct Passthrough {
    std::string sql;
    Verb verb = Verb::Select;
    std::optional<TableRef> target;                      // INSERT/UPDATE/DELETE; SELECT: its one table
    std::string afterTarget;                             // SELECT from one table: the text after that table
    bool singleTable = false;                            // SELECT: reads exactly one table
    std::optional<std::vector<std::string>> insertColumns;  // INSERT with a column list
    std::optional<InsertLayout> insertLayout;            // INSERT: set by the translator
};
struct IdentityInsert {
    TableRef table;
    bool on = false;
};
struct SelectInto {
    TableRef target, source;
    bool topZero = false;
    std::string whereSql;   // rewritten rest after the source, may be empty
};
struct DropTable {
    TableRef table;
};
struct AddConstraint {
    TableRef table;
    ConstraintDef constraint;   // name empty: the server names it
    bool check = true;          // false: WITH NOCHECK
};
struct AddDefault {
    TableRef table;
    std::string name, expression, column;   // name empty: the server names it
};
struct DropConstraint {
    TableRef table;
    std::string name;
};
struct AddColumns {
    TableRef table;
    std::vector<ColumnDef> columns;
};
struct AlterColumn {
    TableRef table;
    ColumnDef column;
};
struct BindDefault {
    std::string schema, defaultName, table, column;
};
struct CreateTable {
    TableRef table;
    TableModel model;
};
struct CreateIndex {
    TableRef table;
    IndexDef index;
};
struct CreateDefault {
    std::string schema, name, expression;
};
// Views, procedures and triggers: catalogue objects with their full text.
enum class ModuleKind { View, Procedure, Trigger };
struct CreateModule {
    ModuleKind kind = ModuleKind::View;
    TableRef name;
    bool alter = false;                  // ALTER VIEW: replaces an existing view
    std::string text;                    // the statement as sent
    std::string viewSelect;              // View: the query in SQLite form
    std::optional<TableRef> table;       // Trigger: the table it belongs to
};
struct DropModule {
    ModuleKind kind = ModuleKind::View;
    TableRef name;
};
struct RunProcedure {
    TableRef name;
};
struct DropIndex {   // DROP INDEX table.index
    TableRef table;
    std::string index;
};
struct IfExists;

using Command = std::variant<Passthrough, IdentityInsert, SelectInto, DropTable, AddConstraint, AddDefault,
                             DropConstraint, AddColumns, AlterColumn, BindDefault, CreateTable, CreateIndex,
                             CreateDefault, std::shared_ptr<IfExists>, CreateModule, DropModule, RunProcedure, DropIndex>;

struct IfExists {
    bool negate = false;
    std::string querySql;
    Command then;
};

// The model of a table, when the catalogue holds one: the translator types
// column references by it and converts stored values to its column types.
using ModelResolver = std::function<ModelRef(const TableRef& table)>;

// The commands of one statement text (a batch may hold several), in order.
std::vector<Command> translate(std::string_view sql, const SchemaResolver& resolve, const ModelResolver& models = {});

}  // namespace vantyr::platform::sqlite
