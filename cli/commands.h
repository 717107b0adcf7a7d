#pragma once
// The subcommands of vantyr, callable without the argument parser so that
// tests drive them directly. Each returns the command's exit code.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "shell/release.h"

namespace vantyr::cli {

// Exit codes that scripts can rely on.
inline constexpr int kExitCommitted = 0;   // carried over and committed (a dry run: planned to the end)
inline constexpr int kExitStopped = 1;     // stopped by a precondition or a Cancel at the prompt
inline constexpr int kExitFailed = 2;      // failed; the transaction was rolled back
inline constexpr int kExitUsage = 3;       // bad arguments or environment; nothing was opened

struct Console {
    std::ostream& out;   // data: plans, traces, summaries
    std::ostream& err;   // people: message boxes, progress, errors
    std::istream& in;
    bool interactive = false;     // a terminal to ask on
    bool progress = false;        // draw a progress line on err
};

struct CarryOverOptions {
    std::string data, account, year;
    std::string odbc, odbcEnv, dsn;  // a server in place of data (cli/backend.h)
    Release release = Release::V861;
    bool yes = false;
    bool dryRun = false;
    std::string trace;    // file for the trace; empty: none (a dry run prints its plan on out)
    std::string language; // "zh" or "en"
};

struct CreateOptions {
    std::string data, account, year;
    Release release = Release::V861;
};

struct DemoCommandOptions {
    std::string data;
    std::string odbc, odbcEnv, dsn;  // a server in place of data (cli/backend.h)
    Release release = Release::V861;
    int rows = 240;
    std::uint64_t seed = 20041231;
};

int runCarryOver(const CarryOverOptions& options, Console& console);
int runCreate(const CreateOptions& options, Console& console);
int runDemo(const DemoCommandOptions& options, Console& console);

}  // namespace vantyr::cli
