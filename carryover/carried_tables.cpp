#include "carryover/carried_tables.h"

#include <algorithm>
#include <cctype>

#include "carryover/catalogue.h"

namespace vantyr::carryover {
namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string trim(const std::string& text) {
    auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool sameName(const std::string& a, const std::string& b) { return lower(a) == lower(b); }

bool fillsTable(const Entry& entry) {
    return entry.form == Form::Copy || entry.form == Form::IdentityCopy || entry.form == Form::SelectInto;
}

// The column list written after the target's name, "(a, b) select ...": the
// names between the first parenthesis and its close, when it comes before the select.
std::vector<std::string> targetList(const std::string& text) {
    auto select = lower(text).find(" select ");
    auto open = text.find('(');
    if (open == std::string::npos || select == std::string::npos || open > select) return {};
    auto close = text.find(')', open);
    return columnList(text.substr(open + 1, close - open - 1));
}

CarriedTable describe(const Entry& entry, const RunContext& context) {
    CarriedTable t;
    t.table = entry.table;
    t.statement = composeText(entry, context);
    std::string text = t.statement;
    if (entry.form == Form::IdentityCopy) {  // the copy is the middle line of the batch
        auto first = text.find("\r\n");
        text = text.substr(first + 2, text.find("\r\n", first + 2) - first - 2);
    }
    std::string folded = lower(text);
    auto from = folded.rfind(" from ");
    t.source = trim(text.substr(from + 1));
    if (entry.form == Form::SelectInto) {
        t.structureOnly = folded.rfind("select top 0 ", 0) == 0;
        return t;
    }
    t.targetColumns = targetList(text);
    auto select = folded.find(" select ") + 8;
    std::string read = trim(text.substr(select, from - select));
    if (read != "*") t.sourceColumns = columnList(read);
    return t;
}

}  // namespace

std::vector<std::string> columnList(const std::string& text) {
    std::vector<std::string> names;
    std::string::size_type start = 0;
    while (start <= text.size()) {
        auto comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        std::string name = trim(text.substr(start, comma - start));
        if (!name.empty()) names.push_back(name);
        start = comma + 1;
    }
    return names;
}

std::vector<CarriedTable> carriedTables(const RunContext& context) {
    std::vector<CarriedTable> tables;
    for (const Entry& entry : copyList()) {
        if (!fillsTable(entry) || !takesPart(entry, context.release)) continue;
        bool named = std::any_of(tables.begin(), tables.end(),
                                 [&](const CarriedTable& t) { return sameName(t.table, entry.table); });
        if (!named) tables.push_back(describe(entry, context));
    }
    return tables;
}

std::string offeredRowsQuery(const CarriedTable& table) { return "select count(*) as n " + table.source; }

std::string heldRowsQuery(const CarriedTable& table) { return "select count(*) as n from " + table.table; }

std::vector<std::string> tablesClearedAtPeriodZero(Release release) {
    std::vector<std::string> tables;
    for (const Entry& entry : clearList())
        if (entry.filter == Filter::Zero && takesPart(entry, release)) tables.push_back(entry.table);
    return tables;
}

std::vector<ReleaseMarker> releaseMarkers() {
    std::vector<ReleaseMarker> markers;
    for (const Entry& entry : copyList()) {
        if (entry.form != Form::Copy && entry.form != Form::IdentityCopy) continue;
        if (entry.releases == Releases::Only861) {
            markers.push_back({entry.table, std::nullopt});
        } else if (entry.releases == Releases::Both && entry.text861) {
            auto both = targetList(entry.text);
            for (const auto& column : targetList(entry.text861)) {
                bool shared = std::any_of(both.begin(), both.end(), [&](const std::string& c) { return sameName(c, column); });
                if (!shared) markers.push_back({entry.table, column});
            }
        }
    }
    return markers;
}

}  // namespace vantyr::carryover
