#include "cli/run_summary.h"

#include <algorithm>
#include <iomanip>
#include <ostream>

namespace vantyr::cli {
namespace {

struct KnownPassOver {
    const char* fragment;   // a piece of the statement's text
    const char* why;
};

// Statements that fail on every sound pair of years and are passed over by design.
constexpr KnownPassOver kKnownPassOvers[] = {
    {"..CA_MenuDef select * from CA_MenuDef",
     "the second CA_MenuDef copy: the first copy carried the menu rows by their columns; this copy of whole rows "
     "names the identity column and is refused"},
    {"delete from ca_UserProperty ",
     "release 8.50's schema upgrade removes CA_UserProperty from the current year before the transaction"},
    {"..cA_UserProperty (cuserid,cdeptid)",
     "release 8.50's schema upgrade removes CA_UserProperty from the current year before the transaction"},
    {"add constraint df_autoid ",
     "the default loop of CA_OnPQu reaches its identity column autoid, which takes no default"},
};

std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find("\r\n"));
    return line.size() > 110 ? line.substr(0, 107) + "..." : line;
}

}  // namespace

std::vector<std::string> RunSummary::unreconciledTables() const {
    std::vector<std::string> names;
    for (const auto& t : tables)
        if (!t.reconciled()) names.push_back(t.table);
    return names;
}

std::string knownPassOver(const platform::StatementRecord& record) {
    for (const auto& known : kKnownPassOvers)
        if (record.text.find(known.fragment) != std::string::npos) return known.why;
    return {};
}

void printSummary(const RunSummary& s, std::ostream& err) {
    std::int64_t rows = 0;
    for (const auto& t : s.tables) rows += std::max<std::int64_t>(t.held, 0);
    err << "vantyr: " << s.outcome << " (release " << releaseName(s.release) << "); " << s.tables.size()
        << " table(s) carried, " << rows << " row(s) held; " << s.skipped.size() << " statement(s) skipped\n";
    err << "  " << std::left << std::setw(20) << "table" << std::right << std::setw(9) << "offered" << std::setw(9)
        << "held" << "  rule\n";
    for (const auto& t : s.tables) {
        err << "  " << std::left << std::setw(20) << t.table << std::right << std::setw(9) << t.offered << std::setw(9)
            << t.held << "  " << t.source
            << (t.removedByUpgrade ? "   (the schema upgrade removed the table from the current year)"
                                   : t.reconciled() ? "" : "   <- NOT RECONCILED")
            << "\n";
    }
    for (const auto& record : s.skipped) {
        std::string why = knownPassOver(record);
        err << "  skipped: " << firstLine(record.text) << "\n           "
            << (why.empty() ? "reason: " + (record.error ? record.error->description() : std::string("?")) : "known: " + why)
            << "\n";
    }
    for (const auto& o : s.overridden) err << "  overridden with --force: " << o << "\n";
    auto bad = s.unreconciledTables();
    if (s.reconciled) {
        err << "vantyr: every carried table holds the rows the previous year offered\n";
        return;
    }
    if (bad.empty()) {
        err << "vantyr: committed but NOT reconciled: the carried tables could not be counted\n";
        return;
    }
    err << "vantyr: committed but NOT reconciled: ";
    for (std::size_t i = 0; i < bad.size(); ++i) err << (i ? ", " : "") << bad[i];
    err << "\n";
}

nlohmann::ordered_json toJson(const RunSummary& s) {
    nlohmann::ordered_json j;
    j["outcome"] = s.outcome;
    j["exitCode"] = s.exitCode;
    j["release"] = std::string(releaseName(s.release));
    j["reconciled"] = s.reconciled;
    auto& tables = j["tables"] = nlohmann::ordered_json::array();
    for (const auto& t : s.tables)
        tables.push_back({{"table", t.table}, {"rule", t.source}, {"offered", t.offered}, {"held", t.held},
                          {"reconciled", t.reconciled()}, {"removedByUpgrade", t.removedByUpgrade}});
    j["unreconciled"] = s.unreconciledTables();
    auto& skipped = j["skipped"] = nlohmann::ordered_json::array();
    for (const auto& r : s.skipped) {
        nlohmann::ordered_json item{{"object", r.object}, {"text", r.text}};
        if (r.error) item["error"] = {{"number", r.error->number()}, {"description", r.error->description()}};
        std::string why = knownPassOver(r);
        if (!why.empty()) item["known"] = why;
        skipped.push_back(item);
    }
    j["overridden"] = s.overridden;
    return j;
}

}  // namespace vantyr::cli
