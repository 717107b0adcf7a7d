#pragma once
// The backend's own statements for changing the first row of a recordset
// or adding a row to the query's table. The component's statements are
// never rewritten; these are built here because ODBC has no portable
// positioned update.
//
// How the row is found again: an UPDATE of the query's one table whose WHERE
// clause compares every column of the row that compares exactly (integers,
// bit and bounded character columns) with the value read, NULL by IS NULL,
// and that changes at most one row (SQL Server: UPDATE TOP (1); SQLite: the
// first rowid that matches). Rows equal in all those columns are
// indistinguishable to the caller, so changing any one of them is changing
// "the first row". Floating, decimal, date, long and binary columns are left
// out of the comparison: their values do not survive the round trip exactly.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/odbc/diagnostics.h"
#include "platform/value.h"

namespace vantyr::platform::odbc {

// The first row of a query with its column names and ODBC SQL types; `table`
// is the query's one table, as written, when the row can be changed.
struct FirstRow {
    std::string database;
    std::vector<std::string> columns;
    std::vector<short> types;
    std::optional<std::vector<Value>> values;
    std::optional<std::string> table;
};

using Assignments = std::vector<std::pair<std::string, Value>>;

// A statement text with the values of its parameter markers, in order.
struct BoundStatement {
    std::string sql;
    std::vector<Value> values;
};

// The one table that "select ... from <table> [where|order by ...]" reads,
// as written; nullopt for joins, several tables, subqueries or anything else.
std::optional<std::string> queryTable(std::string_view sql);

// "[name]" with any ']' doubled.
std::string quoteName(std::string_view name);

// True for the ODBC SQL types whose values compare exactly after a round trip.
bool identifiesRow(short sqlType);

BoundStatement updateFirstRow(Dialect dialect, const FirstRow& row, const Assignments& assignments);
BoundStatement insertRow(const FirstRow& row, const Assignments& values);

}  // namespace vantyr::platform::odbc
