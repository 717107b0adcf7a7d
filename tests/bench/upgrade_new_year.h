#pragma once
// Release 8.50's schema upgrade of account 001's year 2005 in a data
// directory of the embedded engine, as a run sends it before its transaction;
// every statement is reported to `observer`. Shared by the benches.
#include "platform/run_observer.h"
#include "platform/sqlite/data_directory.h"

namespace vantyr::bench {

void upgradeNewYear(const platform::sqlite::DataDirectory& directory, platform::RunObserver& observer);

}  // namespace vantyr::bench
