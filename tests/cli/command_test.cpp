// The vantyr command's subcommands: validation before anything opens, exit
// codes, the prompt without a terminal, the dry run, languages.
#include <gtest/gtest.h>

#include <fstream>

#include "cli/commands.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {
namespace {

class CommandTest : public DemoFixture {
protected:
    std::ostringstream out, err;
    std::istringstream in;
    cli::Console console{out, err, in, false, false};

    cli::CarryOverOptions options(Release release = Release::V861) {
        cli::CarryOverOptions o;
        o.data = temp.path().string();
        o.account = "001";
        o.year = "2005";
        o.release = release;
        o.language = "en";
        return o;
    }
};

TEST_F(CommandTest, InvalidAccountOrYearIsRefusedBeforeAnythingOpens) {
    for (const char* account : {"", "00 1", "001'; drop table x--", "a.b"}) {
        auto o = options();
        o.account = account;
        EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitUsage) << account;
    }
    for (const char* year : {"", "20o5", "-1", "99999", "2005 "}) {
        auto o = options();
        o.year = year;
        EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitUsage) << year;
    }
    EXPECT_NE(err.str().find("invalid account number"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
}

TEST_F(CommandTest, MissingDataDirectoryIsAUsageError) {
    auto o = options();
    o.data = (temp.path() / "nowhere").string();
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitUsage);
    EXPECT_NE(err.str().find("does not exist"), std::string::npos);
}

TEST_F(CommandTest, ExitCodesOfCommittedStoppedAndFailedRuns) {
    auto o = options(Release::V850);
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitStopped);  // no databases yet: 00137
    EXPECT_NE(err.str().find("previous year's database was not found"), std::string::npos);
    makeDemo(Release::V850);
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitCommitted);
    EXPECT_NE(err.str().find("committed; 1 statement(s) skipped"), std::string::npos) << err.str();
    // Again without a terminal and without --yes: the prompt answers Cancel.
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitStopped);
    EXPECT_NE(err.str().find("Cancel (no terminal"), std::string::npos);
    o.yes = true;
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitCommitted);
    // A missing table is an ordinary statement failure: passed over, still committed.
    Probe(file("2005")).exec("drop table ca_quo; delete from vantyr_tables where name like 'ca_quo'");
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitCommitted);
    // Rows of another table that refer to the current year's cost data: rolled back.
    {
        platform::sqlite::Session session(directory);
        std::string s = session.attach(directory.locate("001", "2005"));
        session.execute(s, "ALTER TABLE CA_DepDF ADD CONSTRAINT UQ_DepDF UNIQUE (cDeptID)");
        session.execute(s, "CREATE TABLE Department2 (id int NOT NULL, cDeptID varchar(12) NULL, "
                           "CONSTRAINT FK_Dep FOREIGN KEY (cDeptID) REFERENCES CA_DepDF (cDeptID))");
        session.execute(s, "insert into Department2 (id, cDeptID) select 1, min(cDeptID) from CA_DepDF");
    }
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitFailed);
    EXPECT_NE(err.str().find("already holds cost data"), std::string::npos);
}

TEST_F(CommandTest, DryRunPrintsThePlanAndWritesNothing) {
    makeDemo(Release::V861);
    std::string prevBefore = prev().dump(), curBefore = cur().dump();
    auto o = options();
    o.dryRun = true;
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitCommitted);
    EXPECT_EQ(prev().dump(), prevBefore);
    EXPECT_EQ(cur().dump(), curBefore);
    EXPECT_NE(out.str().find("{\"seq\":1,"), std::string::npos);
    EXPECT_NE(out.str().find("\"text\":\"delete from ca_UserProperty \",\"outcome\":\"planned\""), std::string::npos);
    EXPECT_NE(err.str().find("nothing was written"), std::string::npos);
    EXPECT_NE(err.str().find("(dry run) Year-end carry-over: The carry-over completed successfully."), std::string::npos);
}

TEST_F(CommandTest, AFailingClosingMessageStillReportsTheCommit) {
    makeDemo(Release::V861);
    auto o = options();
    o.language = "xx";  // the message service has no texts for it: the closing message fails
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitCommitted);
    EXPECT_NE(err.str().find("could not be shown"), std::string::npos);
    EXPECT_EQ(cur().count("select iendyear from ca_cbsys"), 2005);
}

TEST_F(CommandTest, TraceFileAndItsFailure) {
    makeDemo(Release::V861);
    auto o = options();
    o.trace = (temp.path() / "no-such-dir" / "t.jsonl").string();
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitUsage);
    o.trace = (temp.path() / "t.jsonl").string();
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitCommitted);
    std::ifstream trace(o.trace);
    std::string first;
    std::getline(trace, first);
    EXPECT_EQ(first.rfind("{\"seq\":1,\"object\":\"PrevYearDb\"", 0), 0u) << first;
}

TEST_F(CommandTest, MessagesInChineseAndRelease850InEnglish) {
    makeDemo(Release::V850);
    auto o = options(Release::V850);
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitCommitted);
    EXPECT_NE(err.str().find("Carry-over: The carry-over completed successfully."), std::string::npos) << err.str();
    o.language = "zh";
    o.release = Release::V861;
    o.yes = true;
    err.str("");
    cli::runCarryOver(o, console);
    EXPECT_NE(err.str().find("年末结转: 2004年度已进行过年末结转"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("结转工作已顺利完成！"), std::string::npos);
}

TEST_F(CommandTest, DemoAndCreateRefuseToOverwrite) {
    cli::DemoCommandOptions demo;
    demo.data = temp.path().string();
    demo.rows = 24;
    EXPECT_EQ(cli::runDemo(demo, console), cli::kExitCommitted);
    EXPECT_EQ(cli::runDemo(demo, console), cli::kExitUsage);
    cli::CreateOptions create{temp.path().string(), "002", "2006", Release::V850};
    EXPECT_EQ(cli::runCreate(create, console), cli::kExitCommitted);
    EXPECT_EQ(cli::runCreate(create, console), cli::kExitFailed);
    EXPECT_TRUE(std::filesystem::exists(temp.path() / "QXDATA_002_2006.db"));
}

}  // namespace
}  // namespace vantyr::testing
