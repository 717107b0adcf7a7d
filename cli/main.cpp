// vantyr: the year-end carry-over of the cost-accounting module, on the
// embedded engine or on a server through ODBC.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

#include "cli/subcommands.h"
#include "platform/odbc/connection_string.h"

namespace {

using namespace vantyr;

int run(int argc, char** argv) {
    CLI::App app{"vantyr: carries the previous year's cost-accounting data into the new fiscal year"};
    app.require_subcommand(1);
    app.footer(cli::exitCodesHelp({{cli::kExitCommitted}, {cli::kExitStopped}, {cli::kExitFailed},
                                   {cli::kExitUsage}, {cli::kExitUnreconciled}}) +
               "Each subcommand's --help lists the codes it uses.\n");

    // The prompt is shown on the terminal even when standard error goes elsewhere.
    std::ofstream tty;
    bool stdinTerminal = isatty(0), stderrTerminal = isatty(2);
    if (stdinTerminal && !stderrTerminal) tty.open("/dev/tty");
    cli::Console console{std::cout, std::cerr, std::cin, stdinTerminal && (stderrTerminal || tty.is_open()),
                         stderrTerminal, tty.is_open() ? &tty : nullptr};

    std::vector<cli::Subcommand> subcommands{
        cli::addCarryOverCommand(app, console),
        cli::addCheckCommand(app, console),
        cli::addDbCommand(app, console),
        cli::addDemoCommand(app, console),
        cli::addUpgradeCommand(app, console),
        cli::addSqlCommand(app, console),
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        std::ostringstream complaint;  // may echo an argument: a connection string's password is masked
        int code = app.exit(e, std::cout, complaint);
        std::cerr << platform::odbc::maskSecrets(complaint.str());
        return code == 0 ? 0 : cli::kExitUsage;
    }
    for (const auto& s : subcommands)
        if (s.app->parsed()) return s.run();
    return cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    // The last guard: whatever escapes a subcommand becomes a message and exit 3.
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "vantyr: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "vantyr: an unknown failure ended the command\n";
    }
    return vantyr::cli::kExitUsage;
}
