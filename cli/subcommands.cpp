#include "cli/subcommands.h"

#include "cli/sql_command.h"
#include "cli/upgrade_command.h"

#include <memory>

namespace vantyr::cli {

void addReleaseOption(CLI::App* app, std::function<void(Release)> set, const char* help) {
    app->add_option_function<std::string>(
           "--release", [set](const std::string& text) { set(*parseRelease(text)); }, help)
        ->check(CLI::IsMember({"8.50", "8.61"}));
}


Subcommand addCarryOverCommand(CLI::App& app, Console& console) {
    auto o = std::make_shared<CarryOverOptions>();
    auto* c = app.add_subcommand("carryover", "carry the previous year's cost data into --year");
    addTargetOptions(c, *o);
    addReleaseOption(c, [o](Release r) { o->release = r; },
                     "release to run as: 8.50 or 8.61 (default: the release of the data's schema)");
    c->add_flag("--yes", o->yes, "answer OK when asked before overwriting the current year");
    c->add_flag("--dry-run", o->dryRun, "read and plan only: print the statements a run would send");
    c->add_flag("--force", o->force, "run despite a blocking finding of the check (schema, period rows)");
    c->add_option("--trace", o->trace, "write every statement sent, one JSON object per line, to FILE (- for standard output)");
    c->add_option("--json", o->json, "write the summary of the run as one JSON object to FILE");
    c->add_option("--lang", o->language, "language of the messages: zh or en (default from the environment)")
        ->check(CLI::IsMember({"zh", "en"}));
    c->footer(exitCodesHelp({{kExitCommitted}, {kExitStopped}, {kExitFailed}, {kExitUsage}, {kExitUnreconciled}}));
    return {c, [o, &console] { return runCarryOver(*o, console); }};
}

Subcommand addCheckCommand(CLI::App& app, Console& console) {
    auto o = std::make_shared<CheckOptions>();
    auto* c = app.add_subcommand("check", "report what a carry-over into --year would meet, without writing");
    addTargetOptions(c, *o);
    addReleaseOption(c, [o](Release r) { o->release = r; },
                     "release to check for: 8.50 or 8.61 (default: the release of the data's schema)");
    c->add_flag("--json", o->json, "print the report as one JSON object");
    c->footer(exitCodesHelp({{kExitCommitted, "no blocking finding: the carry-over would run"},
                             {kExitStopped, "a blocking finding: the carry-over would stop"},
                             {kExitUsage}}));
    return {c, [o, &console] { return runCheck(*o, console); }};
}

Subcommand addDbCommand(CLI::App& app, Console& console) {
    auto o = std::make_shared<CreateOptions>();
    auto* db = app.add_subcommand("db", "account-year databases of the embedded engine");
    db->require_subcommand(1);
    auto* create = db->add_subcommand("create", "create an empty account-year database with the release's schema");
    create->add_option("--data", o->data, "data directory (must exist)")->required();
    create->add_option("--account", o->account, "company account number")->required();
    create->add_option("--year", o->year, "fiscal year (no leading zeros)")->required();
    addReleaseOption(create, [o](Release r) { o->release = r; }, "schema of release 8.50 or 8.61 (default 8.61)");
    addSchemaOption(create, o->before850);
    std::string codes = exitCodesHelp({{kExitCommitted, "created"},
                                       {kExitUsage, "bad arguments or environment (the database exists); nothing was written"}});
    db->footer(codes);
    create->footer(codes);
    return {create, [o, &console] { return runCreate(*o, console); }};
}

Subcommand addDemoCommand(CLI::App& app, Console& console) {
    auto o = std::make_shared<DemoCommandOptions>();
    auto* c = app.add_subcommand("demo", "create account 001 with a filled 2004 and an empty 2005");
    addBackendOptions(*c, *o, "data directory to create them in (created when missing)");
    c->add_option("--rows", o->rows, "rows of each period table, 12 to 100000 (default 240)");
    c->add_option("--seed", o->seed, "seed of the generated figures");
    addReleaseOption(c, [o](Release r) { o->release = r; }, "schema of release 8.50 or 8.61 (default 8.61)");
    addSchemaOption(c, o->before850);
    c->footer(exitCodesHelp({{kExitCommitted, "created"},
                             {kExitUsage, "bad arguments or environment (--data is a file, a database exists); "
                                          "nothing was kept"}}));
    return {c, [o, &console] { return runDemo(*o, console); }};
}

Subcommand addSqlCommand(CLI::App& app, Console& console) {
    auto o = std::make_shared<SqlOptions>();
    auto* c = addSqlCommand(app, *o);
    return {c, [o, &console] { return runSql(*o, console); }};
}

Subcommand addUpgradeCommand(CLI::App& app, Console& console) {
    auto o = std::make_shared<UpgradeOptions>();
    auto* c = addUpgradeCommand(app, *o);
    return {c, [o, &console] { return runUpgrade(*o, console); }};
}

}  // namespace vantyr::cli
