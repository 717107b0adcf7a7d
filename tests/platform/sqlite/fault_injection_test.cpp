// Fault simulation in the manner of SQLite's own: a carry-over of each release
// with one failure injected at each call the engine makes to the file system
// (through a wrapping VFS), checking after each run that
//  * the current year is as before, or as a run without a failure commits it,
//    with the same statements passed over;
//  * the previous year is as before, or differs by the closing-month mark alone;
//  * the run's end says which: committed, rolled back, or not opened (nothing written),
//    and a run that did not commit names a file in its message (when the
//    storage fails for good after the commit point, the run says that it
//    could not confirm the commit).
// By default the calls are sampled (an even spread and the last ones, where
// the commit is); VANTYR_FAULT_FULL=1 fails every call in turn, with both
// kinds of failure, once and from then on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "tests/support/fault_vfs.h"
#include "tests/support/storage_run.h"

namespace vantyr::testing {
namespace {

using platform::RunEnd;
using platform::sqlite::ConnectionOptions;
using platform::sqlite::DataDirectory;

bool fullSweep() {
    const char* full = std::getenv("VANTYR_FAULT_FULL");
    return full && std::string(full) == "1";
}

// The calls from `first` to `total`, all of them in a full sweep.
std::set<long> callsToFail(long first, long total) {
    std::set<long> out;
    if (fullSweep()) {
        for (long i = first; i <= total; ++i) out.insert(i);
        return out;
    }
    const long spread = 10, last = 6;
    for (long i = 0; i < spread; ++i) out.insert(first + i * (total - first) / spread);
    for (long i = std::max(1L, total - last + 1); i <= total; ++i) out.insert(i);
    return out;
}

class FaultInjectionTest : public ::testing::TestWithParam<Release> {
protected:
    TempDirectory pristine, work;
    DataDirectory source{pristine.path()};
    DataDirectory target{work.path(), ConnectionOptions{FaultVfs::kName, 20}};

    void restore() {
        for (const char* y : {"2004", "2005"}) {
            auto from = source.locate("001", y).path;
            std::filesystem::copy_file(from, work.path() / from.filename(), std::filesystem::copy_options::overwrite_existing);
        }
        for (const auto& entry : std::filesystem::directory_iterator(work.path()))
            if (entry.path().extension() != ".db") std::filesystem::remove(entry.path());
    }
};

TEST_P(FaultInjectionTest, EveryFailureEndsInOneOfTheTwoStatesAndSaysWhich) {
    Release release = GetParam();
    platform::sqlite::DemoOptions demo;
    demo.release861 = release == Release::V861;
    demo.periodRows = 12;
    platform::sqlite::createDemo(source, demo);
    FaultVfs& vfs = FaultVfs::instance();

    restore();
    DemoState before = stateOf(target);
    vfs.arm(0);
    // Release 8.50's schema upgrade commits statement by statement before the
    // transaction, so a failure inside it leaves the year partly upgraded by
    // design: the sweep starts at the first statement of the carry-over.
    long first = 1;
    std::string upgraded = before.cur;  // the current year as the transaction finds it
    StorageRun reference = runOn(target, release, [&](int step, platform::sqlite::SqlitePlatform&) {
        if (step != 1 || release != Release::V850) return;
        first = vfs.calls();
        upgraded = Probe(target.locate("001", "2005").path).dump();
    });
    vfs.disarm();
    long total = vfs.calls();
    ASSERT_EQ(reference.end, RunEnd::Committed) << reference.messages;
    ASSERT_GT(total, 100);
    std::string committed = Probe(target.locate("001", "2005").path).dump();

    std::vector<FaultKind> kinds = {FaultKind::Natural};
    std::vector<bool> persistence = {false};
    if (fullSweep()) {
        kinds.push_back(FaultKind::Io);
        persistence.push_back(true);
    }
    int runs = 0, ends[4] = {0, 0, 0, 0};
    for (FaultKind kind : kinds) {
        for (bool persistent : persistence) {
            for (long at : callsToFail(first, total)) {
                SCOPED_TRACE("failure at call " + std::to_string(at) + " of " + std::to_string(total) +
                             (kind == FaultKind::Io ? ", I/O error" : ", natural error") + (persistent ? ", persistent" : ""));
                restore();
                vfs.arm(at, kind, persistent);
                StorageRun run = runOn(target, release);
                vfs.disarm();
                ++runs;
                ASSERT_TRUE(run.end.has_value());
                ++ends[static_cast<int>(*run.end)];
                std::string cur = Probe(target.locate("001", "2005").path).dump();
                std::string prev = Probe(target.locate("001", "2004").path).dump();
                EXPECT_TRUE(prevAsBeforeOrMarked(before, prev)) << firstDifference(before.prev, prev);
                switch (*run.end) {
                    case RunEnd::Committed:
                        EXPECT_EQ(firstDifference(committed, cur), "");
                        EXPECT_EQ(run.skipped, reference.skipped) << run.trace;
                        EXPECT_EQ(firstDifference(before.prevMarked, prev), "");
                        break;
                    case RunEnd::RolledBack:
                        // Saved after all only when the storage failed for good after the commit point, and then said so.
                        if (cur != committed || run.messages.find("could not be confirmed") == std::string::npos) {
                            EXPECT_EQ(firstDifference(upgraded, cur), "");
                        }
                        EXPECT_NE(run.messages.find("QXDATA_001_200"), std::string::npos) << run.messages;
                        break;
                    case RunEnd::NotOpened:
                        EXPECT_EQ(firstDifference(before.cur, cur), "");
                        EXPECT_EQ(firstDifference(before.prev, prev), "");
                        EXPECT_NE(run.messages.find("QXDATA_001_200"), std::string::npos) << run.messages;
                        break;
                    case RunEnd::Stopped:
                        ADD_FAILURE() << "a failure stopped the run as a precondition would: " << run.messages;
                        break;
                }
                if (::testing::Test::HasFailure() && !fullSweep()) return;
            }
        }
    }
    std::cout << "[ fault    ] " << releaseName(release) << ": " << total << " calls, " << runs << " runs: " << ends[0]
              << " committed, " << ends[2] << " rolled back, " << ends[3] << " not opened\n";
}

INSTANTIATE_TEST_SUITE_P(BothReleases, FaultInjectionTest, ::testing::Values(Release::V850, Release::V861),
                         [](const ::testing::TestParamInfo<Release>& info) {
                             return info.param == Release::V850 ? std::string("R850") : std::string("R861");
                         });

}  // namespace
}  // namespace vantyr::testing
