#include "platform/odbc/server_demo.h"

#include <filesystem>
#include <random>
#include <set>

#include "platform/error.h"
#include "platform/odbc/account_years.h"
#include "platform/odbc/row_statements.h"
#include "platform/odbc/session.h"
#include "platform/sqlite/account_schema.h"
#include "platform/sqlite/catalog.h"
#include "platform/sqlite/connection.h"
#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::odbc {
namespace {

// The embedded engine's own tables, and accinformation, whose rows the
// schema statements insert themselves.
const std::set<std::string> kNotCopied = {"accinformation", "vantyr_tables", "vantyr_defaults", "sysobjects", "sysindexes"};

const char* const kYears[] = {"2004", "2005"};

// A scratch directory for the generated year, removed when done.
class Scratch {
public:
    Scratch() {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() / ("vantyr-demo-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A date of the generator ("2004-03-15") in the form every server language
// reads the same way ("20040315").
Value serverValue(const sqlite::ColumnDef& column, const Value& value) {
    if (!value.isText() || sqlite::lowerCase(column.type).find("date") == std::string::npos) return value;
    std::string text = value.toText();
    if (text.size() == 10 && text[4] == '-' && text[7] == '-') return Value(text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2));
    return value;
}

std::int64_t copyTable(sqlite::Connection& file, const sqlite::TableModel& model, Session& session, const std::string& database) {
    std::vector<const sqlite::ColumnDef*> columns;
    std::string names;
    for (const auto& c : model.columns) {
        if (c.identity) continue;  // the server numbers them, 1 up, as the generator did
        columns.push_back(&c);
        names += (names.empty() ? "" : ", ") + sqlite::quoteName(c.name);
    }
    FirstRow target;
    target.database = database;
    target.table = quoteName(model.name);
    std::int64_t rows = 0;
    auto st = file.prepare("SELECT " + names + " FROM " + sqlite::quoteName(model.name) + " ORDER BY rowid");
    while (st.step()) {
        Assignments values;
        for (std::size_t i = 0; i < columns.size(); ++i)
            values.emplace_back(columns[i]->name, serverValue(*columns[i], st.column(static_cast<int>(i))));
        session.insertRow(target, values);
        ++rows;
    }
    return rows;
}

}  // namespace

std::optional<std::string> existingDemoDatabase(Session& session) {
    auto present = session.databases();
    for (const char* year : kYears) {
        std::string name = accountYearName("001", year);
        for (const auto& p : present)
            if (sqlite::sameName(p, name)) return p;
    }
    return std::nullopt;
}

std::map<std::string, std::int64_t> createServerDemo(Session& session, const sqlite::DemoOptions& options) {
    if (auto existing = existingDemoDatabase(session))
        throw Error(kErrStatementFailed, "Database '" + *existing + "' already exists on the server.");
    for (const char* year : kYears) {
        std::string name = accountYearName("001", year);
        session.execute("", "CREATE DATABASE " + quoteName(name));
        for (const auto& sql : sqlite::accountSchema(options.release861)) session.execute(name, sql);
    }

    Scratch scratch;
    sqlite::DataDirectory directory{scratch.path()};
    sqlite::createDemo(directory, options);

    std::string target = accountYearName("001", "2004");
    sqlite::Connection file(directory.locate("001", "2004").path.string(), false);
    sqlite::Catalog catalog(file);
    std::vector<std::string> tables;
    {
        auto st = file.prepare("SELECT name FROM vantyr_tables ORDER BY name");
        while (st.step()) tables.push_back(st.column(0).toText());
    }
    std::map<std::string, std::int64_t> counts;
    session.begin();
    try {
        for (const auto& table : tables) {
            if (kNotCopied.count(sqlite::lowerCase(table))) continue;
            auto model = catalog.table("main", table);
            if (model) counts[table] = copyTable(file, *model, session, target);
        }
        session.commit();
    } catch (...) {
        // The first failure is the one reported; a failing rollback after it adds nothing.
        try {
            if (session.inTransaction()) session.rollback();
        } catch (const Error&) {
        }
        throw;
    }
    return counts;
}

}  // namespace vantyr::platform::odbc
