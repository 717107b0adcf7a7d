#pragma once
// What a run reports while it works: every statement it sends through its
// database objects, how the run treated a failing one, its transaction
// bracket, its progress through the carry-over and how it ended. All
// callbacks default to doing nothing; observers must not throw.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/value.h"

namespace vantyr::platform {

// The object name under which release 8.50's schema upgrade reports.
inline constexpr const char* kUpgradeObject = "Upgrade";

enum class StatementOutcome { Done, Skipped, Failed, Planned };

// A change of the current row of an open recordset (the closing-month mark):
// no statement text is sent, the row of `query` gets the assignments.
struct RowUpdate {
    std::string query;                                     // the recordset's query
    std::vector<std::pair<std::string, Value>> assignments; // column, value
};

struct StatementRecord {
    std::string object;             // "PrevYearDb", "CurYearDb", "Upgrade"
    std::optional<int> option;      // 128 or none
    std::string text;               // exactly as sent; empty for a row update
    std::optional<RowUpdate> rowUpdate;  // set instead of text for a recordset's Update
    bool read = false;              // a query opened as a recordset
    StatementOutcome outcome = StatementOutcome::Done;
    std::optional<Error> error;     // set when the statement failed
    std::int64_t rows = -1;         // rows changed, -1 when unknown
    double ms = 0;
};

enum class TransactionEvent { Begin, Commit, Rollback };
// NotOpened: a file of the run could not be opened as a readable, writable
// account-year database; nothing was written.
enum class RunEnd { Committed, Stopped, RolledBack, NotOpened };

class RunObserver {
public:
    virtual ~RunObserver() = default;
    // A statement was sent (Done), planned in a dry run (Planned), or failed:
    // then `error` is set and the run decides next with PassedOver or RunFailed.
    virtual void Statement(const StatementRecord&) {}
    // The run passed over the failure just reported and goes on.
    virtual void PassedOver(const Error&) {}
    // The failure just reported (or one outside any statement) ends the run.
    virtual void RunFailed(const Error&) {}
    virtual void Transaction(TransactionEvent) {}
    // The run starts step `index` (1-based) of `total` of the carry-over.
    virtual void Step(int /*index*/, int /*total*/, const std::string& /*table*/) {}
    virtual void Finished(RunEnd) {}
};

}  // namespace vantyr::platform
