// vantyr: the year-end carry-over of the cost-accounting module, on the
// embedded engine or on a server through ODBC.
#include <CLI/CLI.hpp>
#include <iostream>
#include <sstream>
#include <unistd.h>

#include "cli/backend.h"
#include "cli/commands.h"
#include "platform/odbc/connection_string.h"

namespace {

using namespace vantyr;

const char* kExitCodes =
    "Exit codes:\n"
    "  0  committed (a dry run: planned to the end)\n"
    "  1  stopped by a precondition or a Cancel at the prompt\n"
    "  2  failed; the transaction was rolled back\n"
    "  3  bad arguments or environment; nothing was opened\n";

void addRelease(CLI::App* app, Release& release) {
    app->add_option_function<std::string>(
           "--release", [&release](const std::string& text) { release = *parseRelease(text); },
           "release to run as: 8.50 or 8.61 (default 8.61)")
        ->check(CLI::IsMember({"8.50", "8.61"}));
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"vantyr: carries the previous year's cost-accounting data into the new fiscal year"};
    app.require_subcommand(1);
    app.footer(kExitCodes);

    cli::Console console{std::cout, std::cerr, std::cin, isatty(0) && isatty(2), static_cast<bool>(isatty(2))};

    cli::CarryOverOptions carry;
    auto* carryover = app.add_subcommand("carryover", "carry the previous year's cost data into --year");
    cli::addBackendOptions(*carryover, carry, "data directory of the account-year databases");
    carryover->add_option("--account", carry.account, "company account number, e.g. 001")->required();
    carryover->add_option("--year", carry.year, "the fiscal year to carry into, e.g. 2005")->required();
    addRelease(carryover, carry.release);
    carryover->add_flag("--yes", carry.yes, "answer OK when asked before overwriting the current year");
    carryover->add_flag("--dry-run", carry.dryRun, "read and plan only: print the statements a run would send");
    carryover->add_option("--trace", carry.trace, "write every statement sent, one JSON object per line, to FILE (- for standard output)");
    carryover->add_option("--lang", carry.language, "language of the messages: zh or en (default from the environment)")
        ->check(CLI::IsMember({"zh", "en"}));
    carryover->footer(kExitCodes);

    cli::CreateOptions create;
    auto* db = app.add_subcommand("db", "account-year databases of the embedded engine");
    db->require_subcommand(1);
    auto* dbCreate = db->add_subcommand("create", "create an empty account-year database with the release's schema");
    dbCreate->add_option("--data", create.data, "data directory")->required();
    dbCreate->add_option("--account", create.account, "company account number")->required();
    dbCreate->add_option("--year", create.year, "fiscal year")->required();
    addRelease(dbCreate, create.release);

    cli::DemoCommandOptions demo;
    auto* demoCommand = app.add_subcommand("demo", "create account 001 with a filled 2004 and an empty 2005");
    cli::addBackendOptions(*demoCommand, demo, "data directory to create them in");
    demoCommand->add_option("--rows", demo.rows, "rows of each period table (default 240)");
    demoCommand->add_option("--seed", demo.seed, "seed of the generated figures");
    addRelease(demoCommand, demo.release);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        std::ostringstream complaint;  // may echo an argument: a connection string's password is masked
        int code = app.exit(e, std::cout, complaint);
        std::cerr << platform::odbc::maskSecrets(complaint.str());
        return code == 0 ? 0 : cli::kExitUsage;
    }
    if (*carryover) return cli::runCarryOver(carry, console);
    if (*dbCreate) return cli::runCreate(create, console);
    if (*demoCommand) return cli::runDemo(demo, console);
    return cli::kExitUsage;
}
