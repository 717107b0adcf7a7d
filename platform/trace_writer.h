#pragma once
// A RunObserver that writes every statement of a run as one JSON object per
// line, in the order sent, each line flushed as it is written (a run killed
// midway leaves every line up to the kill):
//   {"seq":1,"object":"CurYearDb","option":128,"text":"...","outcome":"done","rows":0,"ms":0.4}
// A change of a recordset's current row is a record of its own kind, with no
// text: {"seq":2,...,"kind":"row update","query":"select * from ca_cbsys ","column":"iendmonth","value":13,...}
// A failed statement is held until the run says whether it passed over it
// ("skipped", with "error") or ended on it ("failed"). It also keeps the
// statements passed over, for the summary an operator sees after a commit;
// the schema upgrade's failures, all passed over by its rule, are counted apart.
#include <optional>
#include <ostream>
#include <vector>

#include "platform/run_observer.h"

namespace vantyr::platform {

class TraceWriter : public RunObserver {
public:
    // out may be null: then only the counts are kept.
    explicit TraceWriter(std::ostream* out) : out_(out) {}
    ~TraceWriter() override { flushPending(StatementOutcome::Skipped); }

    void Statement(const StatementRecord& record) override;
    void PassedOver(const Error&) override { flushPending(StatementOutcome::Skipped); }
    void RunFailed(const Error&) override { flushPending(StatementOutcome::Failed); }

    int written() const { return seq_; }
    // Statements of the carry-over passed over (the upgrade's are counted apart).
    int skipped() const { return skipped_; }
    int upgradeSkipped() const { return upgradeSkipped_; }
    int planned() const { return planned_; }
    // The statements passed over (reads excluded), in order.
    const std::vector<StatementRecord>& passedOver() const { return passedOver_; }

private:
    void write(const StatementRecord& record);
    void flushPending(StatementOutcome outcome);

    std::ostream* out_;
    std::optional<StatementRecord> pending_;
    int seq_ = 0;
    int skipped_ = 0;
    int upgradeSkipped_ = 0;
    int planned_ = 0;
    std::vector<StatementRecord> passedOver_;
};

}  // namespace vantyr::platform
