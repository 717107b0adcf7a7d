#include "tests/support/engine_fixture.h"

#include <random>

#include "upgrade/upgrade_ca_schema.h"

namespace vantyr::testing {

TempDirectory::TempDirectory() {
    std::random_device seed;
    path_ = std::filesystem::temp_directory_path() / ("vantyr-test-" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(path_);
}

TempDirectory::~TempDirectory() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

platform::Value Probe::value(const std::string& sql) {
    auto st = db_.prepare(sql);
    if (!st.step()) return platform::Value::null();
    return st.column(0);
}

std::string Probe::dump() {
    std::vector<std::pair<std::string, bool>> tables;   // name, has a rowid
    {
        auto st = db_.prepare("SELECT name, sql NOT LIKE '%WITHOUT ROWID' FROM sqlite_master WHERE type = 'table' ORDER BY name");
        while (st.step()) tables.emplace_back(st.column(0).toText(), st.column(1).toDouble() != 0);
    }
    std::ostringstream out;
    for (const auto& [t, rowid] : tables) {
        out << "## " << t << "\n";
        // a table without rowid is read in the order of its key
        auto st = db_.prepare("SELECT * FROM " + platform::sqlite::quoteName(t) + (rowid ? " ORDER BY rowid" : ""));
        while (st.step()) {
            for (int i = 0; i < st.columnCount(); ++i) {
                auto v = st.column(i);
                out << (v.isNull() ? std::string("NULL") : v.toText()) << "|";
            }
            out << "\n";
        }
    }
    return out.str();
}

void DemoFixture::makeDemo(Release release, int periodRows) {
    platform::sqlite::DemoOptions options;
    options.release861 = release == Release::V861;
    options.periodRows = periodRows;
    platform::sqlite::createDemo(directory, options);
}

EngineRun DemoFixture::carryOver(Release release, bool answerOk, platform::SendMode mode) {
    std::ostringstream messages, trace;
    std::istringstream none;
    cli::ConsoleMessages console("en", answerOk ? cli::Confirm::Yes : cli::Confirm::Ask, messages, none, false);
    platform::sqlite::SqlitePlatform platform(directory, console, console);
    shell::endyear component(release, platform);
    component.caLogin(std::make_shared<platform::sqlite::SqliteLogin>(directory, "001", "2005"));
    platform::TraceWriter writer(&trace);
    component.setObserver(&writer);
    component.setSendMode(mode);
    EngineRun run;
    run.result = component.subYearend();
    run.trace = trace.str();
    run.messages = messages.str();
    run.skipped = writer.skipped();
    return run;
}

}  // namespace vantyr::testing

namespace vantyr::testing {

std::string DemoFixture::upgradeAlone() {
    std::ostringstream messages, trace;
    std::istringstream none;
    cli::ConsoleMessages console("en", cli::Confirm::Yes, messages, none, false);
    platform::sqlite::SqlitePlatform platform(directory, console, console);
    auto database = platform.CreateDatabase();
    database->Open("0012005");
    platform::TraceWriter writer(&trace);
    auto ado = platform::observeAdo(platform, platform::kUpgradeObject, writer, platform::SendMode::Send);
    upgrade::UpgradeCaSchema(*ado, database->UnderlyingConnection());
    return trace.str();
}

}  // namespace vantyr::testing
