#pragma once
// The suite's tables that the cost reports read besides the cost-accounting
// tables (inventory, classes, units, departments, product structure, receipt
// types, wage grades, authorisations, plan figures, stock receipts) and the
// two cost tables of the service and direct-labour figures, in the server's
// dialect; and sample rows for them that agree with a year's cost rows, so
// that the reports over the demo show something.
#include <string>
#include <vector>

#include "platform/sqlite/data_directory.h"

namespace vantyr::platform::sqlite {

// CREATE statements, each run only when no object of its name exists yet.
std::vector<std::string> reportSourceTables();

// Replaces the rows of the report source tables of `year` with rows derived
// from its cost rows (products, materials, departments, items), gives the
// labour cost rows the labour item and some rows a finished quantity of 0,
// and copies the master rows into each of `otherYears`.
void fillReportSources(const DataDirectory& directory, const std::string& account, const std::string& year,
                       const std::vector<std::string>& otherYears);

}  // namespace vantyr::platform::sqlite
