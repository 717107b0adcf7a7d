// The server's rules where the carry-over depends on them: a state flag
// written as -1 through SQL, codes that differ only by trailing blanks.
#include <gtest/gtest.h>

#include "platform/sqlite/session.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {
namespace {

class ServerRulesEndToEnd : public DemoFixture {
protected:
    void write(const std::string& year, std::initializer_list<const char*> statements) {
        platform::sqlite::Session session(directory);
        auto schema = session.attach(directory.locate("001", year));
        for (const char* sql : statements) session.execute(schema, sql);
    }
};

// The bit column keeps 1 for -1, so the 8.61 run finds the opening balances
// marked and asks before overwriting (a Cancel here stops the run).
TEST_F(ServerRulesEndToEnd, InitialBalancesFlagWrittenAsMinusOneMakesRelease861Ask) {
    makeDemo(Release::V861);
    write("2005", {"delete from ca_cbsys", "insert into ca_cbsys (iendmonth, iendyear, binitleft) values (0, 2005, -1)"});
    EXPECT_EQ(cur().count("select count(*) from ca_cbsys where binitleft = 1"), 1);
    EngineRun run = carryOver(Release::V861, false);
    EXPECT_NE(run.messages.find("was already carried over"), std::string::npos) << run.messages;
    EXPECT_FALSE(run.result);
}

// 'B1' and 'B1 ' are one key value: restoring CA_DistrInput's primary key
// over both fails, the run passes the statement over and commits the rows.
TEST_F(ServerRulesEndToEnd, KeyOverCodesThatDifferByTrailingBlanksFailsAndIsPassedOver) {
    makeDemo(Release::V850);
    write("2004", {"alter table CA_DistrInput drop constraint aaaaaCA_DistrInput_PK",
                   "insert into CA_DistrInput (cPPID, cBatch, iPeriod) values ('B1', 'x', 1), ('B1 ', 'x', 1)",
                   "insert into ca_amoct (cppid, cbatch, camoid, iperiod) values ('T9  ', 'b', 'a', 12)"});
    EngineRun run = carryOver(Release::V850);
    ASSERT_NE(run.messages.find("completed successfully"), std::string::npos) << run.messages;
    bool keySkipped = false;
    std::istringstream lines(run.trace);
    for (std::string line; std::getline(lines, line);)
        keySkipped |= line.find("aaaaaCA_DistrInput_PK") != std::string::npos && line.find("\"skipped\"") != std::string::npos;
    EXPECT_TRUE(keySkipped) << run.trace;
    Probe c = cur();
    EXPECT_EQ(c.count("select count(*) from sysobjects where name = 'aaaaaCA_DistrInput_PK'"), 0);
    EXPECT_EQ(c.count("select count(*) from CA_DistrInput where cPPID = 'B1'"), 2);
    // A code carried with trailing blanks matches its trimmed form.
    EXPECT_EQ(c.count("select count(*) from ca_amoct where cppid = 'T9'"), 1);
}

}  // namespace
}  // namespace vantyr::testing
