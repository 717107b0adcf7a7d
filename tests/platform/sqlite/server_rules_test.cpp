// The embedded engine against the server's documented results: each row runs
// its statements on a real account-year file and states what the server
// gives (a value, or a refusal with the server's message number).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/sql_command.h"
#include "platform/error.h"
#include "platform/sqlite/session.h"
#include "platform/sqlite/translator.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {
namespace {

using platform::Error;
using platform::sqlite::Session;

struct Rule {
    const char* name;
    std::vector<const char*> setup;   // statements that must succeed
    const char* statement;            // a query whose first value is checked, or a statement that must fail
    const char* expected;             // the value (numbers compare as numbers), or "fails: <text>"
};

const Rule kRules[] = {
    // Assignment conversion by the target column's type.
    {"bit -1 is stored as 1", {"insert into R (b) values (-1)"}, "select count(*) from R where b = 1", "1"},
    {"bit from a copy of an int", {"insert into R (i) values (-7)", "insert into R (b) select i from R"}, "select count(*) from R where b = 1", "1"},
    {"insert-select converts a constant", {"insert into R (i) values (1)", "insert into R (b, dt) select 5, '2005-2-3' from R"}, "select count(*) from R where b = 1 and dt = '2005-02-03'", "1"},
    {"alter column converts the stored values", {"insert into R (f) values (2.7)", "alter table R alter column f int null"}, "select f from R", "2"},
    {"alter column refuses a value the new type cannot hold", {"insert into R (cid) values ('abcdef')"}, "alter table R alter column cid varchar(3) null", "fails: Msg 8152"},
    {"bit 0.5 is stored as 1", {"insert into R (b) values (0.5)"}, "select b from R", "1"},
    {"tinyint refuses 300", {}, "insert into R (t) values (300)", "fails: Msg 8115"},
    {"tinyint refuses -1 through update", {"insert into R (t) values (1)"}, "update R set t = t - 2", "fails: Msg 8115"},
    {"money rounds to 4 places", {"insert into R (m) values (1.23456)"}, "select m from R", "1.2346"},
    {"decimal(18,2) rounds half away from zero", {"insert into R (d) values (1.005)"}, "select d from R", "1.01"},
    {"decimal(18,2) rounds negatives away from zero", {"insert into R (d) values (-2.675)"}, "select d from R", "-2.68"},
    {"decimal(4,2) refuses 100", {}, "insert into R (d4) values (100)", "fails: Msg 8115"},
    {"varchar(2) refuses a longer text", {}, "insert into R (v) values ('abcdef')", "fails: Msg 8152"},
    {"a widened column takes the longer text",
     {"insert into R (v) values ('ab')", "alter table R alter column v varchar(10) null", "insert into R (v) values ('abcdef')"},
     "select max(v) from R", "abcdef"},
    {"varchar(2) cuts trailing blanks only", {"insert into R (v) values ('ab    ')"}, "select len(v) + 0 from R", "2"},
    {"char(4) is padded", {"insert into R (c) values ('ab')"}, "select c + '|' from R", "ab  |"},
    {"int refuses a text that is no number", {}, "insert into R (i) values ('abc')", "fails: Msg 245"},
    {"int takes a text that is a number", {"insert into R (i) values (' 42 ')"}, "select i + 1 from R", "43"},
    {"2.7 copied into an int is 2", {"insert into R (f) values (2.7)", "insert into R (i) select f from R"}, "select i from R where i is not null", "2"},
    {"-2.7 set into an int is -2", {"insert into R (f) values (-2.7)", "update R set i = f"}, "select i from R", "-2"},
    {"money refuses a text that is no number", {}, "insert into R (m) values ('x1')", "fails: Msg 235"},
    {"datetime equal across literal forms", {"insert into R (dt) values ('2005-1-1')"}, "select count(*) from R where dt = '20050101' and dt = '2005-01-01 00:00' and dt = '1/1/2005'", "1"},
    {"datetime orders by value", {"insert into R (dt) values ('2005-10-2')", "insert into R (dt) values ('2005-9-30 13:05')"}, "select top 1 dt from R order by dt", "2005-09-30 13:05:00.000"},
    {"select into filters by a date in another form", {"insert into R (dt) values ('2005-1-1')", "select * into R2 from R where dt = '20050101'"}, "select count(*) from R2", "1"},
    {"delete filters by a date in another form", {"insert into R (dt) values ('2005-1-1')", "delete from R where dt = '20050101'"}, "select count(*) from R", "0"},
    {"delete compares a text column with a number as a number", {"insert into R (cid) values ('05')", "delete from R where cid = 5"}, "select count(*) from R", "0"},
    {"datetime refuses a text that is no date", {}, "insert into R (dt) values ('2005-13-01')", "fails: Msg 241"},
    // One collation: case, width and trailing blanks.
    {"trailing blanks ignored in =", {"insert into R (cid) values ('10  ')"}, "select count(*) from R where cid = '10'", "1"},
    {"case ignored in =", {"insert into R (cid) values ('ab')"}, "select count(*) from R where cid = 'AB'", "1"},
    {"full-width letters and digits equal", {"insert into R (cid) values ('ab1')"}, "select count(*) from R where cid = N'\xEF\xBC\xA1\xEF\xBD\x82\xEF\xBC\x91'", "1"},
    {"'ab' and 'ab ' collide under a primary key", {"insert into K (code) values ('ab')"}, "insert into K (code) values ('AB ')", "fails: UNIQUE"},
    {"DISTINCT ignores trailing blanks and case", {"insert into R (cid) values ('x')", "insert into R (cid) values ('X  ')"}, "select count(distinct cid) from R", "1"},
    {"GROUP BY ignores trailing blanks", {"insert into R (cid) values ('y')", "insert into R (cid) values ('y ')"}, "select count(*) from (select cid from R group by cid) g", "1"},
    {"literals compare under the collation", {}, "select case when 'a' = 'A ' then 1 else 0 end", "1"},
    {"a text compared with a number is read as a number", {"insert into R (cid) values ('010')"}, "select count(*) from R where cid = 10", "1"},
    {"a text that is no number fails a comparison with a number", {"insert into R (cid) values ('x')"}, "select count(*) from R where cid = 1", "fails: Msg 245"},
    {"LIKE keeps trailing blanks of the pattern", {"insert into R (cid) values ('ab')"}, "select count(*) from R where cid like 'ab '", "0"},
    // Expressions typed from the models and literals.
    {"len ignores trailing blanks", {}, "select len('ab  ')", "2"},
    {"+ on texts joins them", {}, "select 'ab' + 'cd'", "abcd"},
    {"+ on text columns joins them", {"insert into R (cid, v) values ('ab', 'cd')"}, "select cid + v from R", "abcd"},
    {"+ of a number text and an int adds", {}, "select '1' + 1", "2"},
    {"int arithmetic overflows", {}, "select 2147483647 + 1", "fails: Msg 8115"},
    {"tinyint arithmetic overflows", {"insert into R (t) values (200)"}, "select t + t from R", "fails: Msg 8115"},
    {"tinyint plus an int literal is an int", {"insert into R (t) values (200)"}, "select t + 100 from R", "300"},
    {"integer division", {}, "select 7 / 2", "3"},
    {"integer division truncates toward zero", {}, "select -7 / 2", "-3"},
    {"money / decimal is not integer division", {"insert into R (m, d) values (100, 3)"}, "select m / d from R", "33.3333333333"},
    {"money / int keeps 4 places", {"insert into R (m) values (100)"}, "select m / 3 from R", "33.3333"},
    {"division by zero fails", {}, "select 1 / 0", "fails: Msg 8134"},
    {"division by a zero column fails", {"insert into R (i) values (0)"}, "select 5 / i from R", "fails: Msg 8134"},
    {"isnull takes the type of its first argument", {"insert into R (i) values (1)"}, "select isnull(v, 'abcdef') from R", "ab"},
    {"left", {}, "select left('abcdef', 2)", "ab"},
    {"right", {}, "select right('abcdef', 2)", "ef"},
    {"substring", {}, "select substring('abcdef', 2, 3)", "bcd"},
    {"charindex ignores case", {}, "select charindex('C', 'abcabc', 4)", "6"},
    {"ltrim and rtrim trim blanks", {}, "select '[' + ltrim(rtrim('  a  ')) + ']'", "[a]"},
    {"upper", {}, "select upper('ab')", "AB"},
    {"abs", {}, "select abs(-3)", "3"},
    {"round half away from zero", {}, "select round(2.5, 0)", "3"},
    {"round to tens", {}, "select round(15, -1)", "20"},
    {"cast to int truncates", {}, "select cast(2.9 as int)", "2"},
    {"cast to varchar cuts", {}, "select cast('abcdef' as varchar(3))", "abc"},
    {"convert datetime with style 112", {"insert into R (dt) values ('2005-3-7')"}, "select convert(varchar(8), dt, 112) from R", "20050307"},
    {"year, month and datepart", {"insert into R (dt) values ('2005-3-7')"}, "select year(dt) * 10000 + month(dt) * 100 + datepart(dd, dt) from R", "20050307"},
    {"datepart weekday counts from Sunday", {}, "select datepart(dw, '2005-01-02')", "1"},
    {"getdate is a datetime of this century", {}, "select case when year(getdate()) >= 2000 then 1 else 0 end", "1"},
    {"case with an input", {}, "select case 2 when 1 then 'one' when 2 then 'two' end", "two"},
    {"avg of ints is an int", {"insert into R (i) values (1)", "insert into R (i) values (2)"}, "select avg(i) from R", "1"},
    {"a variable is refused", {}, "select @n", "fails: variable @n"},
    {"a function the engine does not know is refused by name", {}, "select soundex('a')", "fails: function 'soundex' is not supported"},
};

class ServerRulesTest : public ::testing::TestWithParam<Rule> {
protected:
    TempDirectory temp;
    platform::sqlite::DataDirectory directory{temp.path()};
    Session session{directory};
    std::string schema;

    void SetUp() override {
        auto db = directory.locate("001", "2005");
        session.createDatabase(db);
        schema = session.attach(db);
        session.execute(schema, "CREATE TABLE [dbo].[R] ([id] int IDENTITY(1,1) NOT NULL, [b] bit NULL, [t] tinyint NULL, "
                                "[i] int NULL, [m] money NULL, [d] decimal(18,2) NULL, [d4] decimal(4, 2) NULL, "
                                "[v] varchar(2) NULL, [c] char(4) NULL, [cid] varchar(10) NULL, [dt] datetime NULL, "
                                "[f] float NULL) ON [PRIMARY]");
        session.execute(schema, "CREATE TABLE K (code varchar(10) NOT NULL, CONSTRAINT [PK_K] PRIMARY KEY ([code]))");
    }
};

TEST_P(ServerRulesTest, GivesTheServersResult) {
    const Rule& rule = GetParam();
    for (const char* sql : rule.setup) session.execute(schema, sql);
    std::string expected = rule.expected;
    if (expected.rfind("fails: ", 0) == 0) {
        try {
            session.execute(schema, rule.statement);
            ADD_FAILURE() << rule.statement << " was accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), platform::kErrStatementFailed);
            EXPECT_NE(e.description().find(expected.substr(7)), std::string::npos) << e.description();
        }
        return;
    }
    auto row = session.firstRow(schema, rule.statement);
    ASSERT_TRUE(row.values) << rule.statement;
    const platform::Value& v = row.values->at(0);
    char* end = nullptr;
    double number = std::strtod(expected.c_str(), &end);
    if (*end == '\0' && !expected.empty() && !v.isText()) {
        EXPECT_NEAR(v.toDouble(), number, 1e-9) << rule.statement;
    } else {
        EXPECT_EQ(v.toText(), expected) << rule.statement;
    }
}

// The recordsets' writes convert like the statements do.
TEST_F(ServerRulesTest, RecordsetWritesConvertToTheColumnType) {
    using platform::Value;
    session.insertRow({schema, "R"}, {{"b", Value(-1)}, {"m", Value(1.23456)}, {"dt", Value("2005-1-1")}});
    EXPECT_EQ(session.firstRow(schema, "select count(*) from R where b = 1 and m = 1.2346 and dt = '20050101'")
                  .values->at(0).toDouble(), 1);
    auto row = session.firstRow(schema, "select * from R");
    EXPECT_THROW(session.updateFirstRow(row, {{"t", Value(300)}}), Error);
    EXPECT_THROW(session.updateFirstRow(row, {{"v", Value("abc")}}), Error);
}

INSTANTIATE_TEST_SUITE_P(Rules, ServerRulesTest, ::testing::ValuesIn(kRules), [](const auto& info) {
    std::string name;
    for (const char* p = info.param.name; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
});

// A copy between columns of the same type is left to SQLite as written: no
// conversion runs per row. A copy into another type converts.
TEST(ServerRulesCopies, SameTypesCopyPlainlyOtherTypesConvert) {
    using namespace platform::sqlite;
    auto resolve = [](const std::string& db) { return db.empty() ? std::string("main") : db; };
    auto table = [](const char* name, std::vector<std::pair<const char*, const char*>> columns) {
        TableModel m;
        m.name = name;
        for (const auto& [column, type] : columns) {
            ColumnDef c;
            c.name = column;
            c.type = type;
            m.columns.push_back(c);
        }
        return m;
    };
    TableModel source = table("S", {{"a", "varchar(10)"}, {"n", "int"}, {"m", "money"}});
    TableModel target = table("T", {{"a", "varchar(20)"}, {"n", "int"}, {"m", "money"}, {"t", "tinyint"}});
    ModelResolver models = [&](const TableRef& r) -> ModelRef {
        if (r.table == "S") return std::make_shared<const TableModel>(source);
        if (r.table == "T") return std::make_shared<const TableModel>(target);
        return nullptr;
    };
    auto sql = [&](const char* text) { return std::get<Passthrough>(translate(text, resolve, models).at(0)).sql; };
    EXPECT_EQ(sql("insert into X..T (a, n, m) select a, n, m from S where n = 12").find("vantyr_"), std::string::npos);
    EXPECT_EQ(sql("update T set n = 0, t = 12").find("vantyr_"), std::string::npos);
    EXPECT_NE(sql("insert into X..T (t) select n from S").find("vantyr_assign(c1, 'tinyint')"), std::string::npos);
    EXPECT_NE(sql("insert into X..T (a) select m from S").find("vantyr_assign"), std::string::npos);
}

// A refused statement leaves nothing behind: the rows before it stay as they were.
TEST(ServerRulesRefusal, ARefusedInsertSelectWritesNoRow) {
    TempDirectory temp;
    platform::sqlite::DataDirectory directory{temp.path()};
    Session session{directory};
    auto db = directory.locate("001", "2005");
    session.createDatabase(db);
    auto schema = session.attach(db);
    session.execute(schema, "create table A (n int null)");
    session.execute(schema, "create table B (n tinyint null)");
    session.execute(schema, "insert into A (n) values (1), (2), (300)");
    EXPECT_THROW(session.execute(schema, "insert into B (n) select n from A"), Error);
    EXPECT_EQ(session.firstRow(schema, "select count(*) from B").values->at(0).toDouble(), 0);
}

// vantyr sql on a real file: rows as a table and as JSON lines, the rows a
// change affected, and the exit codes.
TEST(SqlCommandTest, PrintsRowsAndExitsByTheOutcome) {
    TempDirectory temp;
    platform::sqlite::DataDirectory directory{temp.path()};
    {
        Session session{directory};
        auto db = directory.locate("001", "2005");
        session.createDatabase(db);
        session.execute(session.attach(db), "create table T (code varchar(10) null, flag bit null)");
    }
    auto run = [&](std::string statement, bool json, std::string& out, std::string year = "2005") {
        std::ostringstream o, e;
        std::istringstream in;
        cli::Console console{o, e, in};
        cli::SqlOptions options;
        options.data = temp.path().string();
        options.account = "001";
        options.year = year;
        options.statement = std::move(statement);
        options.json = json;
        int code = cli::runSql(options, console);
        out = o.str() + e.str();
        return code;
    };
    std::string out;
    EXPECT_EQ(run("insert into T (code, flag) values ('a', -1), ('b', 0)", false, out), 0);
    EXPECT_EQ(out, "2 rows affected\n");
    EXPECT_EQ(run("select code, flag from T where flag = 1", false, out), 0);
    EXPECT_EQ(out, "code | flag\n---- | ----\na    | 1\n(1 row)\n");
    EXPECT_EQ(run("select code, flag, null as n from T order by code", true, out), 0);
    EXPECT_EQ(out, "{\"code\":\"a\",\"flag\":1,\"n\":null}\n{\"code\":\"b\",\"flag\":0,\"n\":null}\n");
    EXPECT_EQ(run("insert into T (flag) values ('x')", false, out), 2);
    EXPECT_NE(out.find("Msg 245"), std::string::npos) << out;
    EXPECT_EQ(run("select 1", false, out, "2099"), 3);
    std::ofstream(temp.path() / "QXDATA_001_2006.db") << "not a database, just text";
    EXPECT_EQ(run("select 1", false, out, "2006"), 3);
    EXPECT_NE(out.find("QXDATA_001_2006.db"), std::string::npos) << out;
    EXPECT_EQ(run("select 1", false, out, "20x5"), 3);
}

}  // namespace
}  // namespace vantyr::testing
