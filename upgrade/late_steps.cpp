#include "upgrade/statement_groups.h"

namespace vantyr::upgrade {

void LateColumnTableIndexSteps(UpgradeSession&) {}
void MergedReportDefinition(UpgradeSession&) {}
void IndexRemoval(UpgradeSession&) {}

}  // namespace vantyr::upgrade
