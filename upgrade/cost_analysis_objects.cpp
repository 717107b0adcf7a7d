#include "upgrade/statement_groups.h"

namespace vantyr::upgrade {

void VoucherNumberTrigger(UpgradeSession&) {}
void CostAnalysisProcedures(UpgradeSession&) {}

}  // namespace vantyr::upgrade
