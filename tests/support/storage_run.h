#pragma once
// A carry-over of the demo account on real files with the engine's open
// options chosen by the test (a short lock wait, the fault VFS), and the
// states of both files to compare with afterwards.
#include <functional>
#include <optional>
#include <string>

#include "tests/support/engine_fixture.h"

namespace vantyr::testing {

struct StorageRun {
    std::optional<platform::RunEnd> end;
    std::string messages;
    std::string trace;
    int skipped = 0;
};

// Runs subYearend into 2005 of account 001 in `directory` (the prompt answers
// OK). `onStep` is called as the carry-over starts each of its steps, with the
// platform, to change the world under the run.
StorageRun runOn(const platform::sqlite::DataDirectory& directory, Release release,
                 const std::function<void(int, platform::sqlite::SqlitePlatform&)>& onStep = {});

// Every row of both files, and the previous year as the closing-month mark leaves it.
struct DemoState {
    std::string prev, prevMarked, cur;
};
DemoState stateOf(const platform::sqlite::DataDirectory& directory);

// Empty when two dumps are equal, else the first line where they differ (for a failure message).
std::string firstDifference(const std::string& expected, const std::string& actual);

// The previous year as it was, or as the mark alone changed it.
bool prevAsBeforeOrMarked(const DemoState& before, const std::string& prevNow);

}  // namespace vantyr::testing
