#pragma once
// Key and constraint normalisation of release 8.50's upgrade, on the upgrade
// connection. EnsureIndex passes over every failure of its own; the other two
// stop at their first failing statement or read and raise it (the driver
// passes over it and goes on).
#include <string>
#include <vector>

#include "upgrade/upgrade_session.h"

namespace vantyr::upgrade {

// Sends `createStatement` unless some table already has an index named
// `indexName` (looked up without surrounding blanks in sysindexes). True when
// the statement was sent, whether or not it succeeded.
bool EnsureIndex(UpgradeSession& session, const std::string& indexName, const std::string& createStatement);

// Replaces every server-named foreign key of a cost table whose name holds
// "cPPID" by a new foreign key CPPID -> ProductStructureEx(cPSPCode).
void RebuildProductForeignKeys(UpgradeSession& session);

// Gives the 44 cost tables an identity column autoid with a nonclustered
// primary key PK_<table>, then CA_DistrItem and CA_SPDF their clustered keys.
void AddIdentityKeys(UpgradeSession& session);

// The tables AddIdentityKeys numbers, in its order and letter case.
const std::vector<std::string>& identityKeyTables();

}  // namespace vantyr::upgrade
