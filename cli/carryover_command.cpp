// vantyr carryover: the preflight check, the run of the component, and the
// reconciliation of every commit.
#include <fstream>
#include <memory>
#include <ostream>

#include "carryover/reconciliation.h"
#include "cli/commands.h"
#include "cli/console_messages.h"
#include "cli/data_source.h"
#include "cli/preflight.h"
#include "cli/run_summary.h"
#include "platform/error.h"
#include "platform/trace_writer.h"
#include "shell/endyear.h"

namespace vantyr::cli {
namespace {

using platform::RunEnd;

// What the command watches of a run: the trace, the progress line, the end.
// The progress line counts statements as the trace numbers them.
class CommandObserver : public platform::TraceWriter {
public:
    CommandObserver(std::ostream* trace, Console& console) : TraceWriter(trace), console_(console) {}

    void Statement(const platform::StatementRecord& record) override {
        TraceWriter::Statement(record);
        ++sent_;
        draw();
    }
    void Step(int index, int total, const std::string& table) override {
        step_ = index;
        steps_ = total;
        table_ = table;
        draw();
    }
    void Finished(RunEnd end) override {
        if (drawn_) console_.err << "\r\x1b[K" << std::flush;
        end_ = end;
    }
    std::optional<RunEnd> end() const { return end_; }

private:
    void draw() {
        if (!console_.progress || steps_ == 0) return;
        console_.err << "\r  statement " << sent_ << "  (step " << step_ << " of " << steps_ << ")  " << table_
                     << "\x1b[K" << std::flush;
        drawn_ = true;
    }

    Console& console_;
    bool drawn_ = false;
    int sent_ = 0, step_ = 0, steps_ = 0;
    std::string table_;
    std::optional<RunEnd> end_;
};

int exitCodeOf(std::optional<RunEnd> end) {
    if (!end) return kExitFailed;
    switch (*end) {
        case RunEnd::Committed: return kExitCommitted;
        case RunEnd::Stopped: return kExitStopped;
        case RunEnd::RolledBack: return kExitFailed;
        case RunEnd::NotOpened: return kExitUsage;
    }
    return kExitFailed;
}

const char* outcomeOf(int code, bool dryRun) {
    if (dryRun) return code == kExitCommitted ? "planned" : code == kExitStopped ? "stopped" : "failed";
    switch (code) {
        case kExitCommitted: case kExitUnreconciled: return "committed";
        case kExitStopped: return "stopped";
        default: return "rolled back";
    }
}

std::unique_ptr<platform::Database> openYear(DataSource& source, const std::string& key) {
    auto db = source.platform().CreateDatabase();
    db->Open(key);
    return db;
}

// Per carried table, the rows offered against the rows held after the commit.
std::vector<carryover::TableBalance> reconcileCommit(DataSource& source, const CarryOverOptions& o, Release release) {
    std::string previous = std::to_string(std::stoi(o.year) - 1);
    auto prev = openYear(source, DataSource::key(o.account, previous));
    auto cur = openYear(source, DataSource::key(o.account, o.year));
    auto context = carryover::contextOfFinishedRun(*prev, release, static_cast<std::int16_t>(std::stoi(o.year)));
    auto balances = carryover::reconcile(*prev, *cur, context);
    prev->Close();
    cur->Close();
    return balances;
}

std::vector<Finding> blockingFindings(const PreflightReport& report) {
    std::vector<Finding> found;
    for (const auto& f : report.findings)
        if (f.verdict == Verdict::Blocks && (f.topic == Topic::Schema || f.topic == Topic::PeriodRows))
            found.push_back(f);
    return found;
}

}  // namespace

int runCarryOver(const CarryOverOptions& o, Console& console) {
    if (!checkTarget(choiceOf(o), o.account, o.year, console)) return kExitUsage;
    std::ofstream traceFile, jsonFile;
    std::ostream* trace = nullptr;
    if (!o.trace.empty() && o.trace != "-") {
        traceFile.open(o.trace);
        if (!traceFile) {
            console.err << "vantyr: cannot write the trace file '" << o.trace << "'\n";
            return kExitUsage;
        }
        trace = &traceFile;
    } else if (o.trace == "-" || o.dryRun) {
        trace = &console.out;
    }
    if (!o.json.empty()) {
        jsonFile.open(o.json);
        if (!jsonFile) {
            console.err << "vantyr: cannot write the summary file '" << o.json << "'\n";
            return kExitUsage;
        }
    }
    ConsoleMessages messages(o.language.empty() ? languageFromEnvironment() : o.language,
                             o.yes ? Confirm::Yes : Confirm::Ask, console.err, console.in, console.interactive,
                             console.terminal);
    if (o.dryRun) messages.markDryRun();
    auto opened = openDataSource(choiceOf(o), messages, messages, console);
    if (!opened) return kExitUsage;
    DataSource& source = *opened;

    RunSummary summary;
    auto report = preflight(source, {o.account, o.year, o.release});
    summary.release = report.release;
    if (report.releaseFromData)
        console.err << "vantyr: release " << releaseName(report.release) << " taken from the data (--release not given)\n";
    for (const auto& f : report.findings) {
        bool unusable = f.topic == Topic::Access && f.verdict == Verdict::Blocks;
        if (unusable && !(o.dryRun && f.detail.find("cannot be written") != std::string::npos)) {
            console.err << "vantyr: " << f.subject << ": " << f.detail << "; nothing was written\n";
            return kExitUsage;
        }
    }
    auto blocking = blockingFindings(report);
    if (!blocking.empty() && !o.force) {
        console.err << "vantyr: the check blocks this carry-over:\n"
                    << formatFindings(blocking) << "vantyr: stopped before anything was written; "
                    << "see 'vantyr check', or give --force to run anyway\n";
        summary.outcome = "stopped";
        summary.exitCode = kExitStopped;
        for (const auto& f : blocking) summary.overridden.push_back(f.subject + ": " + f.detail);
        if (jsonFile) {
            auto j = toJson(summary);
            j.erase("overridden");
            j["blocking"] = summary.overridden;
            jsonFile << j.dump(2) << "\n";
        }
        return kExitStopped;
    }
    if (!blocking.empty()) {
        console.err << "vantyr: --force: running despite:\n" << formatFindings(blocking);
        for (const auto& f : blocking) summary.overridden.push_back(f.subject + ": " + f.detail);
    }

    std::vector<Finding> skips;
    for (const auto& f : report.findings)
        if (f.verdict == Verdict::WillSkip) skips.push_back(f);
    if (!skips.empty()) console.err << "vantyr: the check expects these to be passed over:\n" << formatFindings(skips);

    CommandObserver observer(trace, console);
    shell::endyear component(report.release, source.platform());
    component.caLogin(source.login(o.account, o.year));
    component.setObserver(&observer);
    component.setSendMode(o.dryRun ? platform::SendMode::Plan : platform::SendMode::Send);
    if (o.dryRun)
        console.err << "vantyr: dry run of release " << releaseName(report.release) << ": nothing will be written\n";
    bool closingFailed = false;
    try {
        component.subYearend();
    } catch (const platform::Error& e) {
        console.err << "vantyr: the closing message could not be shown: " << e.description() << "\n";
        closingFailed = true;
    }
    int code = exitCodeOf(observer.end());
    if (o.dryRun && closingFailed) code = kExitFailed;
    summary.skipped = observer.passedOver();
    if (o.dryRun) {
        console.err << "vantyr: dry run planned " << observer.planned() << " statement(s); nothing was written\n";
    } else if (code == kExitCommitted) {
        try {
            summary.tables = reconcileCommit(source, o, report.release);
            summary.reconciled = summary.unreconciledTables().empty();
        } catch (const std::exception& e) {  // committed all the same: not reconciled, never an environment error
            console.err << "vantyr: committed, but the years could not be read back to reconcile: " << e.what() << "\n";
            summary.reconciled = false;
        }
        if (!summary.reconciled) code = kExitUnreconciled;
    }
    summary.exitCode = code;
    summary.outcome = outcomeOf(code, o.dryRun);
    if (!o.dryRun && (code == kExitCommitted || code == kExitUnreconciled)) printSummary(summary, console.err);
    if (!o.dryRun && code == kExitFailed)
        console.err << "vantyr: failed; what the run changed in the current year was rolled back\n";
    if (!o.dryRun && observer.end() == RunEnd::NotOpened)
        console.err << "vantyr: nothing was written: a database of the run could not be opened for writing\n";
    if (jsonFile) jsonFile << toJson(summary).dump(2) << "\n";
    return code;
}

}  // namespace vantyr::cli
