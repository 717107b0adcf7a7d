// Prints how long a carry-over takes on the embedded engine against the same
// data movement done by plain SQLite statements on copies of the same files
// (see reference_replay.h), at several sizes of the period tables and with a
// large previous-year CA_DistrInput. Wall time and CPU time of this process,
// and their ratios (engine / plain SQLite). Usage:
//   vantyr_bench [--rows N]... [--distr-input N]
// Default: --rows 10000 --rows 100000 --distr-input 200000 (add --rows 1000000
// for the large size).
#include <sys/resource.h>

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

void run(const Case& c) {
    auto dir = fs::temp_directory_path() / ("vantyr-bench-" + std::to_string(c.rows));
    fs::remove_all(dir);
    platform::sqlite::DataDirectory directory(dir);
    platform::sqlite::DemoOptions demo;
    demo.release861 = c.release == Release::V861;
    demo.periodRows = c.rows;
    platform::sqlite::createDemo(directory, demo);
    fs::path prevFile = directory.locate("001", "2004").path, curFile = directory.locate("001", "2005").path;
    if (c.distrInput) growDistrInput(prevFile, c.distrInput);
    fs::create_directories(dir / "ref");
    fs::copy_file(prevFile, dir / "ref" / prevFile.filename());
    fs::copy_file(curFile, dir / "ref" / curFile.filename());

    std::ostringstream sink, trace;
    std::istringstream none;
    bool committed = false;
    Timing engine = measure([&] {
        cli::ConsoleMessages messages("en", cli::Confirm::Yes, sink, none, false);
        platform::sqlite::SqlitePlatform platform(directory, messages, messages);
        shell::endyear component(c.release, platform);
        component.caLogin(std::make_shared<platform::sqlite::SqliteLogin>(directory, "001", "2005"));
        platform::TraceWriter writer(&trace);
        component.setObserver(&writer);
        component.subYearend();
        committed = sink.str().find("completed successfully") != std::string::npos;
    });
    auto steps = bench::referenceStatements(trace.str(), directory.locate("001", "2005").name, curFile);
    Timing plain = measure([&] { bench::runReference(steps, dir / "ref" / prevFile.filename(), dir / "ref" / curFile.filename()); });
    bool same = rowsOf(curFile, "ca_amoct") == rowsOf(dir / "ref" / curFile.filename(), "ca_amoct") &&
                rowsOf(curFile, "CA_DistrInput") == rowsOf(dir / "ref" / curFile.filename(), "CA_DistrInput");
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
    int distrInput = -1;
    for (int i = 1; i < argc; ++i) {
        bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--rows") && hasValue) sizes.push_back(std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--distr-input") && hasValue) distrInput = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: vantyr_bench [--rows N]... [--distr-input N]\n");
            return 3;
        }
    }
    if (sizes.empty() && distrInput < 0) sizes = {10000, 100000}, distrInput = 200000;
    std::printf("%9s %12s %8s %11s %11s %7s %11s %11s %7s\n", "rows", "distr-input", "release", "engine ms",
                "sqlite ms", "ratio", "engine cpu", "sqlite cpu", "ratio");
    for (int rows : sizes)
        for (Release release : {Release::V850, Release::V861}) run({rows, release, 0});
    if (distrInput > 0) run({240, Release::V850, distrInput});
    return 0;
}
