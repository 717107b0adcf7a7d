// The statements of a carry-over, their order, executing object and option,
// against the recording stand-ins; the trace and the dry run.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "platform/trace_writer.h"
#include "shell/endyear.h"
#include "tests/support/fakes.h"

namespace vantyr::testing {
namespace {

constexpr const char* kPrev = "0012004";
constexpr const char* kCur = "0012005";

struct EngineFixture : ::testing::Test {
    FakeWorld world;
    std::shared_ptr<FakeLogin> login = std::make_shared<FakeLogin>();

    void SetUp() override { scriptNormalRun(world); }

    bool run(Release release, platform::RunObserver* observer = nullptr,
             platform::SendMode mode = platform::SendMode::Send) {
        shell::endyear c(release, world);
        c.caLogin(login);
        c.setObserver(observer);
        c.setSendMode(mode);
        return c.subYearend();
    }
    // The journal from BeginTrans to CommitTrans (exclusive).
    std::vector<Event> transaction() const {
        auto& j = world.journal;
        auto b = std::find_if(j.begin(), j.end(), [](const Event& e) { return e.kind == "begin"; });
        auto c = std::find_if(j.begin(), j.end(), [](const Event& e) { return e.kind == "commit"; });
        return {b + 1, c};
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& e : world.executed()) out.push_back(e.text);
        return out;
    }
    std::ptrdiff_t position(const std::string& prefix) const {
        auto t = texts();
        auto it = std::find_if(t.begin(), t.end(), [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
        return it == t.end() ? -1 : it - t.begin();
    }
    int countPrefix(const std::string& prefix) const {
        auto t = texts();
        return static_cast<int>(
            std::count_if(t.begin(), t.end(), [&](const std::string& s) { return s.rfind(prefix, 0) == 0; }));
    }
    void setMax(const char* table, std::optional<int> value) {
        auto& rows = world.results[{kPrev, std::string("SELECT Max(iPeriod) AS PeriodOfMax FROM ") + table}];
        rows = {{{"periodofmax", value ? Value(*value) : Value::null()}}};
    }
};

TEST_F(EngineFixture, StatementCountsOfANormalRun) {
    ASSERT_TRUE(run(Release::V850));
    EXPECT_EQ(countPrefix("delete from "), 50);
    // 8.50: rows 6-56 (51) + first and second menu copies, identity batches counted separately.
    EXPECT_EQ(countPrefix("insert into QXDATA_001_2005.."), 51 - 2 + 2);
    EXPECT_EQ(countPrefix("SET IDENTITY_INSERT "), 2);
    EXPECT_EQ(countPrefix("update "), 15 + 1 + 4);
    world.journal.clear();
    ASSERT_TRUE(run(Release::V861));
    EXPECT_EQ(countPrefix("delete from "), 52);
    // 8.61: rows 4-7, 9-55 without 42, 58 twice, 60, 61.
    EXPECT_EQ(countPrefix("insert into QXDATA_001_2005.."), 2 + 2 + 47 - 1 + 2 + 2);
    EXPECT_EQ(countPrefix("SET IDENTITY_INSERT "), 5);
    EXPECT_EQ(countPrefix("update "), 15 + 1 + 4 + 2);
}

TEST_F(EngineFixture, BracketAndObjectsOf850) {
    ASSERT_TRUE(run(Release::V850));
    auto tx = transaction();
    ASSERT_FALSE(tx.empty());
    EXPECT_EQ(tx.front().text, "delete from ca_UserProperty ");
    EXPECT_EQ(tx.back().text.rfind("ALTER TABLE [dbo].[CA_DistrInput] WITH NOCHECK ADD \r\n", 0), 0u);
    for (const auto& e : tx) {
        if (e.kind != "exec") continue;
        bool onPrev = e.object == kPrev;
        if (e.text.rfind("delete from", 0) == 0 || e.text.rfind("update", 0) == 0 ||
            e.text.rfind("alter table", 0) == 0 || e.text.rfind("ALTER TABLE", 0) == 0) {
            EXPECT_EQ(e.object, kCur) << e.text;
        } else {
            EXPECT_TRUE(onPrev) << e.text;
            EXPECT_NE(e.text.find("QXDATA_001_2005.."), std::string::npos) << e.text;
        }
    }
}

TEST_F(EngineFixture, OptionWordsFollowTheForm) {
    ASSERT_TRUE(run(Release::V861));
    for (const auto& e : world.executed()) {
        const std::string& t = e.text;
        bool noOption = t.rfind("SET IDENTITY_INSERT", 0) == 0 || t.rfind("if exists", 0) == 0 ||
                        t.rfind("drop table", 0) == 0 || t.rfind("alter table", 0) == 0 ||
                        t.rfind("ALTER TABLE", 0) == 0 || t.rfind("CREATE  INDEX", 0) == 0;
        EXPECT_EQ(e.option, noOption ? std::nullopt : std::optional<int>(128)) << t;
    }
}

TEST_F(EngineFixture, IdentityBatchIsThreeLinesInOneExecution) {
    ASSERT_TRUE(run(Release::V850));
    auto t = texts();
    auto it = std::find_if(t.begin(), t.end(), [](const std::string& s) { return s.find("cA_ClassDEF ON") != std::string::npos; });
    ASSERT_NE(it, t.end());
    EXPECT_EQ(*it,
              "SET IDENTITY_INSERT QXDATA_001_2005..cA_ClassDEF ON \r\n"
              "insert into QXDATA_001_2005..cA_ClassDEF(iclassnum,cclassname) select iClassNum,cClassName from ca_CLassDEF \r\n"
              "SET IDENTITY_INSERT QXDATA_001_2005..cA_ClassDEF OFF");
}

TEST_F(EngineFixture, PeriodFiltersAppendTheirValues) {
    setMax("CA_AmoCt", 11);
    setMax("CA_EnMOM", 12);
    ASSERT_TRUE(run(Release::V850));
    auto t = texts();
    auto find = [&](const char* piece) {
        return std::find_if(t.begin(), t.end(), [&](const std::string& s) { return s.find(piece) != std::string::npos; });
    };
    EXPECT_NE(find("from ca_amoct where iperiod =11"), t.end());
    EXPECT_NE(find("from ca_enmom where iperiod =12"), t.end());
    EXPECT_NE(find("from ca_asscw where iperiod =12"), t.end());
    EXPECT_NE(find("from ca_depfr where iforeyear >= 2005"), t.end());
    EXPECT_NE(find("delete from ca_propu where iperiod =0"), t.end());
    EXPECT_NE(find("iendyear=2005"), t.end());
}

TEST_F(EngineFixture, EmptyAmoCtSuppressesItsCopyButNotTheStockTables) {
    setMax("CA_AmoCt", std::nullopt);
    setMax("CA_EnMMC", 3);
    ASSERT_TRUE(run(Release::V850));
    EXPECT_EQ(position("insert into QXDATA_001_2005..cA_amoct"), -1);
    EXPECT_NE(position("insert into QXDATA_001_2005..cA_enmmc"), -1);
    EXPECT_NE(texts()[static_cast<std::size_t>(position("insert into QXDATA_001_2005..cA_enmmc"))].find("iperiod =3"),
              std::string::npos);
}

TEST_F(EngineFixture, StockTableBelowAmoCtIsNotCopied) {
    setMax("CA_EnMMC", 11);
    ASSERT_TRUE(run(Release::V850));
    EXPECT_EQ(position("insert into QXDATA_001_2005..cA_enmmc"), -1);
    EXPECT_NE(position("delete from ca_enmmc"), -1);
}

TEST_F(EngineFixture, MissingEnMOPTableSuppressesItsCopy) {
    world.failures["SELECT Max(iPeriod) AS PeriodOfMax FROM CA_EnMOP"] = {-2147217865, "Invalid object name"};
    ASSERT_TRUE(run(Release::V861));
    EXPECT_EQ(position("insert into QXDATA_001_2005..cA_enmop"), -1);
    EXPECT_NE(position("insert into QXDATA_001_2005..cA_enmom"), -1);
}

TEST_F(EngineFixture, ClosingMonthThirteenStillSelectsPeriodTwelve) {
    world.results[{kPrev, "select * from ca_cbsys "}] = {{{"iendmonth", Value(13)}}};
    ASSERT_TRUE(run(Release::V850));
    EXPECT_NE(position("insert into QXDATA_001_2005..cA_asscw"), -1);
    EXPECT_NE(texts()[static_cast<std::size_t>(position("insert into QXDATA_001_2005..cA_asscw"))].find("where iperiod =12"),
              std::string::npos);
}

TEST_F(EngineFixture, CostObjectBlockComesFirstIn861) {
    ASSERT_TRUE(run(Release::V861));
    auto tx = transaction();
    std::vector<std::string> t;
    for (const auto& e : tx)
        if (e.kind == "exec") t.push_back(e.text);
    ASSERT_GT(t.size(), 60u);
    EXPECT_EQ(t[51], "delete from ca_MoveAmoct ");
    EXPECT_NE(t[52].find("CA_COBase ON"), std::string::npos);
    EXPECT_NE(t[54].find("CA_COReal1 ON"), std::string::npos);
    EXPECT_EQ(t[55].rfind("if exists(select * from sysobjects where name=N'IX_Ca_COReal2')", 0), 0u);
    EXPECT_NE(t[56].find("..CA_COReal2("), std::string::npos);
    EXPECT_NE(t[57].find("..CA_COReal3("), std::string::npos);
    EXPECT_NE(t[58].find("..cA_DepDF (cDeptID, bIsBaseDep, cProperty,bIsWCID)"), std::string::npos);
    // GetOption's reads happen between the third identity batch and the drop.
    auto q = std::find_if(tx.begin(), tx.end(), [](const Event& e) { return e.kind == "query"; });
    ASSERT_NE(q, tx.end());
    EXPECT_NE(q->text.find("8601"), std::string::npos);
}

TEST_F(EngineFixture, RebuildsAndTheirDefaultsIn861) {
    ASSERT_TRUE(run(Release::V861));
    std::vector<std::string> expected = {
        "drop table QXDATA_001_2005..CA_DistrInput",
        "select top 0 * into QXDATA_001_2005..CA_DistrInput from CA_DistrInput ",
        "insert into QXDATA_001_2005..CA_MenuDef (cdefault, cNewMenu) select cdefault, cnewmenu from ca_menudef ",
        "drop table QXDATA_001_2005..CA_Onpqu",
        "select * into QXDATA_001_2005..CA_Onpqu from CA_Onpqu ",
        "sp_bindefault N'[dbo].[CA_OnPQu_iQuot_D]', N'[CA_OnPQu].[iQuot]'",
    };
    auto start = position("drop table QXDATA_001_2005..CA_DistrInput");
    ASSERT_GE(start, 0);
    auto t = texts();
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(t[static_cast<std::size_t>(start) + i], expected[i]);
    auto loop = position("alter table ca_distrinput add constraint ");
    ASSERT_GE(loop, 0);
    EXPECT_EQ(t[static_cast<std::size_t>(loop)], "alter table ca_distrinput add constraint default_cpjhdwcb default 0 for cpjhdwcb");
    EXPECT_EQ(t[static_cast<std::size_t>(loop) + 1], "alter table ca_distrinput add constraint default_cpsjgs default 0 for cpsjgs");
    EXPECT_EQ(t[static_cast<std::size_t>(loop) + 2], "alter table ca_onpqu add constraint df_iQuotMat default 1 for iQuotMat");
    EXPECT_EQ(t[static_cast<std::size_t>(loop) + 3], "alter table ca_onpqu add constraint df_autoid default 1 for autoid");
    EXPECT_EQ(t[static_cast<std::size_t>(loop) + 4], "insert into QXDATA_001_2005..CA_MenuDef select * from CA_MenuDef ");
    auto last = t.back();
    EXPECT_EQ(last, "CREATE  INDEX [ProductStructureCA_OnPQu] ON [dbo].[CA_OnPQu]([cPPID]) ON [PRIMARY]");
}

TEST_F(EngineFixture, Release850RebuildsDistrInputWithRowsAndCopiesOnPQu) {
    ASSERT_TRUE(run(Release::V850));
    EXPECT_NE(position("select * into QXDATA_001_2005..CA_DistrInput from CA_DistrInput "), -1);
    EXPECT_NE(position("insert into QXDATA_001_2005..cA_OnPQu (cppid,"), -1);
    EXPECT_EQ(position("drop table QXDATA_001_2005..CA_Onpqu"), -1);
    EXPECT_EQ(position("alter table ca_onpqu"), -1);
}

TEST_F(EngineFixture, DefaultLoopOverThreeColumnsSendsNothing) {
    world.tableColumns["CA_DistrInput"] = {"cPPID", "cBatch", "iPeriod"};
    ASSERT_TRUE(run(Release::V850));
    EXPECT_EQ(countPrefix("alter table ca_distrinput"), 0);
}

TEST_F(EngineFixture, DefaultLoopOverManyColumnsSkipsOnlyTheFailingColumn) {
    std::vector<std::string> columns = {"cPPID", "cBatch", "iPeriod"};
    for (int i = 0; i < 16; ++i) columns.push_back("c" + std::to_string(i));
    world.tableColumns["CA_DistrInput"] = columns;
    world.failures["alter table ca_distrinput add constraint default_c4 default 0 for c4"] = {-2147220991,
                                                                                            "already has a default"};
    ASSERT_TRUE(run(Release::V850));
    EXPECT_EQ(countPrefix("alter table ca_distrinput"), 16);
    auto k = world.kinds();
    EXPECT_EQ(std::count(k.begin(), k.end(), "commit"), 1);
}

TEST_F(EngineFixture, FailureInTheMiddleOfTheCopyRollsBackAndCloses) {
    world.failures["insert into QXDATA_001_2005..cA_QUO (cppid,camoid,camotype,iquo) select cppid,camoid,camotype,iquo from ca_QUO "] =
        {3200, "related"};
    EXPECT_FALSE(run(Release::V861));
    auto k = world.kinds();
    EXPECT_EQ(std::count(k.begin(), k.end(), "rollback"), 1);
    EXPECT_EQ(std::count(k.begin(), k.end(), "commit"), 0);
    EXPECT_EQ(std::count(k.begin(), k.end(), "close"), 2);
    EXPECT_EQ(texts().back().find("..cA_QUO"), std::string("insert into QXDATA_001_2005").size());
}

TEST_F(EngineFixture, KeyStatementsRunWithFailuresIgnored) {
    world.failures[std::string("ALTER TABLE [dbo].[CA_OnPQu] WITH NOCHECK ADD \r\nCONSTRAINT [PK_CA_ONPQU] PRIMARY KEY  NONCLUSTERED\r\n(\r\n    [autoid]\r\n)  ")] =
        {1505, "duplicate key"};
    EXPECT_TRUE(run(Release::V861));
    EXPECT_EQ(texts().back(), "CREATE  INDEX [ProductStructureCA_OnPQu] ON [dbo].[CA_OnPQu]([cPPID]) ON [PRIMARY]");
}

TEST_F(EngineFixture, TraceRecordsEveryStatementAndItsOutcome) {
    world.failures["delete from ca_QUO "] = {-2147220991, "gone"};
    std::ostringstream out;
    platform::TraceWriter trace(&out);
    ASSERT_TRUE(run(Release::V850, &trace));
    std::istringstream lines(out.str());
    std::string line;
    int seq = 0, skipped = 0;
    bool sawDelete = false;
    while (std::getline(lines, line)) {
        ++seq;
        EXPECT_NE(line.find("\"seq\":" + std::to_string(seq)), std::string::npos);
        if (line.find("\"text\":\"delete from ca_QUO \"") != std::string::npos) {
            sawDelete = true;
            EXPECT_NE(line.find("\"outcome\":\"skipped\""), std::string::npos);
            EXPECT_NE(line.find("\"error\":{\"number\":-2147220991,\"description\":\"gone\"}"), std::string::npos);
            EXPECT_NE(line.find("\"object\":\"CurYearDb\",\"option\":128"), std::string::npos);
        }
        if (line.find("\"skipped\"") != std::string::npos) ++skipped;
    }
    EXPECT_TRUE(sawDelete);
    EXPECT_EQ(skipped, 1);
    EXPECT_EQ(trace.skipped(), 1);
    EXPECT_EQ(seq, trace.written());
}

TEST_F(EngineFixture, TraceMarksTheStatementThatEndedTheRun) {
    world.failures["delete from ca_QUO "] = {-2147217900, "Timeout"};
    std::ostringstream out;
    platform::TraceWriter trace(&out);
    EXPECT_FALSE(run(Release::V850, &trace));
    EXPECT_NE(out.str().find("\"text\":\"delete from ca_QUO \",\"outcome\":\"failed\""), std::string::npos);
}

TEST_F(EngineFixture, DryRunSendsNoWriteAndPlansEveryStatement) {
    std::ostringstream out;
    platform::TraceWriter trace(&out);
    run(Release::V861, &trace, platform::SendMode::Send);
    int realStatements = static_cast<int>(world.executed().size());
    world.journal.clear();
    std::ostringstream planned;
    platform::TraceWriter plan(&planned);
    run(Release::V861, &plan, platform::SendMode::Plan);
    auto k = world.kinds();
    for (const char* write : {"exec", "edit", "set", "update", "begin", "commit", "rollback"})
        EXPECT_EQ(std::count(k.begin(), k.end(), write), 0) << write;
    EXPECT_GT(std::count(k.begin(), k.end(), "query"), 0);
    EXPECT_EQ(plan.planned(), realStatements + 1);  // and the closing-month mark
    EXPECT_NE(planned.str().find("\"outcome\":\"planned\""), std::string::npos);
}

}  // namespace
}  // namespace vantyr::testing
