// Prints how long a carry-over takes on the embedded engine against the same
// data movement done by plain SQLite statements on copies of the same files
// (see reference_replay.h), at several sizes of the period tables and with a
// large previous-year CA_DistrInput. Wall time and CPU time of this process,
// and their ratios (engine / plain SQLite), each the fastest of --repeat runs
// on fresh copies of the files (by default as many as a million rows allow,
// between 3 and 21: a small size's fastest run is found among many). In release 8.50 the engine's figures leave
// out the schema upgrade that precedes the carry-over (it moves no data and
// the reference has no counterpart); its CPU time is printed beside them,
// with the CPU time of the whole run. With --steps, each case is followed by
// the mean CPU time of each statement of the run on either side, so that a
// difference can be put down to the statements that make it (the timed runs
// then also read the clock at every statement). Usage:
//   vantyr_bench [--rows N]... [--distr-input N] [--repeat N] [--release R] [--steps]
// Default: --rows 10000 --rows 100000 --distr-input 200000 (add --rows 1000000
// for the large size).
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/console_messages.h"
#include "platform/sqlite/connection.h"
#include "platform/sqlite/demo_data.h"
#include "platform/sqlite/login.h"
#include "platform/sqlite/sqlite_platform.h"
#include "platform/trace_writer.h"
#include "shell/endyear.h"
#include "tests/bench/reference_replay.h"
#include "tests/bench/upgrade_new_year.h"

using namespace vantyr;
namespace fs = std::filesystem;

namespace {

struct Timing {
    double wallMs = 0, cpuMs = 0;
};

double cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0; };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

double wallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

template <class F>
Timing measure(F&& f) {
    Timing start{wallMs(), cpuMs()};
    f();
    return {wallMs() - start.wallMs, cpuMs() - start.cpuMs};
}

// Adds rows to the previous year's CA_DistrInput, each with its own key.
void growDistrInput(const fs::path& prevFile, int rows) {
    platform::sqlite::Connection db(prevFile.string(), false);
    db.exec("BEGIN; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(rows) +
            ") INSERT INTO CA_DistrInput (cPPID, cBatch, iPeriod, cpjhdwcb, cpsjgs, cprksl) SELECT 'X' || i, 'B' || (i % 7), "
            "1 + i % 12, i * 0.25, i % 100, i % 13 FROM n; COMMIT");
}

struct Case {
    int rows;
    Release release;
    int distrInput;
};

std::int64_t rowsOf(const fs::path& file, const std::string& table) {
    platform::sqlite::Connection db(file.string(), false);
    auto st = db.prepare("SELECT count(*) FROM \"" + table + "\"");
    st.step();
    return static_cast<std::int64_t>(st.column(0).toDouble());
}

void copyYears(const fs::path& from, const fs::path& to) {
    fs::remove_all(to);
    fs::create_directories(to);
    for (const auto& f : fs::directory_iterator(from))
        if (f.path().extension() == ".db") fs::copy_file(f.path(), to / f.path().filename());
}

// Times release 8.50's schema upgrade inside a run: from the last report
// before its first statement to the report of its last statement. Once the
// upgrade is over the clock is read no more: reading it is no part of the run.
class UpgradeClock : public platform::RunObserver {
public:
    void Statement(const platform::StatementRecord& r) override {
        bool upgrade = r.object == platform::kUpgradeObject;
        if (upgrading_ && !upgrade) done_ = true;
        if (done_) return;
        Timing now{wallMs(), cpuMs()};
        if (upgrade) {
            if (!upgrading_) start_ = last_, upgrading_ = true;
            end_ = now;
        }
        last_ = now;
    }
    void start() { last_ = {wallMs(), cpuMs()}; }
    Timing upgrade() const {
        return upgrading_ ? Timing{end_.wallMs - start_.wallMs, end_.cpuMs - start_.cpuMs} : Timing{};
    }

private:
    bool upgrading_ = false, done_ = false;
    Timing start_, end_, last_;
};

// With --steps: the CPU time of this thread from one statement report to the
// next (the first lap includes the opening of the files), then from the last
// report to the end of the run. Each report goes on to the observer it forwards to.
class StepClock : public platform::RunObserver {
public:
    void forwardTo(platform::RunObserver* next) { next_ = next; }
    void start() {
        laps_.clear(), labels_.clear();
        last_ = bench::threadCpuMs();
    }
    void Statement(const platform::StatementRecord& r) override {
        lap();
        labels_.push_back(r.object + "  " + (r.rowUpdate ? std::string("(a change of the current row)") : r.text));
        if (next_) next_->Statement(r);
    }
    void finish() { lap(); }
    const std::vector<double>& laps() const { return laps_; }
    const std::vector<std::string>& labels() const { return labels_; }

private:
    void lap() {
        double now = bench::threadCpuMs();
        laps_.push_back(now - last_);
        last_ = now;
    }
    platform::RunObserver* next_ = nullptr;
    std::vector<double> laps_;
    std::vector<std::string> labels_;
    double last_ = 0;
};

// The mean CPU time of each statement of the run on either side, over the
// timed runs: the engine's laps against the reference's steps that replay
// the same statement (its opening counted with the first, its commit and
// closing with the end of the run).
class StepTable {
public:
    void add(const StepClock& engine, const std::vector<bench::ReferenceStep>& steps, const std::vector<double>& plain) {
        std::size_t n = engine.laps().size();   // the reports, then the end
        if (engine_.empty()) engine_.assign(n, 0), plain_.assign(n, 0), labels_ = engine.labels();
        if (n != engine_.size() || plain.size() != steps.size() + 2) return;   // a run that went another way
        for (std::size_t k = 0; k < n; ++k) engine_[k] += engine.laps()[k];
        plain_[0] += plain.front();
        for (std::size_t i = 0; i < steps.size(); ++i)
            if (steps[i].record >= 0 && static_cast<std::size_t>(steps[i].record) + 1 < n) plain_[steps[i].record] += plain[i + 1];
        plain_[n - 1] += plain.back();
        ++runs_;
    }
    void print() const {
        if (!runs_) return;
        std::printf("  CPU ms of each statement, mean of %d runs: engine, sqlite, difference\n", runs_);
        double engine = 0, plain = 0, upgrade = 0;
        for (std::size_t k = 0; k < engine_.size(); ++k) {
            double e = engine_[k] / runs_, p = plain_[k] / runs_;
            bool upgrading = k < labels_.size() && labels_[k].rfind(platform::kUpgradeObject, 0) == 0;
            (upgrading ? upgrade : engine) += e, plain += p;
            std::string label = k < labels_.size() ? labels_[k] : std::string("commit and closing of the files");
            if (label.size() > 90) label = label.substr(0, 87) + "...";
            for (char& ch : label)
                if (ch == '\r' || ch == '\n') ch = ' ';
            std::printf("  %4zu %9.3f %9.3f %+8.3f  %s\n", k + 1, e, p, e - p, label.c_str());
        }
        std::printf("  total %8.3f %9.3f %+8.3f", engine, plain, engine - plain);
        if (upgrade > 0) std::printf("  (the schema upgrade left out: %.3f ms)", upgrade);
        std::printf("\n");
    }

private:
    std::vector<double> engine_, plain_;
    std::vector<std::string> labels_;
    int runs_ = 0;
};

// The carry-over on fresh copies of the demo files. With `trace` the run is
// traced (its statements give the reference) and not timed: writing the
// trace is no part of the carry-over. `upgrade` gets the time of the 8.50
// schema upgrade inside the run; `steps`, when given, each statement's.
Timing engineRun(const Case& c, const fs::path& base, const fs::path& dir, std::string* trace, bool& committed,
                 Timing& upgrade, StepClock* steps = nullptr) {
    copyYears(base, dir);
    platform::sqlite::DataDirectory directory(dir);
    std::ostringstream sink, traceOut;
    std::istringstream none;
    platform::TraceWriter writer(&traceOut);
    UpgradeClock clock;
    if (steps) steps->forwardTo(c.release == Release::V850 ? &clock : nullptr);
    Timing t = measure([&] {
        clock.start();
        if (steps) steps->start();
        {
            cli::ConsoleMessages messages("en", cli::Confirm::Yes, sink, none, false);
            platform::sqlite::SqlitePlatform platform(directory, messages, messages);
            shell::endyear component(c.release, platform);
            component.caLogin(std::make_shared<platform::sqlite::SqliteLogin>(directory, "001", "2005"));
            if (trace) component.setObserver(&writer);
            else if (steps) component.setObserver(steps);
            else if (c.release == Release::V850) component.setObserver(&clock);
            component.subYearend();
        }
        if (steps) steps->finish();
    });
    committed = sink.str().find("completed successfully") != std::string::npos;
    if (trace) *trace = traceOut.str();
    upgrade = clock.upgrade();
    return t;
}

void run(const Case& c, int repeat, bool stepByStep) {
    auto dir = fs::temp_directory_path() / ("vantyr-bench-" + std::to_string(c.rows));
    fs::remove_all(dir);
    platform::sqlite::DataDirectory base(dir / "base");
    platform::sqlite::DemoOptions demo;
    demo.release861 = c.release == Release::V861;
    demo.periodRows = c.rows;
    platform::sqlite::createDemo(base, demo);
    auto prevName = base.locate("001", "2004").path.filename(), curName = base.locate("001", "2005").path.filename();
    if (c.distrInput) growDistrInput(dir / "base" / prevName, c.distrInput);
    // release 8.50 upgrades the new year's schema before it carries over: both
    // sides start from the files with that upgrade done once, so that the
    // reference moves its rows through the same tables and indexes
    if (c.release == Release::V850) {
        platform::RunObserver quiet;
        bench::upgradeNewYear(base, quiet);
    }

    // a traced run gives the reference; then each side is timed `repeat`
    // times on fresh copies, the fastest kept
    std::string trace;
    bool committed = false;
    Timing upgrade;
    engineRun(c, dir / "base", dir / "run", &trace, committed, upgrade);
    auto steps = bench::referenceStatements(trace, base.locate("001", "2005").name, dir / "run" / curName);
    Timing engine{1e300, 1e300}, plain{1e300, 1e300};
    double upgradeCpu = 1e300, runCpu = 1e300;
    StepClock stepClock;
    StepTable table;
    std::vector<double> plainSteps;
    for (int i = 0; i < repeat; ++i) {
        bool timedCommitted = false;
        Timing e = engineRun(c, dir / "base", dir / "run", nullptr, timedCommitted, upgrade, stepByStep ? &stepClock : nullptr);
        committed = committed && timedCommitted;
        runCpu = std::min(runCpu, e.cpuMs);
        upgradeCpu = std::min(upgradeCpu, upgrade.cpuMs);
        // the carry-over without the schema upgrade, which moves no data
        e.cpuMs -= upgrade.cpuMs;
        e.wallMs -= upgrade.wallMs;
        copyYears(dir / "base", dir / "ref");
        plainSteps.clear();
        Timing p = measure([&] {
            bench::runReference(steps, dir / "ref" / prevName, dir / "ref" / curName, stepByStep ? &plainSteps : nullptr);
        });
        engine = {std::min(engine.wallMs, e.wallMs), std::min(engine.cpuMs, e.cpuMs)};
        plain = {std::min(plain.wallMs, p.wallMs), std::min(plain.cpuMs, p.cpuMs)};
        if (stepByStep) table.add(stepClock, steps, plainSteps);
    }
    bool same = rowsOf(dir / "run" / curName, "ca_amoct") == rowsOf(dir / "ref" / curName, "ca_amoct") &&
                rowsOf(dir / "run" / curName, "CA_DistrInput") == rowsOf(dir / "ref" / curName, "CA_DistrInput");
    std::printf("%9d %12d %8s %11.0f %11.0f %7.2f %11.0f %11.0f %7.2f %11.0f %11.0f%s\n", c.rows, c.distrInput,
                std::string(releaseName(c.release)).c_str(), engine.wallMs, plain.wallMs, engine.wallMs / plain.wallMs,
                engine.cpuMs, plain.cpuMs, engine.cpuMs / plain.cpuMs, upgradeCpu, runCpu,
                !committed ? "  (run did not commit)" : same ? "" : "  (row counts differ)");
    table.print();
    std::fflush(stdout);
    fs::remove_all(dir);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    int distrInput = -1, repeat = 0;   // 0: by the size
    bool stepByStep = false;
    std::vector<Release> releases{Release::V850, Release::V861};
    for (int i = 1; i < argc; ++i) {
        bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--rows") && hasValue) sizes.push_back(std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--distr-input") && hasValue) distrInput = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--repeat") && hasValue) repeat = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--steps")) stepByStep = true;
        else if (!std::strcmp(argv[i], "--release") && hasValue) {
            auto release = parseRelease(argv[++i]);
            if (!release) return std::fprintf(stderr, "vantyr_bench: --release is 8.50 or 8.61\n"), 3;
            releases = {*release};
        }
        else {
            std::fprintf(stderr, "usage: vantyr_bench [--rows N]... [--distr-input N] [--repeat N] [--release R] [--steps]\n");
            return 3;
        }
    }
    if (sizes.empty() && distrInput < 0) sizes = {10000, 100000}, distrInput = 200000;
    std::printf("%9s %12s %8s %11s %11s %7s %11s %11s %7s %11s %11s\n", "rows", "distr-input", "release", "engine ms",
                "sqlite ms", "ratio", "engine cpu", "sqlite cpu", "ratio", "upgrade cpu", "run cpu");
    // the fastest of many runs at a small size, of fewer at a large one
    auto repeatFor = [&](int rows) { return repeat > 0 ? repeat : std::clamp(1000000 / std::max(rows, 1), 3, 21); };
    for (int rows : sizes)
        for (Release release : releases) run({rows, release, 0}, repeatFor(rows), stepByStep);
    if (distrInput > 0) run({240, Release::V850, distrInput}, repeatFor(distrInput), stepByStep);
    return 0;
}
