#include "upgrade/statement_groups.h"

namespace vantyr::upgrade {

void BatchReportProcedures(UpgradeSession&) {}

}  // namespace vantyr::upgrade
