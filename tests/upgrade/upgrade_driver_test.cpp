// The upgrade driver on recording stand-ins: its own connection, the version
// stamp in every case the stored value can take, the order of the groups, the
// guarded report definitions and the rule that no failure stops it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "shell/endyear.h"
#include "tests/support/fake_ado.h"
#include "upgrade/key_normalisation.h"
#include "upgrade/statement_groups.h"
#include "upgrade/upgrade_ca_schema.h"

namespace vantyr::testing {
namespace {

using platform::Value;

constexpr const char* kVersionQuery = "select * from accinformation where csysid='CA' and cname='Version'";
constexpr const char* kGuard = "select count(*) from rpt_glbdef where systemid='CA' and Name like '批次%'";

class GroupLog : public platform::RunObserver {
public:
    std::vector<int> steps;
    void Step(int index, int, const std::string&) override { steps.push_back(index); }
};

std::size_t indexOf(const std::vector<std::string>& texts, const std::string& text) {
    return static_cast<std::size_t>(std::find(texts.begin(), texts.end(), text) - texts.begin());
}

TEST(UpgradeDriverTest, OpensItsOwnConnectionAndRunsEveryGroupInOrder) {
    FakeAdo ado;
    GroupLog log;
    upgrade::UpgradeCaSchema(ado, ado.given(), &log);
    ASSERT_EQ(ado.of("open").size(), 1u);
    EXPECT_EQ(ado.of("open")[0].text, ado.connectionString + "|||-1");
    std::vector<int> expected{0};
    for (int g = 1; g <= 18; ++g) expected.push_back(g);
    EXPECT_EQ(log.steps, expected);
    // The version recordset comes first: client-side, dynamic, optimistic, opened with unspecified settings.
    auto queries = ado.of("query");
    ASSERT_FALSE(queries.empty());
    EXPECT_EQ(queries[0].text, kVersionQuery);
    EXPECT_EQ(queries[0].object, "-1/-1");
    std::vector<std::string> cursor;
    for (const auto& e : ado.of("cursor")) cursor.push_back(e.text);
    EXPECT_EQ(cursor, (std::vector<std::string>{"location=3", "type=2", "lock=3"}));
    // Groups in the driver's order: a statement of each group after the previous group's.
    auto texts = ado.executed();
    std::vector<std::string> landmarks{
        "alter table CA_Amoct add OnpRation float default 0 not null ",
        "CREATE DEFAULT CA_SPDF_cuser_D AS ''",
        "update gl_accvouch set coutsysver = null  where coutsysname='CA'",
        "update ca_predf set cunit = left(cunit, 8) where not cunit is null",
        "create UNIQUE index idxmenu on CA_MenuDef (cDefault)",
        "INSERT INTO Rpt_GlbDEF(SystemID,Name,Type,Cols,IsBASE) values('CA','批次成本汇总表',79,10,1)",
        "drop table [dbo].[ca_batchmx_tmp]",
        "Alter table CA_Acr_DetailMau add autoid int identity(1,1) not null",
        "ALTER TABLE [dbo].[CA_SPDF] WITH NOCHECK ADD CONSTRAINT [PK_CA_SPDF] PRIMARY KEY  CLUSTERED (ID)"};
    for (std::size_t i = 0; i < landmarks.size(); ++i) {
        ASSERT_LT(indexOf(texts, landmarks[i]), texts.size()) << landmarks[i];
        if (i) {
            EXPECT_LT(indexOf(texts, landmarks[i - 1]), indexOf(texts, landmarks[i])) << landmarks[i];
        }
    }
}

TEST(UpgradeDriverTest, EveryStatementFailingChangesNothingInTheSequence) {
    FakeAdo quiet, failing;
    upgrade::UpgradeCaSchema(quiet, quiet.given());
    failing.failWhen = [](const std::string& kind, const std::string&) -> std::optional<Failure> {
        if (kind == "exec") return Failure{platform::kErrStatementFailed, "refused"};
        return std::nullopt;
    };
    EXPECT_NO_THROW(upgrade::UpgradeCaSchema(failing, failing.given()));
    // Only the two key operations stop: AddIdentityKeys at its first statement.
    std::set<std::string> laterKeys;
    for (const auto& table : upgrade::identityKeyTables()) {
        laterKeys.insert("Alter table " + table + " add autoid int identity(1,1) not null");
        laterKeys.insert("alter table " + table + " add constraint PK_" + table + " primary key nonclustered (autoid)");
    }
    laterKeys.erase("Alter table CA_Acr_DetailMau add autoid int identity(1,1) not null");
    laterKeys.insert("ALTER TABLE [dbo].[CA_DistrItem] WITH NOCHECK ADD CONSTRAINT [PK_CA_DistrItem] PRIMARY KEY  CLUSTERED (iItemID)  ");
    laterKeys.insert("ALTER TABLE [dbo].[CA_SPDF] WITH NOCHECK ADD CONSTRAINT [PK_CA_SPDF] PRIMARY KEY  CLUSTERED (ID)");
    auto all = quiet.executed(), some = failing.executed();
    std::vector<std::string> expected;
    for (const auto& s : all)
        if (!laterKeys.count(s)) expected.push_back(s);
    EXPECT_EQ(some, expected);
}

TEST(UpgradeDriverTest, UnusableConnectionIsASilentNoOp) {
    FakeAdo noGiven;
    EXPECT_NO_THROW(upgrade::UpgradeCaSchema(noGiven, nullptr));
    EXPECT_TRUE(noGiven.journal.empty());

    FakeAdo refused;
    refused.failures["open"] = {-2147467259, "Login failed"};
    EXPECT_NO_THROW(upgrade::UpgradeCaSchema(refused, refused.given()));
    EXPECT_TRUE(refused.executed().empty());
    EXPECT_TRUE(refused.of("query").empty());

    FakeAdo unregistered;
    unregistered.failCreate = true;
    EXPECT_NO_THROW(upgrade::UpgradeCaSchema(unregistered, unregistered.given()));
    EXPECT_TRUE(unregistered.executed().empty());
}

// In a release-8.50 run the upgrade comes after the confirmation and before
// the transaction, on a connection of its own that is gone before BeginTrans.
TEST(UpgradeDriverTest, RunsBeforeTheTransactionAndReleasesItsConnection) {
    for (Release release : {Release::V850, Release::V861}) {
        FakeWorld world;
        scriptNormalRun(world);
        FakeAdo ado;
        ado.also = &world.journal;
        world.ado = &ado;
        world.underlying = ado.given();
        auto login = std::make_shared<FakeLogin>();
        shell::endyear component(release, world);
        component.caLogin(login);
        component.subYearend();
        auto at = [&](const std::string& kind, const std::string& text) {
            auto it = std::find_if(world.journal.begin(), world.journal.end(),
                                   [&](const Event& e) { return e.kind == kind && (text.empty() || e.text == text); });
            return static_cast<std::size_t>(it - world.journal.begin());
        };
        std::size_t begin = at("begin", ""), end = world.journal.size();
        ASSERT_LT(begin, end);
        if (release == Release::V861) {
            EXPECT_EQ(at("create", ""), end);
            continue;
        }
        std::size_t first = at("exec", "alter table CA_Amoct add OnpRation float default 0 not null ");
        std::size_t release850 = at("release", "");
        EXPECT_LT(at("query", "select * from ca_cbsys "), first);
        EXPECT_LT(first, release850);
        EXPECT_LT(release850, begin);
        // Its own connection, opened from the given one's string.
        EXPECT_EQ(at("open", ado.connectionString + "|||-1"), at("create", "connection") + 1);
    }
}

struct StampCase {
    const char* name;
    std::optional<Value> stored;          // nullopt: no Version row
    std::vector<std::string> writes;      // set/addnew/update events, in order
};

class VersionStampTest : public ::testing::TestWithParam<StampCase> {};

TEST_P(VersionStampTest, StampsOnlyWhatSortsBelow8500000) {
    const StampCase& c = GetParam();
    FakeAdo ado;
    if (c.stored) ado.results[kVersionQuery] = {{{"cvalue", *c.stored}, {"cdefault", Value("8000000")}}};
    upgrade::UpgradeCaSchema(ado, ado.given());
    std::vector<std::string> writes;
    for (const auto& e : ado.journal) {
        if (e.kind == "addnew" || e.kind == "update") writes.push_back(e.kind);
        if (e.kind == "set") writes.push_back(e.text);
    }
    EXPECT_EQ(writes, c.writes);
}

const std::vector<std::string> kRaised{"cvalue=8500000", "update"};
const std::vector<std::string> kAdded{"addnew",         "cSysID=CA",      "cID=18",           "cName=Version",
                                      "cCaption=版本",   "cType=Text",     "cvalue=8500000",   "cDefault=8500000",
                                      "bVisible=True",  "bEnable=True",   "update"};

INSTANTIATE_TEST_SUITE_P(
    Cases, VersionStampTest,
    ::testing::Values(StampCase{"Missing", std::nullopt, kAdded}, StampCase{"Lower", Value("8000000"), kRaised},
                      StampCase{"Equal", Value("8500000"), {}}, StampCase{"Short", Value("861"), {}},
                      StampCase{"Null", Value::null(), {}}, StampCase{"EightDigitsFrom1", Value("10000000"), kRaised},
                      StampCase{"Higher", Value("8610000"), {}}, StampCase{"Empty", Value(""), kRaised}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UpgradeDriverTest, UnreadableVersionRowStampsNothingAndTheGroupsStillRun) {
    FakeAdo ado;
    ado.failures[kVersionQuery] = {platform::kErrStatementFailed, "Invalid object name 'accinformation'."};
    upgrade::UpgradeCaSchema(ado, ado.given());
    EXPECT_TRUE(ado.of("addnew").empty());
    EXPECT_TRUE(ado.of("update").empty());
    EXPECT_FALSE(ado.executed().empty());
}

TEST(UpgradeDriverTest, FailingFieldAssignmentsArePassedOverOneByOne) {
    FakeAdo ado;
    ado.failures["set:cCaption"] = {3265, "Item cannot be found"};
    upgrade::UpgradeCaSchema(ado, ado.given());
    EXPECT_EQ(ado.of("set").size(), 9u);
    EXPECT_EQ(ado.of("update").size(), 1u);
}

struct GuardCase {
    const char* name;
    std::optional<Value> count;   // nullopt: the query fails
    bool inserted;
};

class ReportGuardTest : public ::testing::TestWithParam<GuardCase> {};

TEST_P(ReportGuardTest, FourReportsOnlyWhenNoBatchReportIsCounted) {
    const GuardCase& c = GetParam();
    FakeAdo ado;
    if (c.count) ado.results[kGuard] = {{{"", *c.count}}};
    else ado.failures[kGuard] = {platform::kErrStatementFailed, "Invalid object name 'rpt_glbdef'."};
    auto connection = ado.CreateAdoConnection();
    connection->Open("x");
    upgrade::UpgradeSession session(*connection, [&] { return ado.CreateAdoRecordset(); });
    upgrade::BatchReportDefinitions(session);
    std::vector<std::string> expected;
    if (c.inserted) {
        for (const char* row : {"'批次成本汇总表',79", "'批次成本明细表',80", "'完工产品成本台账',79", "'部门成本核算表',80"})
            expected.push_back(std::string("INSERT INTO Rpt_GlbDEF(SystemID,Name,Type,Cols,IsBASE) values('CA',") + row +
                               ",10,1)");
    }
    EXPECT_EQ(ado.executed(), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportGuardTest,
                         ::testing::Values(GuardCase{"None", Value(0), true}, GuardCase{"Some", Value(2), false},
                                           GuardCase{"Null", Value::null(), true},
                                           GuardCase{"QueryFails", std::nullopt, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UpgradeDriverTest, WorkTablesAreBuiltLineByLineWithoutATrailingLineEnd) {
    FakeAdo ado;
    auto connection = ado.CreateAdoConnection();
    connection->Open("x");
    upgrade::UpgradeSession session(*connection, [&] { return ado.CreateAdoRecordset(); });
    upgrade::ReportWorkTables(session);
    auto texts = ado.executed();
    ASSERT_EQ(texts.size(), 10u);
    const std::string& tmp1 = texts[7];
    EXPECT_EQ(tmp1.substr(0, tmp1.find("\r\n")), "CREATE TABLE [dbo].[ca_batchmxhy_tmp1] (");
    EXPECT_NE(tmp1.find("\r\n[iTotalAmo] [money] NULL ,\r\n[iOnpTotalAmo] [money] NULL,\r\n[ifinpdtunitamo] [money] NULL,\r\n"
                        "[ifinqua] [float] NULL\r\n) ON [PRIMARY]"),
              std::string::npos)
        << tmp1;
    EXPECT_EQ(tmp1.substr(tmp1.size() - 14), ") ON [PRIMARY]");
    EXPECT_NE(texts[5].find("\r\n[CPPid] [varchar] (60) NULL ,\r\n[mode] [tinyint] NULL ,\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vantyr::testing
