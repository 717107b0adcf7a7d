// vantyr check: the preflight report on its own, written nowhere but out.
#include <memory>
#include <ostream>

#include "cli/commands.h"
#include "cli/console_messages.h"
#include "cli/data_source.h"
#include "platform/error.h"
#include "cli/preflight.h"

namespace vantyr::cli {

int runCheck(const CheckOptions& o, Console& console) {
    if (!checkTarget(choiceOf(o), o.account, o.year, console)) return kExitUsage;
    // The check shows no message box; the message objects only complete the platform.
    ConsoleMessages messages("en", Confirm::Ask, console.err, console.in, false);
    auto opened = openDataSource(choiceOf(o), messages, messages, console);
    if (!opened) return kExitUsage;
    DataSource& source = *opened;
    PreflightRequest request{o.account, o.year, o.release};
    auto report = preflight(source, request);
    if (o.json) {
        console.out << toJson(report, request).dump(2) << "\n";
    } else {
        console.out << "vantyr check: account " << o.account << ", carry-over from " << std::stoi(o.year) - 1
                    << " into " << o.year << "\n"
                    << formatFindings(report.findings);
        int blocking = 0, asks = 0, skips = 0;
        for (const auto& f : report.findings) {
            blocking += f.verdict == Verdict::Blocks;
            asks += f.verdict == Verdict::WillAsk;
            skips += f.verdict == Verdict::WillSkip;
        }
        if (blocking) console.out << blocking << " blocking finding(s): the carry-over would stop\n";
        else console.out << "no blocking finding: the carry-over would run" << (asks ? " after asking" : "")
                         << (skips ? ", passing over " + std::to_string(skips) + " copy(ies)" : std::string()) << "\n";
    }
    return report.blocks() ? kExitStopped : kExitCommitted;
}

}  // namespace vantyr::cli
