#pragma once
// The demo account on a server: QXDATA_001_2004 (filled) and QXDATA_001_2005
// (schema only), created with the suite's own DDL sent unchanged, one
// statement at a time, in each new database; the rows of 2004 are those the
// embedded engine's demo generates from the same options, inserted with
// bound values in one transaction.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/sqlite/demo_data.h"

namespace vantyr::platform::odbc {

class Session;

// The first of the demo's databases that already exists on the server, if any.
std::optional<std::string> existingDemoDatabase(Session& session);

// Raises platform::Error (kErrStatementFailed) when either database already
// exists on the server, and whatever the server raises while creating them.
// Returns the rows written per table of 2004.
std::map<std::string, std::int64_t> createServerDemo(Session& session, const sqlite::DemoOptions& options);

}  // namespace vantyr::platform::odbc
