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

nlohmann::ordered_json jsonOf(const Value& value) {
    if (value.isNull() || value.isEmpty()) return nullptr;
    if (value.isText()) return value.toText();
    if (value.isBoolean()) return value.equalsNumber(-1);
    double number = value.toDouble();
    if (number == std::floor(number) && std::fabs(number) < 9e15) return static_cast<std::int64_t>(number);
    return number;
}

void describeRowUpdate(nlohmann::ordered_json& line, const RowUpdate& update) {
    line["kind"] = "row update";
    line["query"] = update.query;
    if (update.assignments.size() == 1) {
        line["column"] = update.assignments.front().first;
        line["value"] = jsonOf(update.assignments.front().second);
        return;
    }
    auto& set = line["set"] = nlohmann::ordered_json::object();
    for (const auto& [column, value] : update.assignments) set[column] = jsonOf(value);
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
    if (record.outcome == StatementOutcome::Skipped && !record.read) {
        if (record.object == kUpgradeObject) {
            ++upgradeSkipped_;
        } else {
            ++skipped_;
            passedOver_.push_back(record);
        }
    }
    if (record.outcome == StatementOutcome::Planned) ++planned_;
    if (!out_) return;
    nlohmann::ordered_json line;
    line["seq"] = seq_;
    line["object"] = record.object;
    line["option"] = record.option ? nlohmann::ordered_json(*record.option) : nlohmann::ordered_json(nullptr);
    if (record.rowUpdate) describeRowUpdate(line, *record.rowUpdate);
    else line["text"] = record.text;
    if (record.read) line["read"] = true;
    line["outcome"] = outcomeName(record.outcome);
    if (record.error) {
        line["error"] = {{"number", record.error->number()}, {"description", record.error->description()}};
    }
    line["rows"] = record.rows;
    line["ms"] = std::round(record.ms * 10) / 10;
    *out_ << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n' << std::flush;
}

}  // namespace vantyr::platform
