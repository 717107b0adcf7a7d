#pragma once
// The eighteen statement groups of release 8.50's schema upgrade, in the
// order the driver runs them. Each group sends its statements through the
// upgrade session, which passes over every failure. The two operations of key
// normalisation (group 17) stop at their first failure; the group passes over
// it and goes on, as the driver does with anything a group raises.
#include <span>

#include "upgrade/upgrade_session.h"

namespace vantyr::upgrade {

struct StatementGroup {
    int number;
    const char* name;
    void (*run)(UpgradeSession&);
};

// Column and table additions, data fixes, report definitions, work tables.
void CompletionRatioColumn(UpgradeSession&);        // 1
void SpdfUserDefault(UpgradeSession&);              // 3
void ReportFieldIds(UpgradeSession&);               // 6
void LedgerAndReceiptTypeFixes(UpgradeSession&);    // 9
void ColumnAndTableAdditions(UpgradeSession&);      // 11
void BatchReportDefinitions(UpgradeSession&);       // 12
void ReportWorkTables(UpgradeSession&);             // 13

// Reporting views.
void InventoryView(UpgradeSession&);                // 2
void CostReportViews(UpgradeSession&);              // 4
void ReportViewsCreateThenAlter(UpgradeSession&);   // 5
void QueryViews(UpgradeSession&);                   // 7

// Cost-analysis objects.
void VoucherNumberTrigger(UpgradeSession&);         // 8
void CostAnalysisProcedures(UpgradeSession&);       // 10

// Batch report procedures and the archive merge.
void BatchReportProcedures(UpgradeSession&);        // 14

// Late steps.
void LateColumnTableIndexSteps(UpgradeSession&);    // 15
void MergedReportDefinition(UpgradeSession&);       // 16
void IndexRemoval(UpgradeSession&);                 // 18

// Key normalisation: RebuildProductForeignKeys, then AddIdentityKeys.
void KeyNormalisation(UpgradeSession&);             // 17

// All eighteen, in order.
std::span<const StatementGroup> statementGroups();

}  // namespace vantyr::upgrade
