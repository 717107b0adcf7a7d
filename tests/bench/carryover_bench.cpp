// Prints how long a carry-over takes on the embedded engine against the same
// data movement done by plain SQLite statements on copies of the same files
// (see reference_replay.h), at several sizes of the period tables and with a
// large previous-year CA_DistrInput. Wall time and CPU time of this process,
// and their ratios (engine / plain SQLite), each the fastest of --repeat runs
// on fresh copies of the files. Usage:
//   vantyr_bench [--rows N]... [--distr-input N] [--repeat N]
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

template <class F>
Timing measure(F&& f) {
    double c0 = cpuMs();
    auto t0 = std::chrono::steady_clock::now();
    f();
    return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count(), cpuMs() - c0};
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

// The carry-over on fresh copies of the demo files; the trace of the last run.
Timing engineRun(const Case& c, const fs::path& base, const fs::path& dir, std::string& trace, bool& committed) {
    copyYears(base, dir);
    platform::sqlite::DataDirectory directory(dir);
    std::ostringstream sink, traceOut;
    std::istringstream none;
    Timing t = measure([&] {
        cli::ConsoleMessages messages("en", cli::Confirm::Yes, sink, none, false);
        platform::sqlite::SqlitePlatform platform(directory, messages, messages);
        shell::endyear component(c.release, platform);
        component.caLogin(std::make_shared<platform::sqlite::SqliteLogin>(directory, "001", "2005"));
        platform::TraceWriter writer(&traceOut);
        component.setObserver(&writer);
        component.subYearend();
    });
    committed = sink.str().find("completed successfully") != std::string::npos;
    trace = traceOut.str();
    return t;
}

void run(const Case& c, int repeat) {
    auto dir = fs::temp_directory_path() / ("vantyr-bench-" + std::to_string(c.rows));
    fs::remove_all(dir);
    platform::sqlite::DataDirectory base(dir / "base");
    platform::sqlite::DemoOptions demo;
    demo.release861 = c.release == Release::V861;
    demo.periodRows = c.rows;
    platform::sqlite::createDemo(base, demo);
    auto prevName = base.locate("001", "2004").path.filename(), curName = base.locate("001", "2005").path.filename();
    if (c.distrInput) growDistrInput(dir / "base" / prevName, c.distrInput);

    // each side timed `repeat` times on fresh copies, the fastest kept
    Timing engine{1e300, 1e300}, plain{1e300, 1e300};
    std::string trace;
    bool committed = false;
    std::vector<bench::ReferenceStep> steps;
    for (int i = 0; i < repeat; ++i) {
        Timing e = engineRun(c, dir / "base", dir / "run", trace, committed);
        if (steps.empty()) steps = bench::referenceStatements(trace, base.locate("001", "2005").name, dir / "run" / curName);
        copyYears(dir / "base", dir / "ref");
        Timing p = measure([&] { bench::runReference(steps, dir / "ref" / prevName, dir / "ref" / curName); });
        engine = {std::min(engine.wallMs, e.wallMs), std::min(engine.cpuMs, e.cpuMs)};
        plain = {std::min(plain.wallMs, p.wallMs), std::min(plain.cpuMs, p.cpuMs)};
    }
    bool same = rowsOf(dir / "run" / curName, "ca_amoct") == rowsOf(dir / "ref" / curName, "ca_amoct") &&
                rowsOf(dir / "run" / curName, "CA_DistrInput") == rowsOf(dir / "ref" / curName, "CA_DistrInput");
    std::printf("%9d %12d %8s %11.0f %11.0f %7.2f %11.0f %11.0f %7.2f%s\n", c.rows, c.distrInput,
                std::string(releaseName(c.release)).c_str(), engine.wallMs, plain.wallMs, engine.wallMs / plain.wallMs,
                engine.cpuMs, plain.cpuMs, engine.cpuMs / plain.cpuMs,
                !committed ? "  (run did not commit)" : same ? "" : "  (row counts differ)");
    std::fflush(stdout);
    fs::remove_all(dir);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    int distrInput = -1, repeat = 3;
    for (int i = 1; i < argc; ++i) {
        bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--rows") && hasValue) sizes.push_back(std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--distr-input") && hasValue) distrInput = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--repeat") && hasValue) repeat = std::max(1, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr, "usage: vantyr_bench [--rows N]... [--distr-input N] [--repeat N]\n");
            return 3;
        }
    }
    if (sizes.empty() && distrInput < 0) sizes = {10000, 100000}, distrInput = 200000;
    std::printf("%9s %12s %8s %11s %11s %7s %11s %11s %7s\n", "rows", "distr-input", "release", "engine ms",
                "sqlite ms", "ratio", "engine cpu", "sqlite cpu", "ratio");
    for (int rows : sizes)
        for (Release release : {Release::V850, Release::V861}) run({rows, release, 0}, repeat);
    if (distrInput > 0) run({240, Release::V850, distrInput}, repeat);
    return 0;
}
