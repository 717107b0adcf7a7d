#pragma once
// The preflight report: everything a carry-over into a year would meet, read
// without writing anything. Both files (found, openable, writable), the
// release each year's schema belongs to, the previous year's state, whether
// the current year has state (the run will ask), period rows the run would
// merge into period 0, the closing periods and options the run would use, and
// per carried table the rows it would carry. `vantyr check` prints it;
// `vantyr carryover` runs it first and stops on a blocking finding.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "carryover/period_values.h"
#include "cli/data_source.h"
#include "shell/release.h"

namespace vantyr::cli {

enum class Verdict { Ok, WillAsk, WillSkip, Blocks };

// What a finding is about. The carry-over stops before its run on a blocking
// Schema or PeriodRows finding (exit 1) and on a file it cannot open or
// write (Access: an environment error); the others the run meets itself,
// with its own message.
enum class Topic { Release, File, Access, Schema, PreviousState, CurrentState, PeriodRows, Periods, Options, Table };

struct Finding {
    Topic topic;
    Verdict verdict;
    std::string subject;
    std::string detail;
    std::optional<std::int64_t> rows;   // tables: the rows the copy would carry
};

struct PreflightRequest {
    std::string account, year;
    std::optional<Release> release;   // none: taken from the data
};

struct PreflightReport {
    Release release = Release::V861;
    bool releaseFromData = false;
    carryover::PeriodValues periods;
    std::int16_t option = 0;          // gOption the run would set (8.61)
    std::vector<Finding> findings;

    // A blocking finding the carry-over itself guards against (schema, period rows).
    bool stopsCarryOver() const;
    bool blocks() const;
};

PreflightReport preflight(DataSource& source, const PreflightRequest& request);

const char* verdictName(Verdict verdict);
// One line per finding: verdict, subject, detail.
std::string formatFindings(const std::vector<Finding>& findings);
nlohmann::ordered_json toJson(const PreflightReport& report, const PreflightRequest& request);

}  // namespace vantyr::cli
