#include "upgrade/statement_groups.h"

namespace vantyr::upgrade {

void CompletionRatioColumn(UpgradeSession&) {}
void SpdfUserDefault(UpgradeSession&) {}
void ReportFieldIds(UpgradeSession&) {}
void LedgerAndReceiptTypeFixes(UpgradeSession&) {}
void ColumnAndTableAdditions(UpgradeSession&) {}
void BatchReportDefinitions(UpgradeSession&) {}
void ReportWorkTables(UpgradeSession&) {}

}  // namespace vantyr::upgrade
