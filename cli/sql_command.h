#pragma once
// vantyr sql: runs one statement in the suite's dialect on an account-year
// database through the embedded engine, with the rules the carry-over uses
// (conversions, collation, the server's functions). A query prints its rows
// as a table (or one JSON object a line); any other statement prints the rows
// it changed. Exit codes: 0 done, 2 the statement failed, 3 bad arguments or
// environment.
#include <string>

#include "cli/commands.h"

namespace CLI {
class App;
}

namespace vantyr::cli {

struct SqlOptions {
    std::string data, account, year, statement;
    bool json = false;
    std::string odbc, odbcEnv, dsn;  // a server in place of data (cli/backend.h)
};

int runSql(const SqlOptions& options, Console& console);

// Adds the subcommand to the command line; returns it so the caller can see
// whether it was chosen.
CLI::App* addSqlCommand(CLI::App& app, SqlOptions& options);

}  // namespace vantyr::cli
