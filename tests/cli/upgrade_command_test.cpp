// `vantyr upgrade`: refused arguments and environment, the per-group summary
// and the failing statements with --verbose, the trace under object Upgrade.
#include <gtest/gtest.h>

#include <fstream>

#include "cli/upgrade_command.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {
namespace {

class UpgradeCommandTest : public DemoFixture {
protected:
    std::ostringstream out, err;
    std::istringstream in;
    cli::Console console{out, err, in, false, false};

    cli::UpgradeOptions options() {
        cli::UpgradeOptions o;
        o.data = temp.path().string();
        o.account = "001";
        o.year = "2005";
        return o;
    }
};

TEST_F(UpgradeCommandTest, BadArgumentsAndMissingDatabasesAreUsageErrors) {
    auto o = options();
    EXPECT_EQ(cli::runUpgrade(o, console), cli::kExitUsage);  // no database yet
    EXPECT_NE(err.str().find("no database QXDATA_001_2005"), std::string::npos) << err.str();
    o.account = "001'; drop table x--";
    EXPECT_EQ(cli::runUpgrade(o, console), cli::kExitUsage);
    o = options();
    o.data = (temp.path() / "nowhere").string();
    EXPECT_EQ(cli::runUpgrade(o, console), cli::kExitUsage);
}

TEST_F(UpgradeCommandTest, PrintsEachGroupAndTheFailuresWhenVerbose) {
    makeDemo(Release::V850, 12);
    auto o = options();
    o.verbose = true;
    o.trace = (temp.path() / "trace.jsonl").string();
    ASSERT_EQ(cli::runUpgrade(o, console), cli::kExitCommitted) << err.str();
    std::string summary = out.str();
    for (const char* group : {"Version stamp", "Completion ratio column", "Report work tables", "Key normalisation",
                              "Index removal", "all groups"})
        EXPECT_NE(summary.find(group), std::string::npos) << group;
    // A year already at 8.50's schema: the column exists, so its addition fails and is listed.
    EXPECT_NE(summary.find("- alter table CA_Amoct add OnpRation float default 0 not null"), std::string::npos) << summary;
    std::ifstream trace(o.trace);
    std::string first;
    std::getline(trace, first);
    EXPECT_NE(first.find("\"object\":\"Upgrade\""), std::string::npos) << first;
}

}  // namespace
}  // namespace vantyr::testing
