#pragma once
// Tables of the suite that release 8.50's upgrade reads or changes but the
// cost-accounting schema does not define: the report catalogue Rpt_GlbDEF,
// the general-ledger vouchers gl_accvouch, the product structure
// ProductStructureEx (parent of the product foreign keys) and the cost
// vouchers CA_SPDF; and the cost tables of the suite that the carry-over
// leaves alone but the key normalisation numbers (CA_CONTROL, CA_DaCPS,
// CA_DayTis, CA_DirMa, CA_PPUDR, CA_SAmoct). Created in every account year;
// sample rows for the demo.
#include <string>
#include <vector>

#include "platform/sqlite/connection.h"

namespace vantyr::platform::sqlite {

// The suite's DDL of these tables, in the server's dialect.
std::vector<std::string> suiteTables();

// Names of the suite tables (the demo's generic filler leaves them alone).
const std::vector<std::string>& suiteTableNames();

// Sample rows: product structure for the demo's product codes ("ppi00000"
// onwards, `products` of them), report definitions of the cost reports whose
// field ids the upgrade fixes, ledger vouchers of the cost-accounting module
// and of another module, and a few cost vouchers.
void fillSuiteTables(Connection& db, const std::string& year, int products);

// Rows of a current year at the schema before 8.50 that the upgrade's data
// fixes change: report fields of the four reports, completion ratios and
// quotas, receipt types without bType, process units longer than 8.
void fillUpgradeSamples(Connection& db);

// The account schema of release 8.50 as it stood before 8.50's upgrade: the
// columns, tables, identity keys and menu index the upgrade adds are left
// out, and the product foreign keys carry the names the server gave them.
std::vector<std::string> schemaBefore850(const std::vector<std::string>& schema850);

}  // namespace vantyr::platform::sqlite
