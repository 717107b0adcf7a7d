#include "upgrade/statement_groups.h"

#include <array>

namespace vantyr::upgrade {

std::span<const StatementGroup> statementGroups() {
    static constexpr std::array<StatementGroup, 18> kGroups{{
        {1, "Completion ratio column", CompletionRatioColumn},
        {2, "Inventory view", InventoryView},
        {3, "Default for CA_SPDF.cuser", SpdfUserDefault},
        {4, "Cost report views, drop and create", CostReportViews},
        {5, "Report views, create then alter", ReportViewsCreateThenAlter},
        {6, "Report field ids", ReportFieldIds},
        {7, "Query views, drop and create", QueryViews},
        {8, "Voucher-number trigger", VoucherNumberTrigger},
        {9, "Ledger and receipt-type fixes", LedgerAndReceiptTypeFixes},
        {10, "Cost-analysis procedures and views", CostAnalysisProcedures},
        {11, "Column and table additions, data fixes", ColumnAndTableAdditions},
        {12, "Batch report definitions, guarded", BatchReportDefinitions},
        {13, "Report work tables", ReportWorkTables},
        {14, "Batch report procedures and archive merge", BatchReportProcedures},
        {15, "Late column, table and index steps", LateColumnTableIndexSteps},
        {16, "Merged report definition, guarded", MergedReportDefinition},
        {17, "Key normalisation", KeyNormalisation},
        {18, "Index removal", IndexRemoval},
    }};
    return kGroups;
}

}  // namespace vantyr::upgrade
