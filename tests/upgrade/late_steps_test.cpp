// Groups 15, 16 and 18 on a real account-year database: what the first run
// adds, and a second run that changes nothing.
#include <gtest/gtest.h>

#include "tests/upgrade/upgrade_groups_fixture.h"
#include "upgrade/statement_groups.h"

namespace vantyr::testing {
namespace {

class LateStepsTest : public UpgradeGroupsFixture {
protected:
    std::vector<SentStatement> runLate() {
        return runGroups("2005", {upgrade::LateColumnTableIndexSteps, upgrade::MergedReportDefinition,
                                  upgrade::IndexRemoval});
    }
    std::string catalogue() {
        std::string out;
        for (const char* sql : {"select name || ':' || definition from vantyr_tables order by name",
                                "select name || ':' || xtype || ':' || parent_obj from sysobjects order by name, xtype",
                                "select id || ':' || name from sysindexes order by id, name",
                                "select type || ':' || name || ':' || coalesce(sql, '') from sqlite_master order by type, name",
                                "select SystemID || ':' || Name || ':' || Type from Rpt_GlbDEF order by Name"})
            for (const auto& r : rows("2005", sql)) out += r + "\n";
        return out;
    }
};

TEST_F(LateStepsTest, FirstRunAddsSecondRunChangesNothingDuplicatesStopOnlyTheirKey) {
    makeUpgradeDemo();
    ASSERT_EQ(tryExecute("2005", "insert into CA_UserProperty (cUserID, cDeptID) values ('u', 'D01')"), std::nullopt);
    ASSERT_EQ(tryExecute("2005", "create index cppid on ca_acr (cppid)"), std::nullopt);  // an obsolete index
    runLate();
    EXPECT_EQ(rows("2005", "select count(*) from sysindexes where name = 'cppid'"), std::vector<std::string>{"0"});
    // The merged report is registered once; CA_UserProperty is gone; the cost tables have their unique keys.
    EXPECT_EQ(rows("2005", "select count(*) from Rpt_GlbDEF where SystemID = 'CA' and Name = '完工产品成本合并表' and "
                           "Type = 80 and Cols = 10 and IsBASE = 1"),
              std::vector<std::string>{"1"});
    EXPECT_EQ(rows("2005", "select count(*) from sysobjects where name = 'CA_UserProperty'"), std::vector<std::string>{"0"});
    EXPECT_EQ(rows("2005", "select count(*) from sysindexes where name in ('PKAmoct', 'PKMaBSW', 'PKCompd', 'PKSAmoct')"),
              std::vector<std::string>{"4"});
    EXPECT_EQ(tryExecute("2005", "insert into CA_ComPD (cppid, cbatch, iperiod, iIntoAmo_Auxi) values ('p', 'b', 1, 2.5)"),
              std::nullopt);
    EXPECT_NE(tryExecute("2005", "insert into CA_ComPD (cppid, cbatch, iperiod) values ('p', 'b', 1)"), std::nullopt);

    std::string before = catalogue();
    auto second = runLate();
    EXPECT_EQ(catalogue(), before);
    // Every statement of the second run failed and was passed over, except the five column widths set again.
    int succeeded = 0;
    for (const auto& s : second) succeeded += !s.error;
    EXPECT_EQ(succeeded, 5);

    SCOPED_TRACE("duplicate cost rows prevent the unique key and the run goes on");
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(tryExecute("2004", "insert into CA_AmoCt (cppid, cbatch, camotype, camoid, iperiod) values ('p', 'b', "
                                     "'0', 'm', 1)"),
                  std::nullopt);
    auto sent = runGroups("2004", {upgrade::LateColumnTableIndexSteps});
    bool refused = false;
    for (const auto& f : failures(sent)) refused |= f.sql.find("PKAmoct") != std::string::npos;
    EXPECT_TRUE(refused);
    EXPECT_EQ(rows("2004", "select count(*) from sysindexes where name = 'PKAmoct'"), std::vector<std::string>{"0"});
    EXPECT_EQ(rows("2004", "select count(*) from sysindexes where name = 'PKEnMOP'"), std::vector<std::string>{"1"});
}

}  // namespace
}  // namespace vantyr::testing
