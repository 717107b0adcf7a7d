// vantyr demo and vantyr db create: account-year databases of the embedded
// engine. Both only create; anything in the way is an environment error, and
// a creation that fails midway leaves no file behind.
#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/backend.h"
#include "cli/commands.h"
#include "cli/data_source.h"
#include "cli/validation.h"
#include "platform/error.h"
#include "platform/odbc/connection_string.h"
#include "platform/odbc/server_demo.h"
#include "platform/odbc/session.h"
#include "platform/sqlite/demo_data.h"

namespace vantyr::cli {
namespace {

namespace fs = std::filesystem;

// The files a creation makes: kept when it succeeds, removed when it fails.
class NewFiles {
public:
    explicit NewFiles(std::vector<fs::path> paths) : paths_(std::move(paths)) {}
    ~NewFiles() {
        if (kept_) return;
        std::error_code ec;
        for (const auto& p : paths_) {
            fs::remove(p, ec);
            fs::remove(fs::path(p.string() + "-journal"), ec);
        }
    }
    void keep() { kept_ = true; }

    // The first of the files that already exists, or nothing.
    std::optional<fs::path> existing() const {
        std::error_code ec;
        for (const auto& p : paths_)
            if (fs::exists(p, ec) || ec) return p;
        return std::nullopt;
    }

private:
    std::vector<fs::path> paths_;
    bool kept_ = false;
};

// --schema pre-8.50 makes sense only for release 8.50, whose run upgrades it.
bool checkSchema(bool before850, Release release, Console& console) {
    if (!before850 || release == Release::V850) return true;
    console.err << "vantyr: --schema pre-8.50 needs --release 8.50 (release 8.61 has no schema upgrade)\n";
    return false;
}

// The demo's two databases created on a server with the same DDL, sent unchanged.
int runServerDemo(const DemoCommandOptions& o, const platform::sqlite::DemoOptions& demo, Console& console) {
    try {
        platform::odbc::Session session(connectionStringOf(choiceOf(o)));
        if (auto existing = platform::odbc::existingDemoDatabase(session)) {
            console.err << "vantyr: " << *existing << " already exists on the server; drop it first\n";
            return kExitUsage;
        }
        auto counts = platform::odbc::createServerDemo(session, demo);
        std::int64_t total = 0;
        for (const auto& [table, rows] : counts) total += rows;
        console.out << "demo account 001 on the server (release " << releaseName(o.release) << "): QXDATA_001_2004 holds "
                    << total << " rows in " << counts.size() << " tables, QXDATA_001_2005 is empty\n";
    } catch (const platform::Error& e) {
        console.err << "vantyr: " << platform::odbc::maskSecrets(e.description()) << "\n";
        return kExitUsage;  // as on the embedded engine: the demo could not be created
    }
    return kExitCommitted;
}

}  // namespace

int runCreate(const CreateOptions& o, Console& console) {
    if (!checkTarget(o.data, o.account, o.year, console) || !checkSchema(o.before850, o.release, console))
        return kExitUsage;
    platform::sqlite::DataDirectory directory{fs::path(o.data)};
    NewFiles files({directory.locate(o.account, o.year).path});
    if (auto there = files.existing()) {
        files.keep();
        console.err << "vantyr: " << there->string() << " already exists; nothing was written\n";
        return kExitUsage;
    }
    try {
        platform::sqlite::createAccountYear(directory, o.account, o.year, o.release == Release::V861, o.before850);
    } catch (const std::exception& e) {
        console.err << "vantyr: the database could not be created: " << e.what() << "\n";
        return kExitUsage;
    }
    files.keep();
    console.out << "created " << directory.locate(o.account, o.year).path.string() << " (release "
                << releaseName(o.release) << (o.before850 ? ", schema before 8.50" : "") << ")\n";
    return kExitCommitted;
}

int runDemo(const DemoCommandOptions& o, Console& console) {
    if (o.rows < kDemoMinRows || o.rows > kDemoMaxRows) {
        console.err << "vantyr: --rows must lie between " << kDemoMinRows << " (one row per period) and "
                    << kDemoMaxRows << "\n";
        return kExitUsage;
    }
    if (!checkSchema(o.before850, o.release, console)) return kExitUsage;
    BackendChoice where = choiceOf(o);
    if (auto problem = checkBackendChoice(where)) {
        console.err << "vantyr: " << *problem << "\n";
        return kExitUsage;
    }
    if (onServer(where)) {
        if (o.before850) {
            console.err << "vantyr: --schema pre-8.50 is for the embedded engine's data directories\n";
            return kExitUsage;
        }
        platform::sqlite::DemoOptions demo;
        demo.release861 = o.release == Release::V861;
        demo.periodRows = o.rows;
        demo.seed = o.seed;
        return runServerDemo(o, demo, console);
    }
    if (auto problem = checkDataDirectory(o.data); problem && problem->find("does not exist") == std::string::npos) {
        console.err << "vantyr: " << *problem << "\n";
        return kExitUsage;
    }
    platform::sqlite::DataDirectory directory{fs::path(o.data)};
    NewFiles files({directory.locate("001", "2004").path, directory.locate("001", "2005").path});
    if (auto there = files.existing()) {
        files.keep();
        console.err << "vantyr: " << there->string() << " already exists; remove it or choose another --data\n";
        return kExitUsage;
    }
    platform::sqlite::DemoOptions demo;
    demo.release861 = o.release == Release::V861;
    demo.periodRows = o.rows;
    demo.seed = o.seed;
    demo.before850 = o.before850;
    try {
        auto counts = platform::sqlite::createDemo(directory, demo);
        files.keep();
        std::int64_t total = 0;
        for (const auto& [table, rows] : counts) total += rows;
        console.out << "demo account 001 in " << o.data << " (release " << releaseName(o.release) << "): 2004 holds "
                    << total << " rows in " << counts.size() << " tables, 2005 is empty"
                    << (o.before850 ? " at the schema before 8.50" : "") << "\n";
    } catch (const std::exception& e) {
        console.err << "vantyr: the demo could not be created (nothing kept): " << e.what() << "\n";
        return kExitUsage;
    }
    return kExitCommitted;
}

}  // namespace vantyr::cli
