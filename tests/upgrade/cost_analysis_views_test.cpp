// The a_cbfx_ views of group 10 on the demo: the actual consumption per
// finished unit follows its zero rules, computed here from the base rows
// (-1 below stands for no value).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "tests/upgrade/upgrade_groups_fixture.h"
#include "upgrade/statement_groups.h"

namespace vantyr::testing {
namespace {

class CostAnalysisViewsTest : public UpgradeGroupsFixture {};

std::vector<std::string> fields(const std::string& row) {
    std::vector<std::string> out;
    std::stringstream in(row);
    for (std::string f; std::getline(in, f, '|');) out.push_back(f);
    if (!row.empty() && row.back() == '|') out.emplace_back();
    return out;
}

TEST_F(CostAnalysisViewsTest, ConsumptionPerFinishedUnitFollowsItsZeroRules) {
    makeUpgradeDemo();
    Probe p = prev();
    p.exec("update ca_amoct set ionptotalamo = NULL where autoid % 6 = 1");
    p.exec("update ca_amoct set ionptotalamo = itotalamo where autoid % 6 = 2");
    p.exec("update ca_amoct set ifinpdtunitamo = 0 where autoid % 6 = 3");
    // No total amount but some in work in progress: the guards pass and the division by the total
    // amount has no value (Null), where the server would stop the query.
    p.exec("update ca_amoct set itotalamo = 0, ionptotalamo = 5 where autoid % 6 = 4");
    auto sent = runGroups("2004", {upgrade::InventoryView, upgrade::QueryViews, upgrade::CostAnalysisProcedures});
    for (const char* view : {"a_cbfx_cacostcd", "a_cbfx_cpcbcy_jh", "a_cbfx_cpcbcy_ls1", "a_cbfx_cpcbcy_ls2",
                             "a_cbfx_cpcbcy_ls3"})
        EXPECT_EQ(rows("2004", std::string("select count(*) from sysobjects where xtype = 'V' and name = '") + view + "'"),
                  std::vector<std::string>{"1"})
            << view;

    // Expected, by product (one cost row per product in the demo).
    std::map<std::string, double> expected;
    int zeroCases = 0;
    for (const auto& r : rows("2004", "select cppid, iqua, itotalamo, ionptotalamo is null, ionptotalamo, ifinqua, "
                                      "ifinpdtunitamo from ca_amoct")) {
        auto f = fields(r);
        double qua = std::stod(f[1]), total = std::stod(f[2]), finqua = std::stod(f[5]), unit = std::stod(f[6]);
        bool onpNull = f[3] == "1";
        double onp = onpNull ? 0 : std::stod(f[4]);
        bool zero = onpNull || total - onp == 0 || finqua == 0 || unit == 0;
        zeroCases += zero;
        expected[f[0]] = zero ? 0 : total == 0 ? -1 : qua * ((total - onp) / total) / finqua;
    }
    ASSERT_GT(zeroCases, 10);
    ASSERT_TRUE(std::any_of(expected.begin(), expected.end(), [](const auto& e) { return e.second == -1; }));
    for (const char* sql : {"select cPPID, dblBJSjHl from a_cbfx_cpcbcy_ls1", "select cPPID, dblFXSjHl from a_cbfx_cpcbcy_ls2",
                            "select cPPID, dblSjHl from a_cbfx_cpcbcy_jh where iPdtUnitAMo = 0 and dblJHHL = 0"}) {
        SCOPED_TRACE(sql);
        auto view = rows("2004", sql);
        EXPECT_EQ(view.size(), expected.size());
        for (const auto& r : view) {
            auto f = fields(r);
            EXPECT_NEAR(f[1].empty() ? -1 : std::stod(f[1]), expected.at(f[0]), 1e-6) << r;
        }
    }
}

}  // namespace
}  // namespace vantyr::testing
