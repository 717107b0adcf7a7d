// Prints how long release 8.50's schema upgrade takes on the embedded engine:
// on the demo's new year at the schema before 8.50 (the first run has all to
// do) and again on the same year (every addition fails as already there),
// with the previous year's period tables at several sizes. The data fixes and
// identity keys touch the new year's rows, so the new year is filled too.
// Usage:
//   vantyr_upgrade_bench [ROWS...]      (default 240 100000)
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <vector>

#include "platform/sqlite/connection.h"
#include "platform/sqlite/demo_data.h"
#include "platform/trace_writer.h"
#include "tests/bench/upgrade_new_year.h"

using namespace vantyr;

namespace {

using Clock = std::chrono::steady_clock;

// One upgrade of 2005; returns its milliseconds and the failures passed over.
std::pair<double, int> upgradeOnce(const platform::sqlite::DataDirectory& directory) {
    platform::TraceWriter counts(nullptr);
    auto start = Clock::now();
    bench::upgradeNewYear(directory, counts);
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return {ms, counts.upgradeSkipped()};
}

// The new year gets the old year's cost rows (the columns both have), so that
// the data fixes and identity keys of the upgrade have as many rows to touch.
void copyCostRows(const platform::sqlite::DataDirectory& directory) {
    platform::sqlite::Connection db(directory.locate("001", "2005").path.string(), false);
    db.exec("ATTACH DATABASE " + platform::sqlite::quoteText(directory.locate("001", "2004").path.string()) + " AS old");
    std::vector<std::string> tables;
    {
        auto st = db.prepare("SELECT name FROM main.vantyr_tables WHERE name LIKE 'CA%' AND name IN "
                             "(SELECT name FROM old.vantyr_tables)");
        while (st.step()) tables.push_back(st.column(0).toText());
    }
    db.exec("BEGIN");
    for (const auto& table : tables) {
        std::string columns;
        auto st = db.prepare("SELECT n.name FROM pragma_table_info(?1, 'main') n JOIN pragma_table_info(?1, 'old') o "
                             "ON o.name = n.name COLLATE NOCASE");
        st.bind(1, platform::Value(table));
        while (st.step()) columns += (columns.empty() ? "" : ", ") + platform::sqlite::quoteName(st.column(0).toText());
        std::string q = platform::sqlite::quoteName(table);
        db.exec("DELETE FROM main." + q + "; INSERT INTO main." + q + " (" + columns + ") SELECT " + columns +
                " FROM old." + q);
    }
    db.exec("COMMIT");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {240, 100000};
    std::printf("%10s %12s %14s %10s %14s %10s\n", "rows", "demo ms", "first run ms", "failed", "repeat run ms",
                "failed");
    for (int rows : sizes) {
        auto dir = std::filesystem::temp_directory_path() / ("vantyr-upgrade-bench-" + std::to_string(rows));
        std::filesystem::remove_all(dir);
        platform::sqlite::DataDirectory directory(dir);
        platform::sqlite::DemoOptions demo;
        demo.release861 = false;
        demo.before850 = true;
        demo.periodRows = rows;
        auto t0 = Clock::now();
        platform::sqlite::createDemo(directory, demo);
        copyCostRows(directory);
        double demoMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        auto [firstMs, firstFailed] = upgradeOnce(directory);
        auto [againMs, againFailed] = upgradeOnce(directory);
        std::printf("%10d %12.1f %14.1f %10d %14.1f %10d\n", rows, demoMs, firstMs, firstFailed, againMs, againFailed);
        std::filesystem::remove_all(dir);
    }
    return 0;
}
