#include "platform/sqlite/demo_data.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "platform/error.h"
#include "platform/sqlite/account_schema.h"
#include "platform/sqlite/catalog.h"
#include "platform/sqlite/report_source_tables.h"
#include "platform/sqlite/session.h"
#include "platform/sqlite/suite_tables.h"
#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

// The twelve-period tables: each carries rows of periods 1 to 12.
const std::set<std::string> kPeriodTables = {
    "ca_amoct", "ca_asscw", "ca_compd", "ca_comps", "ca_depcs", "ca_enmmc", "ca_enmom", "ca_enmop", "ca_mabsw",
    "ca_manct", "ca_onlia", "ca_onpce", "ca_propu", "ca_timst", "ca_waspr", "ca_moveenmom", "ca_moveamoct",
    "ca_serpri"};
const std::set<std::string> kNotFilled = {"accinformation", "ca_cbsys", "vantyr_tables", "sysobjects", "sysindexes",
                                          "vantyr_defaults"};

class Generator {
public:
    explicit Generator(std::uint64_t seed) : state_(seed | 1) {}
    double amount() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>((state_ >> 33) % 1000000) / 100.0;
    }

private:
    std::uint64_t state_;
};

int textLength(const std::string& type) {
    auto open = type.find('(');
    if (open == std::string::npos) return 60;
    return std::atoi(type.c_str() + open + 1);
}

std::string code(const std::string& column, int i, int length) {
    std::string head = column.size() > 1 ? column.substr(1, 3) : column;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%05d", i);
    std::string value = head + buf;
    if (length > 0 && static_cast<int>(value.size()) > length) value = value.substr(value.size() - static_cast<std::size_t>(length));
    return value;
}

Value valueFor(const std::string& table, const ColumnDef& c, int i, const std::string& year, Generator& g) {
    std::string n = lowerCase(c.name), t = lowerCase(c.type);
    int y = std::stoi(year);
    if (n == "iperiod") return Value(1 + i % 12);
    if (n == "bcompmark") return Value(i % 2);
    if (n == "iforeyear") return Value(y + i % 3);
    if (n == "iyear") return Value(y);
    if (n == "iendyear") return Value(i % 2 ? y : 0);
    if (n == "ionptotalamo" && i % 5 == 4) return Value(0.0);
    if (n == "irealcoid" || n == "itype" || n == "iclassnum") return Value(i + 1);
    if (n == "camotype" || n == "cinamotype") return Value(std::to_string(i % 5));
    if (n == "cdefault") return Value("menu" + std::to_string(i));
    if (table == "ca_distrinput" && n == "cbatch") return Value("B" + std::to_string(i));
    if (t.find("char") != std::string::npos) return Value(code(c.name, i, textLength(t)));
    if (t == "bit") return Value(i % 2);
    if (t == "datetime") {
        char buf[40];  // the stored form of a datetime
        std::snprintf(buf, sizeof buf, "%s-%02d-15 00:00:00.000", year.c_str(), 1 + i % 12);
        return Value(std::string(buf));
    }
    if (t == "tinyint") return Value(1 + i % 12);
    if (t == "smallint" || t == "int") return Value(1 + i % 100);
    return Value(g.amount());
}

std::int64_t fillTable(Connection& db, Catalog& catalog, const TableModel& m, int rows, const std::string& year,
                       Generator& g) {
    std::string table = lowerCase(m.name);
    std::vector<const ColumnDef*> cols;
    for (const auto& c : m.columns)
        cols.push_back(&c);
    std::string names, marks;
    for (const auto* c : cols) {
        names += (names.empty() ? "" : ", ") + quoteName(c->name);
        marks += marks.empty() ? "?" : ", ?";
    }
    auto st = db.prepare("INSERT INTO " + quoteName(m.name) + " (" + names + ") VALUES (" + marks + ")");
    for (int i = 0; i < rows; ++i) {
        int k = 0;
        for (const auto* c : cols)
            st.bind(++k, c->identity ? Value(c->seed + c->increment * i) : valueFor(table, *c, i, year, g));
        st.step();
        st.reset();
    }
    if (const ColumnDef* id = m.identityColumn(); id && rows > 0)
        catalog.setIdentityLast("main", m.name, id->seed + id->increment * (rows - 1));
    return rows;
}

bool isSuiteTable(const std::string& name) {
    const auto& suite = suiteTableNames();
    return std::any_of(suite.begin(), suite.end(), [&](const std::string& s) { return sameName(s, name); });
}

}  // namespace

void createAccountYear(const DataDirectory& directory, const std::string& account, const std::string& year,
                       bool release861, bool before850) {
    AccountYear ay = directory.locate(account, year);
    Session session(directory);
    session.createDatabase(ay);
    std::string schema = session.attach(ay);
    std::vector<std::string> statements = accountSchema(release861);
    if (before850 && !release861) {
        statements = schemaBefore850(statements);
    } else {
        for (const auto& sql : suiteTables()) statements.push_back(sql);
    }
    session.begin();  // one transaction, one sync: the schema is all there or not at all
    for (const auto& sql : statements) session.execute(schema, sql);
    for (const auto& sql : reportSourceTables()) session.execute(schema, sql);
    session.commit();
}

std::map<std::string, std::int64_t> fillYear(const AccountYear& database, const std::string& year,
                                             const DemoOptions& options) {
    Connection db(database.path.string(), false);
    Catalog catalog(db);
    Generator g(options.seed);
    std::vector<std::string> tables;
    {
        auto st = db.prepare("SELECT name FROM vantyr_tables ORDER BY name");
        while (st.step()) tables.push_back(st.column(0).toText());
    }
    std::map<std::string, std::int64_t> counts;
    db.exec("BEGIN");
    for (const auto& name : tables) {
        std::string key = lowerCase(name);
        if (kNotFilled.count(key) || isSuiteTable(name)) continue;
        int rows = kPeriodTables.count(key) ? options.periodRows : options.settingRows;
        counts[name] = fillTable(db, catalog, *catalog.table("main", name), rows, year, g);
    }
    fillSuiteTables(db, year, std::max(options.periodRows, options.settingRows));
    auto state = db.prepare(
        "INSERT INTO ca_cbsys (caudepinalo, iplanperman, iendmonth, iendyear, icalculate, icertified, iplanmethod,"
        " binitleft, istep, cMauDetailFlag, autoid) VALUES ('1', 1, 12, ?, 1, 1, 1, 1, 0, '0', 1)");
    state.bind(1, Value(std::stoi(year)));
    state.step();
    catalog.setIdentityLast("main", "ca_cbsys", 1);
    counts["ca_cbsys"] = 1;
    catalog.flush();
    db.exec("COMMIT");
    return counts;
}

std::map<std::string, std::int64_t> createDemo(const DataDirectory& directory, const DemoOptions& options) {
    std::filesystem::create_directories(directory.path());
    createAccountYear(directory, "001", "2004", options.release861);
    bool before850 = options.before850 && !options.release861;
    createAccountYear(directory, "001", "2005", options.release861, before850);
    {
        Connection current(directory.locate("001", "2005").path.string(), false);
        current.exec("BEGIN");
        fillSuiteTables(current, "2005", std::max(options.periodRows, options.settingRows));
        if (before850) fillUpgradeSamples(current);
        current.exec("COMMIT");
    }
    auto counts = fillYear(directory.locate("001", "2004"), "2004", options);
    fillReportSources(directory, "001", "2004", {"2005"});
    return counts;
}

}  // namespace vantyr::platform::sqlite
