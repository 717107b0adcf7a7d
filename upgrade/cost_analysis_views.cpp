#include "upgrade/cost_analysis_views.h"

#include "upgrade/statement_text.h"

namespace vantyr::upgrade {
namespace {

// Actual consumption per finished unit of one CA_AmoCt row: 0 when either
// amount is Null, the finished amount is 0, the finished quantity is 0 or the
// finished unit amount is 0.
constexpr const char* kConsumption =
    "(CASE WHEN ([CA_AmoCt].[iTotalAmo] IS Null  Or [CA_AmoCt].[iOnpTotalAmo] IS Null ) Or "
    "([iTotalAmo]-[iOnpTotalAmo])=0 Or [iFinqua]=0 Or [iFinPdtUnitAmo]=0 THEN 0 ELSE "
    "([CA_AmoCt].[iQua]*(([iTotalAmo]-[iOnpTotalAmo])/[iTotalAmo]))/[iFinqua] END)";
// The same as the plan view writes it, with a blank before two equals signs.
constexpr const char* kConsumptionPlanView =
    "(CASE WHEN ([CA_AmoCt].[iTotalAmo] IS Null  Or [CA_AmoCt].[iOnpTotalAmo] IS Null ) Or "
    "([iTotalAmo]-[iOnpTotalAmo])=0 Or [iFinqua] =0 Or [iFinPdtUnitAmo] =0 THEN 0 ELSE "
    "([CA_AmoCt].[iQua]*(([iTotalAmo]-[iOnpTotalAmo])/[iTotalAmo]))/[iFinqua] END)";

constexpr const char* kItemGrouping =
    "GROUP BY CA_AmoCt.cPPID, CA_AmoCt.cBatch, CA_AmoCt.cAmotype, CA_AmoCt.cAmoID, CA_AmoCt.iperiod";

std::string planAndActual() {
    const std::string sumConsumption = "Sum(" + std::string(kConsumptionPlanView) + ")";
    const std::string actual = joined({
        "SELECT",
        selectList({{"CA_AmoCt.cPPID"}, {"CA_AmoCt.cBatch"}, {"CA_AmoCt.cAmotype"}, {"CA_AmoCt.cAmoID"},
                    {"CA_AmoCt.iperiod"}, {"MAX(CA_AmoCt.iFinqua)", "iFinquaOfFirst"}, {"0", "iPdtUnitAMo"},
                    {"Sum(CA_AmoCt.iFinPdtUnitAmo)", "iFinPdtUnitAmoOfSum"}, {"0", "dblJHHL"},
                    {sumConsumption, "dblSjHl"}}),
        "FROM CA_AmoCt",
        kItemGrouping,
    });
    const std::string plan = joined({
        "SELECT",
        selectList({{"CA_AmoCt.cPPID"}, {"CA_AmoCt.cBatch"}, {"CA_AmoCt.cAmotype"}, {"CA_PlanC.cAmoID"},
                    {"CA_AmoCt.iperiod"}, {"MAX(CA_AmoCt.iFinqua)", "iFinquaOfFirst"},
                    {"MAX(CA_PlanC.iPdtUnitAMo)", "iPdtUnitAMo"}, {"0", "iFinPdtUnitAmoOfSum"},
                    {"MAX((CASE WHEN [CA_AWPC].[iQua] IS Null  THEN 0 ELSE [CA_AWPC].[iQua] END))", "dblJHHL"},
                    {"0", "dblSjHl"}}),
        "FROM (CA_AmoCt INNER JOIN CA_PlanC ON (CA_AmoCt.cPPID = CA_PlanC.cPPID) AND (CA_AmoCt.cAmotype = "
        "CA_PlanC.cAmotype)) LEFT JOIN CA_AWPC ON (CA_PlanC.cAmotype = CA_AWPC.cAmotype) AND (CA_PlanC.cAmoID = "
        "CA_AWPC.cAmoID)",
        "GROUP BY CA_AmoCt.cPPID, CA_AmoCt.cBatch, CA_AmoCt.cAmotype, CA_PlanC.cAmoID, CA_AmoCt.iperiod",
    });
    return "CREATE VIEW dbo.a_cbfx_cpcbcy_jh AS " + actual + " UNION " + plan;
}

std::string comparedSide() {
    const std::string maxConsumption = "MAX(" + std::string(kConsumption) + ")";
    return joined({
        "CREATE VIEW dbo.a_cbfx_cpcbcy_ls1 AS SELECT",
        selectList({{"CA_AmoCt.cPPID"}, {"CA_AmoCt.cBatch", "cFXBatch"}, {"CA_AmoCt.cBatch", "cBJBatch"},
                    {"CA_AmoCt.iperiod"}, {"MAX(CA_AmoCt.iFinqua)", "iFinquaOfFirst"}, {"CA_AmoCt.cAmotype"},
                    {"CA_AmoCt.cAmoID"}, {"0", "dblFXPdtUnitAmo"}, {"Sum(CA_AmoCt.iFinPdtUnitAmo)", "dblBJPdtUnitAmo"},
                    {"0", "dblFXSJHL"}, {maxConsumption, "dblBJSjHl"}}),
        "FROM CA_AmoCt",
        kItemGrouping,
    });
}

std::string analysedSide() {
    const std::string maxConsumption = "MAX(" + std::string(kConsumption) + ")";
    return joined({
        "CREATE VIEW dbo.a_cbfx_cpcbcy_ls2 AS SELECT",
        selectList({{"CA_AmoCt.cPPID"}, {"CA_AmoCt.cBatch", "cFXBatch"}, {"a_cbfx_cpcbcy_ls1.cBJBatch"},
                    {"CA_AmoCt.iperiod"}, {"MAX(CA_AmoCt.iFinqua)", "iFinquaOfFirst"}, {"CA_AmoCt.cAmotype"},
                    {"CA_AmoCt.cAmoID"}, {"MAX(CA_AmoCt.iFinPdtUnitAmo)", "dblFXPdtUnitAmo"}, {"0", "dblBJPdtUnitAmo"},
                    {maxConsumption, "dblFXSjHl"}, {"0", "dblBJSJHL"}}),
        "FROM CA_AmoCt LEFT JOIN a_cbfx_cpcbcy_ls1 ON CA_AmoCt.cBatch=a_cbfx_cpcbcy_ls1.cFXBatch and (CA_AmoCt.cPPID = "
        "a_cbfx_cpcbcy_ls1.cPPID)",
        "GROUP BY CA_AmoCt.cPPID, CA_AmoCt.cBatch, a_cbfx_cpcbcy_ls1.cBJBatch, CA_AmoCt.cAmotype, "
        "CA_AmoCt.cAmoID,ca_amoct.iperiod",
    });
}

std::string bothSides() {
    const char* columns =
        "cPPID, cFXBatch, cBJBatch, iFinquaOfFirst, cAmoType, cAmoID, dblFXPdtUnitAmo, dblBJPdtUnitAmo, dblFXSjHl, "
        "dblBJSJHL, iPeriod";
    return joined({"CREATE VIEW dbo.a_cbfx_cpcbcy_ls3 AS SELECT", columns, "FROM a_cbfx_cpcbcy_ls2 UNION SELECT", columns,
                   "FROM a_cbfx_cpcbcy_ls1"});
}

}  // namespace

void CostAnalysisViews(UpgradeSession& s) {
    s.execute("DROP VIEW dbo.a_cbfx_cacostcd");
    s.execute("CREATE VIEW dbo.a_cbfx_cacostcd AS SELECT CA_CostCD.cAmoID, CA_CostCD.cAmotype, MAX(CA_CostCD.cAmoName) "
              "AS cAmoNameOfFirst From CA_CostCD GROUP BY CA_CostCD.cAmoID, CA_CostCD.cAmotype");
    s.execute("DROP VIEW dbo.a_cbfx_cpcbcy_jh");
    s.execute(planAndActual());
    s.execute("DROP VIEW dbo.a_cbfx_cpcbcy_ls1");
    s.execute(comparedSide());
    s.execute("DROP VIEW dbo.a_cbfx_cpcbcy_ls2");
    s.execute(analysedSide());
    s.execute("DROP VIEW dbo.a_cbfx_cpcbcy_ls3");
    s.execute(bothSides());
}

}  // namespace vantyr::upgrade
