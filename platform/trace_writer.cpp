#include "platform/trace_writer.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace vantyr::platform {
namespace {

const char* outcomeName(StatementOutcome outcome) {
    switch (outcome) {
        case StatementOutcome::Done: return "done";
        case StatementOutcome::Skipped: return "skipped";
        case StatementOutcome::Failed: return "failed";
        case StatementOutcome::Planned: return "planned";
    }
    return "?";
}

}  // namespace

void TraceWriter::Statement(const StatementRecord& record) {
    flushPending(StatementOutcome::Skipped);  // a failure nobody ruled on was passed over
    if (record.error) {
        pending_ = record;
        return;
    }
    write(record);
}

void TraceWriter::flushPending(StatementOutcome outcome) {
    if (!pending_) return;
    StatementRecord record = std::move(*pending_);
    pending_.reset();
    record.outcome = outcome;
    write(record);
}

void TraceWriter::write(const StatementRecord& record) {
    ++seq_;
    if (record.outcome == StatementOutcome::Skipped && !record.read)
        ++(record.object == kUpgradeObject ? upgradeSkipped_ : skipped_);
    if (record.outcome == StatementOutcome::Planned) ++planned_;
    if (!out_) return;
    nlohmann::ordered_json line;
    line["seq"] = seq_;
    line["object"] = record.object;
    line["option"] = record.option ? nlohmann::ordered_json(*record.option) : nlohmann::ordered_json(nullptr);
    line["text"] = record.text;
    if (record.read) line["read"] = true;
    line["outcome"] = outcomeName(record.outcome);
    if (record.error) {
        line["error"] = {{"number", record.error->number()}, {"description", record.error->description()}};
    }
    line["rows"] = record.rows;
    line["ms"] = std::round(record.ms * 10) / 10;
    *out_ << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

}  // namespace vantyr::platform
