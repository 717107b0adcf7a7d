#pragma once
// How a subcommand joins the vantyr command: it adds itself, its options, its
// --help text and its exit codes to the parser, and hands back what runs it
// once the arguments are parsed. main.cpp calls one add function per
// subcommand; a new subcommand adds its own function here and a line there.
#include <functional>

#include <CLI/CLI.hpp>

#include "cli/commands.h"

namespace vantyr::cli {

struct Subcommand {
    CLI::App* app;
    std::function<int()> run;
};

// --release for a subcommand: a value the option sets, 8.50 or 8.61.
void addReleaseOption(CLI::App* app, std::function<void(Release)> set, const char* help);
// --data, --account and --year, each required.
void addTargetOptions(CLI::App* app, std::string& data, std::string& account, std::string& year);

Subcommand addCarryOverCommand(CLI::App& app, Console& console);
Subcommand addCheckCommand(CLI::App& app, Console& console);
Subcommand addDbCommand(CLI::App& app, Console& console);
Subcommand addDemoCommand(CLI::App& app, Console& console);
Subcommand addUpgradeCommand(CLI::App& app, Console& console);
Subcommand addSqlCommand(CLI::App& app, Console& console);

}  // namespace vantyr::cli
