#pragma once
// The carry-over inside the transaction, as a list of steps built from the
// catalogue for one run: clear list, copy list, post-copy reset, keys. Each
// step runs its statements under the policy the catalogue gives them, so the
// run's outcome handler can pass over one statement (inside a default loop:
// one column) and go on with the next.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "carryover/catalogue.h"
#include "carryover/period_values.h"
#include "shell/release.h"

namespace vantyr::platform {
class Database;
}

namespace vantyr::carryover {

class Policy;

struct RunContext {
    Release release = Release::V850;
    platform::Database* prev = nullptr;   // PrevYearDb
    platform::Database* cur = nullptr;    // CurYearDb
    std::string curDbName;                // prefix of the three-part names
    std::int16_t curYear = 0;
    PeriodValues periods;
    bool overwriting = false;                     // the current year had state and the run goes on over it
    std::function<void()> getOption;              // GetOption of the component (8.61)
    std::function<std::int16_t()> currentOption;  // gOption (8.61)
};

struct Step {
    std::string table;                     // what the step works on, for progress
    std::function<void(Policy&)> run;
};

// The complete text of a statement entry for this run (not for GetOption,
// ChosenDrop or DefaultLoop, whose texts depend on what the run finds).
std::string composeText(const Entry& entry, const RunContext& context);

// The steps of one run, in execution order. Copies gated by a period value
// below 0 are left out.
std::vector<Step> carryOverSteps(const RunContext& context);

}  // namespace vantyr::carryover
