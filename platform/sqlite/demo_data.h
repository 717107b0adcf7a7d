#pragma once
// Sample data for the embedded engine: account 001 with a filled 2004 (all
// twelve periods of every period table, finished and unfinished batches,
// forecasts for 2004 to 2006, settings and report definitions, closing month
// 12) and an empty 2005, deterministic from a seed.
#include <cstdint>
#include <map>
#include <string>

#include "platform/sqlite/data_directory.h"

namespace vantyr::platform::sqlite {

struct DemoOptions {
    bool release861 = true;
    bool before850 = false;         // release 8.50 only: the new year at the schema before 8.50
    int periodRows = 240;           // rows of each period table, spread over the twelve periods
    int settingRows = 24;           // rows of each settings table
    std::uint64_t seed = 20041231;
};

// Creates the account year's database with the release's schema and the
// suite tables; `before850` (release 8.50): as it stood before 8.50's upgrade.
void createAccountYear(const DataDirectory& directory, const std::string& account, const std::string& year,
                       bool release861, bool before850 = false);

// Creates QXDATA_001_2004 (filled) and QXDATA_001_2005 (schema only).
// Returns the rows written per table of 2004.
std::map<std::string, std::int64_t> createDemo(const DataDirectory& directory, const DemoOptions& options);

// Fills every cost-accounting table of an existing database.
std::map<std::string, std::int64_t> fillYear(const AccountYear& database, const std::string& year,
                                             const DemoOptions& options);

}  // namespace vantyr::platform::sqlite
