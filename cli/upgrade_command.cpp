#include "cli/upgrade_command.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <vector>

#include "cli/console_messages.h"
#include "cli/data_source.h"
#include "cli/validation.h"
#include "platform/error.h"
#include "platform/observed_database.h"
#include "platform/sqlite/sqlite_platform.h"
#include "platform/trace_writer.h"
#include "upgrade/upgrade_ca_schema.h"

namespace vantyr::cli {
namespace {

// Counts the upgrade's statements per group while writing the trace.
class GroupTally : public platform::TraceWriter {
public:
    struct Group {
        std::string name;
        int succeeded = 0, failed = 0;
        std::vector<std::pair<std::string, std::string>> failures;  // text, error
    };

    using TraceWriter::TraceWriter;

    void Step(int index, int, const std::string& name) override {
        current_ = index;
        groups_[index].name = name;
    }
    void Statement(const platform::StatementRecord& record) override {
        TraceWriter::Statement(record);
        if (!current_) return;
        Group& g = groups_[*current_];
        if (!record.error) {
            ++g.succeeded;
            return;
        }
        ++g.failed;
        g.failures.emplace_back(record.text, record.error->description());
    }
    bool started() const { return current_.has_value(); }
    const std::map<int, Group>& groups() const { return groups_; }

private:
    std::optional<int> current_;
    std::map<int, Group> groups_;
};

bool usable(const UpgradeOptions& o, Console& console) {
    for (auto problem : {checkAccount(o.account), checkYear(o.year)}) {
        if (problem) {
            console.err << "vantyr: " << *problem << "\n";
            return false;
        }
    }
    BackendChoice where = choiceOf(o);
    if (auto problem = checkBackendChoice(where)) {
        console.err << "vantyr: " << *problem << "\n";
        return false;
    }
    if (onServer(where)) return true;
    if (!std::filesystem::is_directory(o.data)) {
        console.err << "vantyr: data directory '" << o.data << "' does not exist\n";
        return false;
    }
    auto database = platform::sqlite::DataDirectory(o.data).locate(o.account, o.year);
    if (!std::filesystem::exists(database.path)) {
        console.err << "vantyr: no database " << database.name << " in " << o.data << "\n";
        return false;
    }
    return true;
}

void printSummary(const GroupTally& tally, bool verbose, std::ostream& out) {
    int succeeded = 0, failed = 0;
    char line[160];
    std::snprintf(line, sizeof line, "%5s  %-45s %9s %7s\n", "group", "", "succeeded", "failed");
    out << line;
    for (const auto& [number, g] : tally.groups()) {
        std::snprintf(line, sizeof line, "%5d  %-45s %9d %7d\n", number, g.name.c_str(), g.succeeded, g.failed);
        out << line;
        succeeded += g.succeeded;
        failed += g.failed;
        if (!verbose) continue;
        for (const auto& [text, error] : g.failures) {
            std::string shown = text;
            for (std::size_t at = 0; (at = shown.find("\r\n", at)) != std::string::npos;) shown.replace(at, 2, "\n         ");
            out << "       - " << shown << "\n         error: " << error << "\n";
        }
    }
    std::snprintf(line, sizeof line, "%5s  %-45s %9d %7d\n", "", "all groups", succeeded, failed);
    out << line;
}

}  // namespace

int runUpgrade(const UpgradeOptions& o, Console& console) {
    if (!usable(o, console)) return kExitUsage;
    std::ofstream traceFile;
    std::ostream* trace = nullptr;
    if (o.trace == "-") {
        trace = &console.out;
    } else if (!o.trace.empty()) {
        traceFile.open(o.trace);
        if (!traceFile) {
            console.err << "vantyr: cannot write the trace file '" << o.trace << "'\n";
            return kExitUsage;
        }
        trace = &traceFile;
    }
    ConsoleMessages messages("en", Confirm::Yes, console.err, console.in, false);
    auto source = openDataSource(choiceOf(o), messages, messages, console);
    if (!source) return kExitUsage;
    std::shared_ptr<platform::AdoConnection> connection;
    try {
        auto database = source->platform().CreateDatabase();
        database->Open(o.account + o.year);
        connection = database->UnderlyingConnection();
    } catch (const platform::Error& e) {
        console.err << "vantyr: " << e.description() << "\n";
        return kExitUsage;
    }
    GroupTally tally(trace);
    auto ado = platform::observeAdo(source->platform(), platform::kUpgradeObject, tally, platform::SendMode::Send);
    try {
        upgrade::UpgradeCaSchema(*ado, connection, &tally);
    } catch (const platform::Error& e) {  // the storage failed: the upgrade stopped there
        console.err << "vantyr: the upgrade stopped: " << e.description() << "\n";
        return kExitUsage;
    }
    if (!tally.started()) {
        console.err << "vantyr: the upgrade could not open its connection to " << o.account << "/" << o.year << "\n";
        return kExitUsage;
    }
    printSummary(tally, o.verbose, trace == &console.out ? console.err : console.out);
    return kExitCommitted;
}

void addSchemaOption(CLI::App* command, bool& before850) {
    command
        ->add_option_function<std::string>(
            "--schema", [&before850](const std::string& text) { before850 = text == "pre-8.50"; },
            "pre-8.50: the current year as it stood before release 8.50's schema upgrade (release 8.50 only)")
        ->check(CLI::IsMember({"pre-8.50", "8.50"}));
}

CLI::App* addUpgradeCommand(CLI::App& app, UpgradeOptions& o) {
    auto* command = app.add_subcommand("upgrade", "run release 8.50's schema upgrade alone on one account year");
    addBackendOptions(*command, o, "data directory of the account-year databases");
    command->add_option("--account", o.account, "company account number, e.g. 001")->required();
    command->add_option("--year", o.year, "the fiscal year whose database is upgraded, e.g. 2005")->required();
    command->add_option("--trace", o.trace, "write every statement sent, one JSON object per line, to FILE (- for standard output)");
    command->add_flag("--verbose", o.verbose, "list the failing statements with their errors");
    command->footer("Exit codes:\n  0  the upgrade ran (each failing statement is passed over)\n"
                    "  3  bad arguments or environment (nothing opened, or the storage failed)\n");
    return command;
}

}  // namespace vantyr::cli
