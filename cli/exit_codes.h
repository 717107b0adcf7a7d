#pragma once
// The exit codes of every vantyr subcommand: a contract scripts rely on. Each
// subcommand uses a subset and its --help lists only those (exitCodesHelp).
// Usage and environment errors are 3 in every subcommand, and nothing else is.
#include <initializer_list>
#include <string>

namespace vantyr::cli {

inline constexpr int kExitCommitted = 0;     // done: committed and reconciled (a dry run: planned to the end)
inline constexpr int kExitStopped = 1;       // stopped: a precondition, a blocking finding or a Cancel; nothing carried
inline constexpr int kExitFailed = 2;        // failed; the transaction was rolled back
inline constexpr int kExitUsage = 3;         // bad arguments or environment; nothing was written
inline constexpr int kExitUnreconciled = 4;  // committed, but a carried table does not hold what was offered

// One line per code, for --help: "Exit codes:\n  0  ...\n". The texts are
// those of the carry-over; a subcommand that means something else by a code
// passes its own text as the second of the pair.
struct ExitCodeText {
    int code;
    const char* text = nullptr;  // nullptr: the carry-over's meaning
};
std::string exitCodesHelp(std::initializer_list<ExitCodeText> codes);

}  // namespace vantyr::cli
