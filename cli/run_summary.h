#pragma once
// What an operator and a scheduler learn after a run: per carried table the
// rows offered and held, the statements passed over with their reason (the
// known ones explained in a line), and whether the commit reconciles.
#include <iosfwd>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "carryover/reconciliation.h"
#include "platform/run_observer.h"
#include "shell/release.h"

namespace vantyr::cli {

struct RunSummary {
    std::string outcome;          // "committed", "stopped", "rolled back", "planned"
    int exitCode = 0;
    Release release = Release::V861;
    bool reconciled = false;
    std::vector<carryover::TableBalance> tables;
    std::vector<platform::StatementRecord> skipped;
    std::vector<std::string> overridden;   // blocking findings run over with --force

    std::vector<std::string> unreconciledTables() const;
};

// Why a statement was passed over, when it is one the carry-over is known to
// meet on sound data; empty otherwise.
std::string knownPassOver(const platform::StatementRecord& record);

// The summary table for people (standard error).
void printSummary(const RunSummary& summary, std::ostream& err);
nlohmann::ordered_json toJson(const RunSummary& summary);

}  // namespace vantyr::cli
