#pragma once
// How a subcommand joins the vantyr command: it adds itself, its options, its
// --help text and its exit codes to the parser, and hands back what runs it
// once the arguments are parsed. main.cpp calls one add function per
// subcommand; a new subcommand adds its own function here and a line there.
#include <functional>

#include <CLI/CLI.hpp>

#include "cli/backend.h"
#include "cli/commands.h"

namespace vantyr::cli {

struct Subcommand {
    CLI::App* app;
    std::function<int()> run;
};

// --release for a subcommand: a value the option sets, 8.50 or 8.61.
void addReleaseOption(CLI::App* app, std::function<void(Release)> set, const char* help);
// --data (or a server: --odbc, --odbc-env, --dsn), --account and --year.
template <class Options>
void addTargetOptions(CLI::App* app, Options& o) {
    addBackendOptions(*app, o, "data directory of the account-year databases");
    app->add_option("--account", o.account, "company account number, e.g. 001")->required();
    app->add_option("--year", o.year, "the fiscal year to carry into, e.g. 2005 (no leading zeros)")->required();
}

Subcommand addCarryOverCommand(CLI::App& app, Console& console);
Subcommand addCheckCommand(CLI::App& app, Console& console);
Subcommand addDbCommand(CLI::App& app, Console& console);
Subcommand addDemoCommand(CLI::App& app, Console& console);
Subcommand addUpgradeCommand(CLI::App& app, Console& console);
Subcommand addSqlCommand(CLI::App& app, Console& console);

}  // namespace vantyr::cli
