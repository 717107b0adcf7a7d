#pragma once
// The reconciliation after a commit: per carried table, the rows the previous
// year offers under the table's rule (the same FROM clause and filter its copy
// uses) against the rows the current year holds. A table reconciles when they
// are equal; a table rebuilt as structure only offers none; a table release
// 8.50's upgrade removed from the current year holds none and is said so.
#include <cstdint>
#include <string>
#include <vector>

#include "carryover/carry_over_steps.h"

namespace vantyr::platform {
class Database;
}

namespace vantyr::carryover {

struct TableBalance {
    std::string table;
    std::string source;          // the rule: the copy's FROM clause with its filter
    std::int64_t offered = -1;   // -1: could not be counted
    std::int64_t held = -1;
    // The current year no longer has the table: release 8.50's schema upgrade
    // removes it before the transaction, so its clear and copy fail by design.
    bool removedByUpgrade = false;
    bool reconciled() const { return offered >= 0 && (removedByUpgrade || offered == held); }
};

// The values a finished run's copies used, read back from the previous year:
// its closing month (13 after the mark is period 12) and closing periods.
RunContext contextOfFinishedRun(platform::Database& prev, Release release, std::int16_t curYear);

std::vector<TableBalance> reconcile(platform::Database& prev, platform::Database& cur, const RunContext& context);

}  // namespace vantyr::carryover
