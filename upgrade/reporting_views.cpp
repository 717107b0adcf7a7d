#include "upgrade/statement_groups.h"

namespace vantyr::upgrade {

void InventoryView(UpgradeSession&) {}
void CostReportViews(UpgradeSession&) {}
void ReportViewsCreateThenAlter(UpgradeSession&) {}
void QueryViews(UpgradeSession&) {}

}  // namespace vantyr::upgrade
