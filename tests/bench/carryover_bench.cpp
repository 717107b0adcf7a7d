// Prints how long a carry-over takes on the embedded engine at several sizes
// of the period tables, and the ratio of time to rows. Usage:
//   vantyr_bench [ROWS...]      (default 1000 10000 100000)
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <vector>

#include "cli/console_messages.h"
#include "platform/sqlite/demo_data.h"
#include "platform/sqlite/login.h"
#include "platform/sqlite/sqlite_platform.h"
#include "platform/trace_writer.h"
#include "shell/endyear.h"

using namespace vantyr;

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {1000, 10000, 100000};
    std::printf("%10s %8s %12s %12s %14s\n", "rows", "release", "demo ms", "carry ms", "us per row");
    for (int rows : sizes) {
        for (Release release : {Release::V850, Release::V861}) {
            auto dir = std::filesystem::temp_directory_path() / ("vantyr-bench-" + std::to_string(rows));
            std::filesystem::remove_all(dir);
            platform::sqlite::DataDirectory directory(dir);
            platform::sqlite::DemoOptions demo;
            demo.release861 = release == Release::V861;
            demo.periodRows = rows;
            auto t0 = std::chrono::steady_clock::now();
            platform::sqlite::createDemo(directory, demo);
            auto t1 = std::chrono::steady_clock::now();
            std::ostringstream sink;
            std::istringstream none;
            cli::ConsoleMessages messages("en", cli::Confirm::Yes, sink, none, false);
            platform::sqlite::SqlitePlatform platform(directory, messages, messages);
            shell::endyear component(release, platform);
            component.caLogin(std::make_shared<platform::sqlite::SqliteLogin>(directory, "001", "2005"));
            platform::TraceWriter trace(nullptr);
            component.setObserver(&trace);
            bool ok = component.subYearend() || release == Release::V850;
            auto t2 = std::chrono::steady_clock::now();
            double demoMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
            double carryMs = std::chrono::duration<double, std::milli>(t2 - t1).count();
            std::printf("%10d %8s %12.1f %12.1f %14.3f%s\n", rows, std::string(releaseName(release)).c_str(), demoMs,
                        carryMs, carryMs * 1000.0 / rows, ok ? "" : "  (run did not commit)");
            std::filesystem::remove_all(dir);
        }
    }
    return 0;
}
