// The run against the recording stand-ins: a failing BeginTrans or CommitTrans
// is never passed over, whatever its number; a storage failure is never passed
// over in either mode and never taken for "first year of use"; every failure
// the run does pass over is in the record.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/error.h"
#include "platform/trace_writer.h"
#include "shell/endyear.h"
#include "tests/support/fakes.h"

namespace vantyr::testing {
namespace {

using platform::Error;
using platform::RunEnd;

// The stand-ins, with a transaction bracket that fails where told.
class World : public FakeWorld {
public:
    struct Bracket : platform::TransactionEngine {
        explicit Bracket(World& w) : world(w) {}
        void BeginTrans() override {
            world.transactions.BeginTrans();
            if (world.failBegin) throw *world.failBegin;
        }
        void CommitTrans() override {
            if (world.failCommit) throw *world.failCommit;
            world.transactions.CommitTrans();
        }
        void Rollback() override { world.transactions.Rollback(); }
        World& world;
    };
    World() : bracket(*this) {}
    platform::TransactionEngine& ThreadTransactionEngine() override { return bracket; }

    std::optional<Error> failBegin, failCommit;
    Bracket bracket;
};

class Ending : public platform::TraceWriter {
public:
    Ending() : TraceWriter(&out) {}
    void RunFailed(const Error& e) override {
        failed.push_back(e.number());
        TraceWriter::RunFailed(e);
    }
    void Finished(RunEnd e) override { end = e; }
    std::ostringstream out;
    std::vector<long> failed;
    std::optional<RunEnd> end;
};

struct StoragePolicyTest : ::testing::Test {
    World world;
    std::shared_ptr<FakeLogin> login = std::make_shared<FakeLogin>();
    Ending ending;

    void SetUp() override { scriptNormalRun(world); }
    bool run(Release release = Release::V861) {
        shell::endyear component(release, world);
        component.caLogin(login);
        component.setObserver(&ending);
        return component.subYearend();
    }
    int count(const std::string& kind) const {
        auto k = world.kinds();
        return static_cast<int>(std::count(k.begin(), k.end(), kind));
    }
    std::string lastMessage() const { return world.messages.shown.empty() ? "" : world.messages.shown.back().prompt; }
};

// Whatever the number, a failed bracket ends the run rolled back with its description.
TEST_F(StoragePolicyTest, AFailingBeginOrCommitIsNeverPassedOver) {
    const long numbers[] = {platform::kErrStatementFailed, platform::kErrLocked, 3034};
    for (bool atCommit : {false, true}) {
        for (long number : numbers) {
            SCOPED_TRACE(std::string(atCommit ? "commit" : "begin") + " failing with " + std::to_string(number));
            world.journal.clear();
            world.messages.shown.clear();
            ending.end.reset();
            Error failure(number, "the bracket failed here");
            world.failBegin.reset();
            world.failCommit.reset();
            (atCommit ? world.failCommit : world.failBegin) = failure;

            EXPECT_FALSE(run());
            EXPECT_EQ(ending.end, RunEnd::RolledBack);
            EXPECT_EQ(count("rollback"), 1);
            EXPECT_EQ(count("commit"), 0);
            EXPECT_EQ(lastMessage(), "the bracket failed here");
            if (!atCommit) {
                EXPECT_TRUE(world.executed().empty());  // nothing ran without its transaction
            }
        }
    }
}

// Storage failures where tolerant mode would pass over a failure: before the
// mark (the state query of the previous year) and on the mark itself.
TEST_F(StoragePolicyTest, AStorageFailureBeforeTheTransactionEndsTheRunWithoutFirstYear) {
    world.failures["select * from ca_cbsys "] = {platform::kErrLocked, "QXDATA_001_2004 is locked"};
    EXPECT_FALSE(run());
    EXPECT_EQ(ending.end, RunEnd::RolledBack);
    EXPECT_EQ(lastMessage(), "QXDATA_001_2004 is locked");
    EXPECT_EQ(count("begin"), 0);
    EXPECT_EQ(count("set"), 0);  // no mark
    EXPECT_EQ(ending.failed, std::vector<long>{platform::kErrLocked});
    EXPECT_NE(ending.out.str().find("\"outcome\":\"failed\""), std::string::npos);
    EXPECT_EQ(ending.skipped(), 0);
}

TEST_F(StoragePolicyTest, AStorageFailureInTheTransactionIsNotSkipped) {
    world.failures["delete from ca_QUO "] = {platform::kErrIo, "disk I/O error on QXDATA_001_2005"};
    EXPECT_FALSE(run());
    EXPECT_EQ(ending.end, RunEnd::RolledBack);
    EXPECT_EQ(count("rollback"), 1);
    EXPECT_EQ(count("commit"), 0);
    EXPECT_EQ(lastMessage(), "disk I/O error on QXDATA_001_2005");
    EXPECT_EQ(ending.skipped(), 0);
    EXPECT_EQ(world.executed().back().text, "delete from ca_QUO ");
}

// An ordinary failure tolerant mode passes over is counted and in the trace,
// also where it comes from no statement of its own (editing the mark's row).
TEST_F(StoragePolicyTest, PassedOverFailuresOfTheMarkAreInTheRecord) {
    world.failures["edit:select * from ca_cbsys "] = {platform::kErrStatementFailed, "the row cannot be edited"};
    EXPECT_TRUE(run());
    EXPECT_NE(ending.out.str().find("the row cannot be edited"), std::string::npos) << ending.out.str();
    EXPECT_GE(ending.skipped(), 1);
}

}  // namespace
}  // namespace vantyr::testing
