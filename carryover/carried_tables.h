#pragma once
// What the catalogue carries, table by table, for the reports that compare
// the two years (the preflight check and the reconciliation after a commit).
// Everything here is read off the catalogue's own statements for one run:
// the table a copy fills, the FROM clause and filter it reads the previous
// year with, and the columns it names on either side. Nothing is sent.
#include <optional>
#include <string>
#include <vector>

#include "carryover/carry_over_steps.h"

namespace vantyr::carryover {

struct CarriedTable {
    std::string table;                        // the current year's table, as the copy names it
    std::string source;                       // the copy's FROM clause with its filter: "from ca_compd where iperiod =12"
    bool structureOnly = false;               // "select top 0 * into": the copy carries no rows
    std::vector<std::string> targetColumns;   // columns the copy writes; empty: all of them
    std::vector<std::string> sourceColumns;   // columns the copy reads; empty: all of them
    std::string statement;                    // the copy as the run sends it
};

// One entry per table the copy list fills this run, in the order of the
// list; a table filled twice (the menu copies) is named once, by its first copy.
std::vector<CarriedTable> carriedTables(const RunContext& context);

// A query on the previous year: how many rows the copy takes ("select count(*) as n from ...").
std::string offeredRowsQuery(const CarriedTable& table);
// A query on the current year: how many rows the table holds.
std::string heldRowsQuery(const CarriedTable& table);

// Tables the clear list empties of period 0 only while the reset renumbers
// every row to period 0 (ca_propu, ca_onpce): rows of periods 1 to 12 already
// in the current year would be merged into the carried opening balances.
std::vector<std::string> tablesClearedAtPeriodZero(Release release);

// What only release 8.61's copies name: its own tables, and the columns its
// copies add to a table both releases carry. A schema with all of them
// belongs to 8.61, one with none of them to 8.50.
struct ReleaseMarker {
    std::string table;
    std::optional<std::string> column;        // none: the table itself
};
std::vector<ReleaseMarker> releaseMarkers();

// Splits "a, b ,c" into trimmed names.
std::vector<std::string> columnList(const std::string& text);

}  // namespace vantyr::carryover
