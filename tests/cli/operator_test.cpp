// What an operator relies on, on real files: the check before the run, the
// release taken from the data, the reconciliation after the commit, a repeated
// carry-over that replaces instead of doubling, and a trace that survives a kill.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "platform/sqlite/session.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {
namespace {

class OperatorTest : public DemoFixture {
protected:
    std::ostringstream out, err;
    std::istringstream in;
    cli::Console console{out, err, in, false, false};

    cli::CarryOverOptions options(std::optional<Release> release) {
        cli::CarryOverOptions o;
        o.data = temp.path().string();
        o.account = "001";
        o.year = "2005";
        o.release = release;
        o.language = "en";
        o.yes = true;
        return o;
    }
    bool said(const std::string& text) const { return err.str().find(text) != std::string::npos; }
};

TEST_F(OperatorTest, A850YearIsRefusedUnder861BeforeAnythingIsWrittenAndCarriedAs850WithoutRelease) {
    makeDemo(Release::V850);
    std::string prevBefore = prev().dump(), curBefore = cur().dump();
    EXPECT_EQ(cli::runCarryOver(options(Release::V861), console), cli::kExitStopped);
    EXPECT_TRUE(said("schema of 2004          belongs to release 8.50, not 8.61")) << err.str();
    EXPECT_EQ(prev().dump(), prevBefore);  // not even the closing-month mark
    EXPECT_EQ(cur().dump(), curBefore);

    EXPECT_EQ(cli::runCarryOver(options(std::nullopt), console), cli::kExitCommitted);
    EXPECT_TRUE(said("release 8.50 taken from the data (--release not given)"));
    for (const char* table : {"CA_DepDF", "CA_ALLMT", "CA_CostCD", "CA_DistrItem"}) {
        std::string count = std::string("select count(*) from ") + table;
        EXPECT_GT(cur().count(count), 0) << table;
        EXPECT_EQ(cur().count(count), prev().count(count)) << table;
    }
}

class RepeatTest : public OperatorTest, public ::testing::WithParamInterface<Release> {};

TEST_P(RepeatTest, ASecondCarryOverLeavesTheUnkeyedTablesWithThePreviousYearsRowsOnce) {
    makeDemo(GetParam());
    ASSERT_EQ(cli::runCarryOver(options(GetParam()), console), cli::kExitCommitted) << err.str();
    err.str("");
    int second = cli::runCarryOver(options(GetParam()), console);
    for (const char* table : {"cA_ACR_invC", "cA_Allmt_invc"}) {
        std::string count = std::string("select count(*) from ") + table;
        EXPECT_GT(prev().count(count), 0);
        EXPECT_EQ(cur().count(count), prev().count(count)) << table;
    }
    if (GetParam() == Release::V850) {
        EXPECT_EQ(second, cli::kExitCommitted) << err.str();
    } else {
        // The cost-object table without a key is still filled a second time
        // (the clear list leaves the cost objects alone); the reconciliation says so.
        EXPECT_EQ(second, cli::kExitUnreconciled);
        EXPECT_TRUE(said("committed but NOT reconciled: CA_COReal2")) << err.str();
    }
}

INSTANTIATE_TEST_SUITE_P(BothReleases, RepeatTest, ::testing::Values(Release::V850, Release::V861),
                         [](const auto& info) { return info.param == Release::V850 ? "R850" : "R861"; });

TEST_F(OperatorTest, PeriodRowsInTheCurrentYearBlockTheRunUnlessForced) {
    makeDemo(Release::V861);
    {
        platform::sqlite::Session session(directory);
        session.execute(session.attach(directory.locate("001", "2005")),
                        "insert into ca_propu (cppid, cbatch, cuseppid, cusebatch, iqua, iperiod) values ('P9', 'B9', 'U9', 'V9', 1, 3)");
    }
    std::string prevBefore = prev().dump(), curBefore = cur().dump();
    auto o = options(Release::V861);
    o.json = (temp.path() / "summary.json").string();
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitStopped);
    EXPECT_TRUE(said("ca_propu of 2005        1 row(s) of periods 1 to 12 would be renumbered into period 0")) << err.str();
    EXPECT_EQ(prev().dump(), prevBefore);
    EXPECT_EQ(cur().dump(), curBefore);
    EXPECT_EQ(nlohmann::json::parse(std::ifstream(o.json))["outcome"], "stopped");

    o.force = true;
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitUnreconciled);
    EXPECT_TRUE(said("--force: running despite"));
    EXPECT_TRUE(said("committed but NOT reconciled: cA_propu")) << err.str();
    auto summary = nlohmann::json::parse(std::ifstream(o.json));
    EXPECT_EQ(summary["overridden"].size(), 1u);
}

TEST_F(OperatorTest, CheckReportsEveryFindingAndAsksAfterAFirstCarryOver) {
    makeDemo(Release::V861);
    cli::CheckOptions c;
    c.data = temp.path().string();
    c.account = "001";
    c.year = "2005";
    c.json = true;
    ASSERT_EQ(cli::runCheck(c, console), cli::kExitCommitted);
    auto report = nlohmann::json::parse(out.str());
    EXPECT_EQ(report["release"], "8.61");
    EXPECT_TRUE(report["releaseFromData"].get<bool>());
    EXPECT_FALSE(report["blocks"].get<bool>());
    EXPECT_EQ(report["periods"]["CA_AmoCt"], 12);
    std::map<std::string, nlohmann::json> bySubject;
    for (const auto& f : report["findings"]) bySubject[f["subject"]] = f;
    EXPECT_EQ(bySubject["state of 2005"]["verdict"], "ok");
    EXPECT_EQ(bySubject["CA_DistrInput"]["rows"], 0);            // rebuilt empty in 8.61
    EXPECT_EQ(bySubject["cA_enmom"]["rows"], prev().count("select count(*) from ca_enmom where iperiod = 12"));

    ASSERT_EQ(cli::runCarryOver(options(Release::V861), console), cli::kExitCommitted);
    out.str("");
    cli::runCheck(c, console);
    report = nlohmann::json::parse(out.str());
    for (const auto& f : report["findings"]) bySubject[f["subject"]] = f;
    EXPECT_EQ(bySubject["state of 2005"]["verdict"], "will ask");
}

// A run killed in the middle leaves a trace whose every line is valid JSON,
// numbered in order from 1: each line is flushed as it is written.
TEST_F(OperatorTest, ARunKilledMidwayLeavesEveryTraceLineUpToTheKill) {
    makeDemo(Release::V861);
    auto tracePath = temp.path() / "killed.jsonl";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::ofstream trace(tracePath);
        struct KillAtStep : platform::TraceWriter {
            using TraceWriter::TraceWriter;
            void Step(int index, int, const std::string&) override {
                if (index == 40) raise(SIGKILL);
            }
        } observer(&trace);
        std::ostringstream sink;
        std::istringstream none;
        cli::ConsoleMessages messages("en", cli::Confirm::Yes, sink, none, false);
        platform::sqlite::SqlitePlatform platform(directory, messages, messages);
        shell::endyear component(Release::V861, platform);
        component.caLogin(std::make_shared<platform::sqlite::SqliteLogin>(directory, "001", "2005"));
        component.setObserver(&observer);
        component.subYearend();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    std::ifstream trace(tracePath);
    std::string line;
    int expected = 1;
    while (std::getline(trace, line)) {
        auto record = nlohmann::json::parse(line);  // throws on a torn line
        EXPECT_EQ(record["seq"], expected++);
    }
    EXPECT_GT(expected, 40);  // the reads, the mark and every statement of the first 39 steps
}

}  // namespace
}  // namespace vantyr::testing
