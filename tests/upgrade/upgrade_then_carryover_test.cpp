// The objects the upgrade installs in the current year do not stand in the
// carry-over's way, and the reports read the carried opening balances.
#include <gtest/gtest.h>

#include "tests/upgrade/upgrade_groups_fixture.h"

namespace vantyr::testing {
namespace {

class UpgradeThenCarryOverTest : public UpgradeGroupsFixture {};

TEST_F(UpgradeThenCarryOverTest, CarryOverCommitsAndTheReportsShowTheOpeningBalances) {
    makeUpgradeDemo();
    runAllGroups("2005");
    runAllGroups("2005");
    EngineRun run = carryOver(Release::V850);
    ASSERT_TRUE(run.result) << run.messages;
    // Every carried row is an opening balance of period 0, whose finished amount counts as 0.
    EXPECT_NE(rows("2005", "select count(*) from CAQ_Detail"), std::vector<std::string>{"0"});
    EXPECT_EQ(rows("2005", "select count(*) = sum(iFinTotalAmo = 0) and max(iPeriod) = 0 from CAQ_Detail"),
              std::vector<std::string>{"1"});
    EXPECT_NE(rows("2005", "select count(*) from caq_mxb"), std::vector<std::string>{"0"});
}

}  // namespace
}  // namespace vantyr::testing
