#include "platform/odbc/row_statements.h"

#include <algorithm>
#include <cctype>

#include "platform/error.h"
#include "platform/odbc/handles.h"

namespace vantyr::platform::odbc {
namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The words of a simple query, with bracketed and dotted names kept whole.
std::vector<std::string> words(std::string_view sql) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < sql.size()) {
        if (isSpace(sql[i])) {
            ++i;
            continue;
        }
        std::size_t start = i;
        if (sql[i] == ',' || sql[i] == '(' || sql[i] == ')' || sql[i] == ';') {
            out.emplace_back(1, sql[i++]);
            continue;
        }
        while (i < sql.size() && !isSpace(sql[i]) && sql[i] != ',' && sql[i] != '(' && sql[i] != ')' && sql[i] != ';') {
            if (sql[i] == '[') {
                auto close = sql.find(']', i);
                i = close == std::string_view::npos ? sql.size() : close + 1;
            } else if (sql[i] == '\'') {
                auto close = sql.find('\'', i + 1);
                i = close == std::string_view::npos ? sql.size() : close + 1;
            } else {
                ++i;
            }
        }
        out.emplace_back(sql.substr(start, i - start));
    }
    return out;
}

}  // namespace

std::optional<std::string> queryTable(std::string_view sql) {
    auto w = words(sql);
    if (w.empty() || lower(w[0]) != "select") return std::nullopt;
    auto from = std::find_if(w.begin(), w.end(), [](const std::string& x) { return lower(x) == "from"; });
    if (from == w.end() || from + 1 == w.end()) return std::nullopt;
    std::string table = *(from + 1);
    if (table == "(") return std::nullopt;
    for (auto it = from + 2; it != w.end(); ++it) {
        std::string x = lower(*it);
        if (x == "where" || x == "order" || x == ";") break;
        if (x == "," || x == "join" || x == "union" || x == "(") return std::nullopt;
    }
    return table;
}

std::string quoteName(std::string_view name) {
    std::string out = "[";
    for (char c : name) out += c == ']' ? std::string("]]") : std::string(1, c);
    return out + "]";
}

bool identifiesRow(short sqlType) {
    switch (sqlType) {
        case SQL_BIT: case SQL_TINYINT: case SQL_SMALLINT: case SQL_INTEGER: case SQL_BIGINT:
        case SQL_CHAR: case SQL_VARCHAR: case SQL_WCHAR: case SQL_WVARCHAR:
            return true;
        default:
            return false;
    }
}

BoundStatement updateFirstRow(Dialect dialect, const FirstRow& row, const Assignments& assignments) {
    if (!row.table || !row.values) throw Error(kErrReadOnly, "Cannot update. Database or object is read-only.");
    BoundStatement out;
    std::string set;
    for (const auto& [name, value] : assignments) {
        set += (set.empty() ? "" : ", ") + quoteName(name) + " = ?";
        out.values.push_back(value);
    }
    std::string where;
    for (std::size_t i = 0; i < row.columns.size(); ++i) {
        if (!identifiesRow(row.types[i])) continue;
        const Value& v = (*row.values)[i];
        where += where.empty() ? "" : " AND ";
        if (v.isNull()) {
            where += quoteName(row.columns[i]) + " IS NULL";
        } else {
            where += quoteName(row.columns[i]) + " = ?";
            out.values.push_back(v);
        }
    }
    if (where.empty()) where = "1 = 1";
    const std::string& table = *row.table;
    if (dialect == Dialect::SqlServer)
        out.sql = "UPDATE TOP (1) " + table + " SET " + set + " WHERE " + where;
    else
        out.sql = "UPDATE " + table + " SET " + set + " WHERE rowid = (SELECT rowid FROM " + table + " WHERE " + where + " LIMIT 1)";
    return out;
}

BoundStatement insertRow(const FirstRow& row, const Assignments& values) {
    if (!row.table) throw Error(kErrReadOnly, "Cannot update. Database or object is read-only.");
    BoundStatement out;
    std::string names, marks;
    for (const auto& [name, value] : values) {
        names += (names.empty() ? "" : ", ") + quoteName(name);
        marks += marks.empty() ? "?" : ", ?";
        out.values.push_back(value);
    }
    out.sql = "INSERT INTO " + *row.table + " (" + names + ") VALUES (" + marks + ")";
    return out;
}

}  // namespace vantyr::platform::odbc
