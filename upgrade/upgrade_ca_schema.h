#pragma once
// Release 8.50's upgrade of the current year's cost-accounting schema to
// version "8500000", run before the carry-over's transaction. It opens a
// connection of its own from the connection string of the given connection
// (empty user, empty password, options unspecified), stamps the Version row of
// accinformation, then sends the eighteen statement groups in order. Every
// statement, read and field assignment passes over its own failure; only a
// failure of the storage is raised to the caller, which ends the run on it. The connection is released when it returns.
#include <memory>

#include "platform/ado.h"
#include "platform/run_observer.h"
#include "upgrade/upgrade_session.h"

namespace vantyr::upgrade {

// `ado` creates the upgrade's connection and recordsets. `groups`, when
// given, hears Step(number, 18, name) before each group (number 0: the
// version stamp).
void UpgradeCaSchema(platform::AdoFactory& ado, const std::shared_ptr<platform::AdoConnection>& connection,
                     platform::RunObserver* groups = nullptr);

// The version stamp alone: adds the Version row with its nine fields when
// there is none, or raises a cvalue that sorts below "8500000" as text.
void StampVersion(UpgradeSession& session);

}  // namespace vantyr::upgrade
