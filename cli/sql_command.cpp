#include "cli/sql_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/backend.h"
#include "cli/validation.h"
#include "platform/odbc/connection_string.h"
#include "platform/odbc/session.h"
#include "platform/error.h"
#include "platform/sqlite/session.h"

namespace vantyr::cli {
namespace {

using platform::Value;

std::string cellText(const Value& v) { return v.isNull() ? "NULL" : v.toText(); }

nlohmann::json cellJson(const Value& v) {
    if (v.isNull()) return nullptr;
    if (v.isText()) return v.toText();
    double d = v.toDouble();
    if (d == static_cast<double>(static_cast<std::int64_t>(d))) return static_cast<std::int64_t>(d);
    return d;
}

void printTable(const platform::sqlite::QueryRows& r, std::ostream& out) {
    std::vector<std::size_t> widths;
    for (const auto& c : r.columns) widths.push_back(c.size());
    for (const auto& row : r.rows)
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], cellText(row[i]).size());
    auto line = [&](auto cell) {
        std::string text;
        for (std::size_t i = 0; i < widths.size(); ++i) {
            std::string s = cell(i);
            text += (i ? " | " : "") + s + std::string(widths[i] - std::min(widths[i], s.size()), ' ');
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out << text << "\n";
    };
    line([&](std::size_t i) { return r.columns[i]; });
    line([&](std::size_t i) { return std::string(widths[i], '-'); });
    for (const auto& row : r.rows) line([&](std::size_t i) { return cellText(row[i]); });
    out << "(" << r.rows.size() << (r.rows.size() == 1 ? " row)\n" : " rows)\n");
}

}  // namespace

int printRows(const platform::sqlite::QueryRows& rows, bool json, Console& console) {
    if (!json) {
        printTable(rows, console.out);
        return kExitCommitted;
    }
    for (const auto& row : rows.rows) {
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        for (std::size_t i = 0; i < row.size(); ++i) object[rows.columns[i]] = cellJson(row[i]);
        console.out << object.dump() << "\n";
    }
    return kExitCommitted;
}

// On a server the statement is sent unchanged in the account year's database;
// a text that begins with SELECT is read as a query.
int runOnServer(const SqlOptions& o, const BackendChoice& where, Console& console) {
    std::unique_ptr<platform::odbc::Session> server;
    try {
        server = std::make_unique<platform::odbc::Session>(connectionStringOf(where));
    } catch (const platform::Error& e) {
        console.err << "vantyr: cannot open the databases: " << platform::odbc::maskSecrets(e.description()) << "\n";
        return kExitUsage;
    }
    std::string database = "QXDATA_" + o.account + "_" + o.year;
    auto start = o.statement.find_first_not_of(" \t\r\n");
    bool query = start != std::string::npos && o.statement.size() >= start + 6 &&
                 std::equal(o.statement.begin() + static_cast<std::ptrdiff_t>(start),
                            o.statement.begin() + static_cast<std::ptrdiff_t>(start) + 6, "select",
                            [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
    try {
        if (query) {
            platform::sqlite::QueryRows rows;
            auto first = server->firstRow(database, o.statement, &rows.rows);
            rows.columns = first.columns;
            if (first.values) rows.rows.insert(rows.rows.begin(), *first.values);
            return printRows(rows, o.json, console);
        }
        auto changed = server->execute(database, o.statement);
        console.out << changed << (changed == 1 ? " row affected\n" : " rows affected\n");
        return kExitCommitted;
    } catch (const platform::Error& e) {
        console.err << "vantyr: the statement failed (" << e.number() << "): " << platform::odbc::maskSecrets(e.description())
                    << "\n";
        return platform::isStorageFailure(e.number()) ? kExitUsage : kExitFailed;
    }
}

int runSql(const SqlOptions& o, Console& console) {
    for (auto problem : {checkAccount(o.account), checkYear(o.year)}) {
        if (problem) {
            console.err << "vantyr: " << *problem << "\n";
            return kExitUsage;
        }
    }
    BackendChoice where = choiceOf(o);
    if (auto problem = checkBackendChoice(where)) {
        console.err << "vantyr: " << *problem << "\n";
        return kExitUsage;
    }
    if (onServer(where)) return runOnServer(o, where, console);
    platform::sqlite::DataDirectory directory(o.data);
    auto database = directory.locate(o.account, o.year);
    if (!std::filesystem::is_regular_file(database.path)) {
        console.err << "vantyr: no account-year database " << database.path.string() << "\n";
        return kExitUsage;
    }
    platform::sqlite::Session session(directory);
    std::string schema;
    try {
        schema = session.attach(database);
    } catch (const platform::Error& e) {
        console.err << "vantyr: cannot open " << database.path.string() << ": " << e.description() << "\n";
        return kExitUsage;
    }
    try {
        if (auto rows = session.allRows(schema, o.statement)) return printRows(*rows, o.json, console);
        auto changed = session.execute(schema, o.statement);
        console.out << changed << (changed == 1 ? " row affected\n" : " rows affected\n");
        return kExitCommitted;
    } catch (const platform::Error& e) {
        console.err << "vantyr: the statement failed (" << e.number() << "): " << e.description() << "\n";
        return kExitFailed;
    }
}

CLI::App* addSqlCommand(CLI::App& app, SqlOptions& o) {
    auto* sql = app.add_subcommand("sql", "run one statement on an account-year database with the carry-over's rules");
    addBackendOptions(*sql, o, "data directory of the account-year databases");
    sql->add_option("--account", o.account, "company account number, e.g. 001")->required();
    sql->add_option("--year", o.year, "fiscal year of the database, e.g. 2005")->required();
    sql->add_flag("--json", o.json, "print each row as one JSON object a line");
    sql->add_option("statement", o.statement, "the statement, in the suite's SQL dialect")->required();
    sql->footer("Exit codes:\n  0  done\n  2  the statement failed (nothing of it was kept)\n"
                "  3  bad arguments or environment\n");
    return sql;
}

}  // namespace vantyr::cli
