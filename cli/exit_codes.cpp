#include "cli/exit_codes.h"

namespace vantyr::cli {
namespace {

const char* standardText(int code) {
    switch (code) {
        case kExitCommitted: return "committed and reconciled (a dry run: planned to the end)";
        case kExitStopped: return "stopped by a precondition, a blocking finding or a Cancel; nothing was carried";
        case kExitFailed: return "failed; the transaction was rolled back";
        case kExitUsage: return "bad arguments or environment; nothing was written";
        case kExitUnreconciled: return "committed, but a carried table does not hold the rows offered (named on standard error)";
    }
    return "";
}

}  // namespace

std::string exitCodesHelp(std::initializer_list<ExitCodeText> codes) {
    std::string help = "Exit codes:\n";
    for (const auto& c : codes)
        help += "  " + std::to_string(c.code) + "  " + (c.text ? c.text : standardText(c.code)) + "\n";
    return help;
}

}  // namespace vantyr::cli
