#pragma once
// The subcommands of vantyr, callable without the argument parser so that
// tests drive them directly. Each returns the command's exit code
// (cli/exit_codes.h); main.cpp only parses arguments and calls them.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "cli/exit_codes.h"
#include "shell/release.h"

namespace vantyr::cli {

struct Console {
    std::ostream& out;   // data: plans, traces, reports
    std::ostream& err;   // people: message boxes, progress, summaries, errors
    std::istream& in;
    bool interactive = false;         // a terminal to ask on
    bool progress = false;            // draw a progress line on err
    std::ostream* terminal = nullptr; // the terminal, when err is not it (the prompt is shown there)
};

struct CarryOverOptions {
    std::string data, account, year;
    std::string odbc, odbcEnv, dsn;  // a server in place of data (cli/backend.h)
    std::optional<Release> release;   // none: the release of the data's schema
    bool yes = false;
    bool dryRun = false;
    bool force = false;   // run despite a blocking finding of the check
    std::string trace;    // file for the trace; empty: none (a dry run prints its plan on out)
    std::string json;     // file for the summary as JSON; empty: none
    std::string language; // "zh" or "en"
};

struct CheckOptions {
    std::string data, account, year;
    std::string odbc, odbcEnv, dsn;  // a server in place of data (cli/backend.h)
    std::optional<Release> release;
    bool json = false;    // the report as one JSON object on out
};

struct CreateOptions {
    std::string data, account, year;
    Release release = Release::V861;
    bool before850 = false;   // --schema pre-8.50 (release 8.50 only)
};

// The documented bounds of demo --rows.
inline constexpr int kDemoMinRows = 12;
inline constexpr int kDemoMaxRows = 100000;

struct DemoCommandOptions {
    std::string data;
    std::string odbc, odbcEnv, dsn;  // a server in place of data (cli/backend.h)
    Release release = Release::V861;
    int rows = 240;
    std::uint64_t seed = 20041231;
    bool before850 = false;   // --schema pre-8.50: the new year before 8.50's upgrade (release 8.50 only)
};

int runCarryOver(const CarryOverOptions& options, Console& console);
int runCheck(const CheckOptions& options, Console& console);
int runCreate(const CreateOptions& options, Console& console);
int runDemo(const DemoCommandOptions& options, Console& console);

}  // namespace vantyr::cli
