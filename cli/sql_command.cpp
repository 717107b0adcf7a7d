#include "cli/sql_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/validation.h"
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

int runSql(const SqlOptions& o, Console& console) {
    for (auto problem : {checkAccount(o.account), checkYear(o.year)}) {
        if (problem) {
            console.err << "vantyr: " << *problem << "\n";
            return kExitUsage;
        }
    }
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
        if (auto rows = session.allRows(schema, o.statement)) {
            if (!o.json) {
                printTable(*rows, console.out);
                return kExitCommitted;
            }
            for (const auto& row : rows->rows) {
                nlohmann::ordered_json object = nlohmann::ordered_json::object();
                for (std::size_t i = 0; i < row.size(); ++i) object[rows->columns[i]] = cellJson(row[i]);
                console.out << object.dump() << "\n";
            }
            return kExitCommitted;
        }
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
    sql->add_option("--data", o.data, "data directory of the account-year databases")->required();
    sql->add_option("--account", o.account, "company account number, e.g. 001")->required();
    sql->add_option("--year", o.year, "fiscal year of the database, e.g. 2005")->required();
    sql->add_flag("--json", o.json, "print each row as one JSON object a line");
    sql->add_option("statement", o.statement, "the statement, in the suite's SQL dialect")->required();
    sql->footer("Exit codes:\n  0  done\n  2  the statement failed (nothing of it was kept)\n"
                "  3  bad arguments or environment\n");
    return sql;
}

}  // namespace vantyr::cli
