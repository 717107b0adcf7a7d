// The carried tables as read off the catalogue's own statements.
#include <gtest/gtest.h>

#include <algorithm>

#include "carryover/carried_tables.h"

namespace vantyr::testing {
namespace {

using carryover::CarriedTable;

carryover::RunContext contextFor(Release release) {
    carryover::RunContext c;
    c.release = release;
    c.curDbName = "QXDATA_001_2005";
    c.curYear = 2005;
    c.periods = {12, 12, -1, 12, 12};
    return c;
}

const CarriedTable* find(const std::vector<CarriedTable>& tables, const std::string& name) {
    auto it = std::find_if(tables.begin(), tables.end(), [&](const CarriedTable& t) { return t.table == name; });
    return it == tables.end() ? nullptr : &*it;
}

TEST(CarriedTablesTest, RulesAndColumnsComeFromTheCopiesThemselves) {
    for (Release release : {Release::V850, Release::V861}) {
        auto tables = carryover::carriedTables(contextFor(release));
        auto menu = std::count_if(tables.begin(), tables.end(), [](const auto& t) { return t.table == "CA_MenuDef"; });
        EXPECT_EQ(menu, 1);  // copied twice, counted once
        ASSERT_TRUE(find(tables, "cA_enmom"));
        EXPECT_EQ(find(tables, "cA_enmom")->source, "from ca_enmom where iperiod =-1");  // gated: offers nothing
        EXPECT_EQ(carryover::offeredRowsQuery(*find(tables, "cA_depfr")),
                  "select count(*) as n from ca_depfr where iforeyear >= 2005");
        ASSERT_TRUE(find(tables, "CA_DistrItem"));  // an identity batch: the copy is its middle line
        EXPECT_EQ(find(tables, "CA_DistrItem")->source, "from CA_DistrItem");
        EXPECT_EQ(find(tables, "CA_DistrInput")->structureOnly, release == Release::V861);
        EXPECT_TRUE(find(tables, "cA_RptSUM")->sourceColumns.empty());  // select *
        EXPECT_EQ(find(tables, "cA_RptADD")->targetColumns, (std::vector<std::string>{"corder", "addid"}));
        EXPECT_EQ(find(tables, "CA_COBase") != nullptr, release == Release::V861);
    }
    EXPECT_EQ(carryover::tablesClearedAtPeriodZero(Release::V861), (std::vector<std::string>{"ca_propu", "ca_onpce"}));
}

TEST(CarriedTablesTest, ReleaseMarkersAreWhatOnly861Names) {
    auto markers = carryover::releaseMarkers();
    auto has = [&](const std::string& table, std::optional<std::string> column) {
        return std::any_of(markers.begin(), markers.end(),
                           [&](const auto& m) { return m.table == table && m.column == column; });
    };
    EXPECT_TRUE(has("CA_COBase", std::nullopt));
    EXPECT_TRUE(has("cA_CostCD", "iAttribute"));
    EXPECT_TRUE(has("CA_DistrItem", "iType"));
    EXPECT_FALSE(has("cA_CostCD", "cformula"));  // both releases copy it
}

}  // namespace
}  // namespace vantyr::testing
