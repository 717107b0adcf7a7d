#pragma once
// `vantyr upgrade`: release 8.50's schema upgrade alone on one account year,
// with a summary per statement group of what succeeded and what failed (the
// upgrade itself passes over every failure).
#include <CLI/CLI.hpp>
#include <string>

#include "cli/commands.h"

namespace vantyr::cli {

struct UpgradeOptions {
    std::string data, account, year;
    std::string odbc, odbcEnv, dsn;  // a server in place of data (cli/backend.h)
    std::string trace;    // file for the trace (- for standard output); empty: none
    bool verbose = false; // print the failing statements with their errors
};

// Exit codes: kExitCommitted when the upgrade ran (whatever its statements
// did), kExitUsage for bad arguments or an account year that cannot be opened.
int runUpgrade(const UpgradeOptions& options, Console& console);

// Adds --schema pre-8.50 to `db create` or `demo`.
void addSchemaOption(CLI::App* command, bool& before850);

// Registers the subcommand and its options on the command's parser.
CLI::App* addUpgradeCommand(CLI::App& app, UpgradeOptions& options);

}  // namespace vantyr::cli
