// Groups 2 and 4: the inventory view, created once and never replaced, and
// the cost report views, each dropped and created again.
#include "upgrade/statement_groups.h"
#include "upgrade/statement_text.h"

namespace vantyr::upgrade {
namespace {

// A left outer join of one period table of the product chain, on equal
// period, batch and product.
std::string periodJoin(std::string_view kind, std::string_view table) {
    std::string t = "dbo." + std::string(table);
    return std::string(kind) + " " + t + " ON dbo.CA_AmoCt.iPeriod = " + t + ".iPeriod AND dbo.CA_AmoCt.cBatch = " +
           t + ".cBatch AND dbo.CA_AmoCt.cPPID = " + t + ".cPPID";
}

std::string costReportBase() {
    const std::string columns = selectList({
        {"dbo.CA_AmoCt.iPeriod"},
        {"dbo.CA_AmoCt.cPPID"},
        {"max(ca_compd.ilosingincost) + max(ca_compd.ilosingin)", "损益数量"},
        {"max(ca_compd.ilosingin)", "损益计入待处理数量"},
        {"CASE WHEN max(ca_amoct.ifinqua) = 0 THEN 0 ELSE sum(ca_amoct.iqua) * (1 - max(ca_amoct.onpration))/ "
         "(CASE WHEN ca_amoct.ifinqua = 0 THEN 1 ELSE ca_amoct.ifinqua END) END",
         "完工数量单位成本"},
        {"sum(ca_amoct.iqua) * (1- max(ca_amoct.onpration))", "完工数量总成本"},
        {"sum(ca_amoct.iqua)", "产品数量总成本"},
        {"sum(ca_amoct.itotalamo)", "产品金额总成本"},
        {"sum(ca_amoct.iqua) * max(ca_amoct.onpration)", "在产数量总成本"},
        {"dbo.CA_AmoCt.cBatch, dbo.ca_inventory.cInvName, dbo.ca_inventory.cInvStd,dbo.ca_inventory.cInvM_Unit, "
         "dbo.Department.cDepName, dbo.CA_ProNb.cReason,dbo.CA_AmoCt.iFinqua, dbo.CA_ComPD.iIntoAmo, "
         "dbo.CA_EnMOP.iOnPdtAmo, dbo.CA_ComPD.iLosingInCost, dbo.CA_EnMOP.iFinPdtAmo,dbo.CA_ComPS.iWasteQua, "
         "dbo.CA_WasPR.iRecAmo, dbo.CA_TimSt.iRealWkt"},
        {"dbo.CAQ_Price.iFinPdtUnitAmoOfSum"},
        {"Max(dbo.CAQ_PlanAmount.iPdtUnitAMoOfSum)", "iPdtUnitAMoOfSumOfFirst"},
        {"MAX(dbo.CAQ_Price.iOnpTotalAmoOfSum)", "iOnpTotalAmoOfSumOfFirst"},
        {"MAX(dbo.CAQ_Price.iTotalAmoOfSum)", "iTotalAmoOfSumOfFirst"},
        {"dbo.CAQ_Price.iFinPdtUnitAmoOfSum * dbo.CA_ComPD.iIntoAmo", "iInTotal"},
        {"dbo.CAQ_Price.iFinPdtUnitAmoOfSum * dbo.CA_ComPD.iLosingInCost", "iLosing"},
    });
    const std::string sources = joined({
        "FROM dbo.productstructureEx INNER JOIN dbo.Department ON dbo.productstructureEx.cDepCode = "
        "dbo.Department.cDepCode INNER JOIN",
        "dbo.CA_AmoCt",
        "LEFT OUTER JOIN dbo.ca_inventory ON dbo.CA_AmoCt.cPPID = dbo.ca_inventory.cInvCode",
        "LEFT OUTER JOIN dbo.CA_ProNb ON dbo.CA_AmoCt.cBatch = dbo.CA_ProNb.cBatch",
        periodJoin("LEFT OUTER JOIN", "CA_ComPS"),
        periodJoin("LEFT OUTER JOIN", "CA_TimSt"),
        periodJoin("LEFT OUTER JOIN", "CA_EnMOP"),
        periodJoin("LEFT OUTER JOIN", "CA_WasPR"),
        periodJoin("LEFT OUTER JOIN", "CA_ComPD"),
        periodJoin("INNER JOIN", "CAQ_Price"),
        "LEFT OUTER JOIN dbo.CAQ_PlanAmount ON dbo.CA_AmoCt.cPPID = dbo.CAQ_PlanAmount.cPPID",
        "ON dbo.productstructureEx.cPSPCode = dbo.CA_AmoCt.cPPid",
    });
    return joined({
        "CREATE VIEW dbo.CAQ_RptBase AS SELECT TOP 100 PERCENT",
        columns,
        sources,
        "GROUP BY dbo.CA_AmoCt.iPeriod, dbo.CA_AmoCt.cPPID, dbo.CA_AmoCt.cBatch,dbo.ca_inventory.cInvName, "
        "dbo.ca_inventory.cInvStd, dbo.ca_inventory.cInvM_Unit, dbo.Department.cDepName, dbo.CA_ProNb.cReason, "
        "dbo.CA_AmoCt.iFinqua, dbo.CA_ComPD.iIntoAmo, dbo.CA_EnMOP.iOnPdtAmo, dbo.CA_ComPD.iLosingInCost, "
        "dbo.CA_EnMOP.iFinPdtAmo, dbo.CA_ComPS.iWasteQua, dbo.CA_WasPR.iRecAmo, dbo.CA_TimSt.iRealWkt , "
        "dbo.CAQ_Price.iFinPdtUnitAmoOfSum",
        "ORDER BY dbo.CA_AmoCt.iPeriod, dbo.CA_AmoCt.cPPID, dbo.CA_AmoCt.cBatch",
    });
}

std::string costDetail() {
    return "Create View CAQ_Detail AS SELECT CA_AmoCt.iPeriod, CA_AmoCt.cPPID, CA_AmoCt.cBatch, " +
           joined({
               selectList({
                   {"CASE WHEN max(ca_amoct.ifinqua) = 0 THEN 0 ELSE sum(iqua) * (1 - max(onpration))/ (CASE WHEN "
                    "max(ca_amoct.ifinqua) = 0 THEN 1 ELSE max(ca_amoct.ifinqua) END) END",
                    "完工产品数量单位成本"},
                   {"sum(iqua) * (1 - max(onpration))", "完工产品数量总成本"},
                   {"sum(iqua)", "产品数量总成本"},
                   {"sum(itotalamo)", "产品金额总成本"},
                   {"sum(iqua) * max(onpration)", "在产数量总成本"},
                   {"Max(Department.cDepCode)", "cDeptCode"},
                   {"Max(Department.cDepName)", "cDeptName"},
                   {"Max(Ca_Inventory.cInvName)", "cInvName"},
                   {"Max(Ca_Inventory.cInvStd)", "cInvStd"},
                   {"Max(Ca_Inventory.cInvM_Unit)", "cInvUnit"},
                   {"Sum(CA_AmoCt.iOnpTotalAmo)", "iOnpSumAmo"},
                   {"Sum((CASE WHEN [CA_AmoCt].[iPeriod]=0 THEN 0 ELSE [CA_AmoCt].[iTotalAmo]-[CA_AmoCt].[iOnpTotalAmo] "
                    "END))",
                    "iFinTotalAmo"},
                   {"Sum(CA_AmoCt.iFinPdtUnitAmo)", "iFinPdtUnitAmo"},
                   {"(CASE [CA_AmoCt].[cAmotype] WHEN '0' THEN '材料费用' WHEN '1' THEN '人工费用' WHEN '2' THEN "
                    "'辅助费用' WHEN '3' THEN '制造费用'  Else '其他费用' END)",
                    "cType"},
               }),
               "FROM (productstructureEx INNER JOIN Department ON productstructureEx.cDepCode = Department.cDepCode) "
               "INNER JOIN ((CA_AmoCt LEFT JOIN Ca_Inventory ON CA_AmoCt.cPPID = Ca_Inventory.cInvCode) INNER JOIN "
               "CAQ_RptBase ON (CA_AmoCt.cPPID = CAQ_RptBase.cPPID) AND (CA_AmoCt.cBatch = CAQ_RptBase.cBatch) AND "
               "(CA_AmoCt.iPeriod = CAQ_RptBase.iPeriod)) ON productstructureEx.cPSPCode = CA_AmoCt.cPPID",
               "GROUP BY CA_AmoCt.iPeriod, CA_AmoCt.cPPID, CA_AmoCt.cBatch, CA_AmoCt.cAmotype",
           });
}

}  // namespace

void InventoryView(UpgradeSession& s) {
    s.execute(
        "CREATE VIEW ca_inventory AS SELECT Inventory.cInvCode, Inventory.cInvName, "
        "Inventory.cInvStd,Inventory.iInvRCost,Inventory.cInvCCode, ComputationUnit.cComUnitName AS "
        "cInvM_Unit,InventoryClass.cInvCName FROM Inventory LEFT OUTER JOIN InventoryClass ON Inventory.cInvCCode = "
        "InventoryClass.cInvCCode LEFT OUTER JOIN ComputationUnit ON Inventory.cComunitCode = "
        "ComputationUnit.cComunitCode");
}

void CostReportViews(UpgradeSession& s) {
    s.execute("DROP VIEW CAQ_Materials");
    s.execute("CREATE VIEW dbo.CAQ_Materials AS SELECT cInvCode, cInvName, cInvStd, cInvM_Unit From dbo.ca_inventory");
    s.execute("DROP VIEW CAQ_RptBase");
    s.execute(costReportBase());
    s.execute("DROP VIEW CAQ_Detail");
    s.execute(costDetail());
}

}  // namespace vantyr::upgrade
