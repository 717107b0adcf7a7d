#include "tests/support/storage_run.h"

namespace vantyr::testing {
namespace {

class Watcher : public platform::TraceWriter {
public:
    Watcher(std::ostream* out, std::function<void(int)> onStep) : TraceWriter(out), onStep_(std::move(onStep)) {}
    void Step(int index, int, const std::string&) override {
        if (onStep_) onStep_(index);
    }
    void Finished(platform::RunEnd end) override { end_ = end; }
    std::optional<platform::RunEnd> end() const { return end_; }

private:
    std::function<void(int)> onStep_;
    std::optional<platform::RunEnd> end_;
};

}  // namespace

StorageRun runOn(const platform::sqlite::DataDirectory& directory, Release release,
                 const std::function<void(int, platform::sqlite::SqlitePlatform&)>& onStep) {
    std::ostringstream messages, trace;
    std::istringstream none;
    StorageRun run;
    {
        cli::ConsoleMessages console("en", cli::Confirm::Yes, messages, none, false);
        platform::sqlite::SqlitePlatform platform(directory, console, console);
        shell::endyear component(release, platform);
        component.caLogin(std::make_shared<platform::sqlite::SqliteLogin>(directory, "001", "2005"));
        Watcher watcher(&trace, [&](int index) {
            if (onStep) onStep(index, platform);
        });
        component.setObserver(&watcher);
        component.subYearend();
        run.end = watcher.end();
        run.skipped = watcher.skipped();
    }
    run.messages = messages.str();
    run.trace = trace.str();
    return run;
}

DemoState stateOf(const platform::sqlite::DataDirectory& directory) {
    DemoState state;
    auto prev = directory.locate("001", "2004").path;
    state.prev = Probe(prev).dump();
    state.cur = Probe(directory.locate("001", "2005").path).dump();
    auto marked = prev;
    marked += ".marked";
    std::filesystem::copy_file(prev, marked, std::filesystem::copy_options::overwrite_existing);
    {
        Probe copy(marked);
        copy.exec("UPDATE ca_cbsys SET iendmonth = 13 WHERE iendmonth = 12");
        state.prevMarked = copy.dump();
    }
    std::filesystem::remove(marked);
    return state;
}

std::string firstDifference(const std::string& expected, const std::string& actual) {
    if (expected == actual) return {};
    std::istringstream a(expected), b(actual);
    std::string table, left, right;
    for (int line = 1;; ++line) {
        bool moreLeft = static_cast<bool>(std::getline(a, left)), moreRight = static_cast<bool>(std::getline(b, right));
        if (left.rfind("## ", 0) == 0) table = left;
        if (!moreLeft || !moreRight || left != right)
            return "line " + std::to_string(line) + " (" + table + "): expected \"" + (moreLeft ? left : "<end>") +
                   "\", found \"" + (moreRight ? right : "<end>") + "\"";
    }
}

bool prevAsBeforeOrMarked(const DemoState& before, const std::string& prevNow) {
    return prevNow == before.prev || prevNow == before.prevMarked;
}

}  // namespace vantyr::testing
