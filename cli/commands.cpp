#include "cli/commands.h"

#include <fstream>
#include <iostream>

#include "cli/backend.h"
#include "cli/console_messages.h"
#include "cli/validation.h"
#include "platform/error.h"
#include "platform/odbc/connection_string.h"
#include "platform/odbc/server_demo.h"
#include "platform/odbc/session.h"
#include "platform/sqlite/demo_data.h"
#include "platform/sqlite/login.h"
#include "platform/sqlite/sqlite_platform.h"
#include "platform/trace_writer.h"
#include "shell/endyear.h"

namespace vantyr::cli {
namespace {

using platform::RunEnd;

// What the command watches of a run: the trace, the progress line, the end.
class CommandObserver : public platform::TraceWriter {
public:
    CommandObserver(std::ostream* trace, Console& console) : TraceWriter(trace), console_(console) {}

    void Step(int index, int total, const std::string& table) override {
        if (!console_.progress) return;
        console_.err << "\r  statement " << index << " of " << total << "  " << table << "\x1b[K" << std::flush;
        drawn_ = true;
    }
    void Finished(RunEnd end) override {
        if (drawn_) console_.err << "\r\x1b[K" << std::flush;
        end_ = end;
    }
    std::optional<RunEnd> end() const { return end_; }

private:
    Console& console_;
    bool drawn_ = false;
    std::optional<RunEnd> end_;
};

bool checkIdentity(const std::string& account, const std::string& year, Console& console) {
    for (auto problem : {checkAccount(account), checkYear(year)}) {
        if (problem) {
            console.err << "vantyr: " << *problem << "\n";
            return false;
        }
    }
    return true;
}

bool checkDataDirectory(const std::string& data, Console& console) {
    if (std::filesystem::is_directory(data)) return true;
    console.err << "vantyr: data directory '" << data << "' does not exist (create one with: vantyr demo --data "
                << data << ")\n";
    return false;
}

int exitCodeOf(std::optional<RunEnd> end) {
    if (!end) return kExitFailed;
    switch (*end) {
        case RunEnd::Committed: return kExitCommitted;
        case RunEnd::Stopped: return kExitStopped;
        case RunEnd::RolledBack: return kExitFailed;
    }
    return kExitFailed;
}

// Says what is wrong with the choice of databases, if anything.
bool checkChoice(const BackendChoice& where, Console& console) {
    if (auto problem = checkBackendChoice(where)) {
        console.err << "vantyr: " << *problem << "\n";
        return false;
    }
    return onServer(where) || checkDataDirectory(where.data, console);
}

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
        return platform::isStorageFailure(e.number()) ? kExitUsage : kExitFailed;
    }
    return kExitCommitted;
}

}  // namespace

int runCarryOver(const CarryOverOptions& o, Console& console) {
    BackendChoice where = choiceOf(o);
    if (!checkIdentity(o.account, o.year, console) || !checkChoice(where, console)) return kExitUsage;
    std::ofstream traceFile;
    std::ostream* trace = nullptr;
    if (!o.trace.empty() && o.trace != "-") {
        traceFile.open(o.trace);
        if (!traceFile) {
            console.err << "vantyr: cannot write the trace file '" << o.trace << "'\n";
            return kExitUsage;
        }
        trace = &traceFile;
    } else if (o.dryRun) {
        trace = &console.out;
    }
    if (o.trace == "-") trace = &console.out;
    ConsoleMessages messages(o.language.empty() ? languageFromEnvironment() : o.language,
                             o.yes || o.dryRun ? Confirm::Yes : Confirm::Ask, console.err, console.in,
                             console.interactive);
    if (o.dryRun) messages.markDryRun();
    std::unique_ptr<Backend> backend;
    try {
        backend = openBackend(where, messages, messages);
    } catch (const platform::Error& e) {
        console.err << "vantyr: cannot open the databases: " << e.description() << "\n";
        return kExitUsage;
    }
    CommandObserver observer(trace, console);
    shell::endyear component(o.release, backend->platform());
    component.caLogin(backend->login(o.account, o.year));
    component.setObserver(&observer);
    component.setSendMode(o.dryRun ? platform::SendMode::Plan : platform::SendMode::Send);
    if (o.dryRun) console.err << "vantyr: dry run of release " << releaseName(o.release) << ": nothing will be written\n";
    try {
        component.subYearend();
    } catch (const platform::Error& e) {
        console.err << "vantyr: the closing message could not be shown: " << e.description() << "\n";
        return o.dryRun ? kExitFailed : exitCodeOf(observer.end());
    }
    int code = exitCodeOf(observer.end());
    if (o.dryRun) {
        console.err << "vantyr: dry run planned " << observer.planned() << " statement(s); nothing was written\n";
    } else if (code == kExitCommitted) {
        console.err << "vantyr: committed; " << observer.skipped() << " statement(s) skipped"
                    << (observer.skipped() && o.trace.empty() ? " (see --trace for which)" : "") << "\n";
    }
    return code;
}

int runCreate(const CreateOptions& o, Console& console) {
    if (!checkIdentity(o.account, o.year, console) || !checkDataDirectory(o.data, console)) return kExitUsage;
    platform::sqlite::DataDirectory directory{std::filesystem::path(o.data)};
    try {
        platform::sqlite::createAccountYear(directory, o.account, o.year, o.release == Release::V861);
    } catch (const platform::Error& e) {
        console.err << "vantyr: " << e.description() << "\n";
        return kExitFailed;
    }
    console.out << "created " << directory.locate(o.account, o.year).path.string() << " (release "
                << releaseName(o.release) << ")\n";
    return kExitCommitted;
}

int runDemo(const DemoCommandOptions& o, Console& console) {
    if (o.rows < 12) {
        console.err << "vantyr: --rows must be at least 12 (one row per period)\n";
        return kExitUsage;
    }
    BackendChoice where = choiceOf(o);
    if (auto problem = checkBackendChoice(where)) {
        console.err << "vantyr: " << *problem << "\n";
        return kExitUsage;
    }
    platform::sqlite::DemoOptions demo;
    demo.release861 = o.release == Release::V861;
    demo.periodRows = o.rows;
    demo.seed = o.seed;
    if (onServer(where)) return runServerDemo(o, demo, console);
    platform::sqlite::DataDirectory directory{std::filesystem::path(o.data)};
    for (const char* year : {"2004", "2005"}) {
        if (std::filesystem::exists(directory.locate("001", year).path)) {
            console.err << "vantyr: " << directory.locate("001", year).path.string()
                        << " already exists; remove it or choose another --data\n";
            return kExitUsage;
        }
    }
    try {
        auto counts = platform::sqlite::createDemo(directory, demo);
        std::int64_t total = 0;
        for (const auto& [table, rows] : counts) total += rows;
        console.out << "demo account 001 in " << o.data << " (release " << releaseName(o.release) << "): 2004 holds "
                    << total << " rows in " << counts.size() << " tables, 2005 is empty\n";
    } catch (const std::exception& e) {
        console.err << "vantyr: " << e.what() << "\n";
        return kExitFailed;
    }
    return kExitCommitted;
}

}  // namespace vantyr::cli
