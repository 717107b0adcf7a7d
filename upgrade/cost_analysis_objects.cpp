// Groups 8 and 10: the voucher-number trigger; the received-quantity and
// per-batch analysis procedures, the eight plan-versus-actual query
// procedures, then the five a_cbfx_ views they read (procedures may be
// created before the views they read).
#include "upgrade/cost_analysis_views.h"
#include "upgrade/statement_groups.h"
#include "upgrade/statement_text.h"

namespace vantyr::upgrade {
namespace {

std::string receivedQuantity(std::string_view batchCondition) {
    return "SELECT SUM(RdRecords.iQuantity) AS iTotal FROM  RdRecord INNER JOIN RdRecords ON RdRecord.ID = "
           "RdRecords.ID LEFT OUTER JOIN CA_IDMAC ON RdRecord.cRdCode = CA_IDMAC.cOutID WHERE (RdRecords.cInvCode = "
           "@ppid) AND " +
           std::string(batchCondition) +
           " AND (RdRecord.cVouchType = '10') AND (CA_IDMAC.bType = 1) AND (dDate >= @bgndate) AND (dDate < @enddate)";
}

std::string productIntoWarehouse() {
    return crlfLines({
               "CREATE PROCEDURE CA_SP_ProdIntoWH (@cPPID varchar(20),@cBatch varchar(10),@dBgnDate datetime,@dEndDate "
               "datetime) AS ",
               "declare @ppid varchar(20), @batch varchar(10), @bgndate varchar(30), @enddate varchar(30)",
               "select @ppid = ltrim(rtrim(@cPPID)) ",
               "select @batch = ltrim(rtrim(isnull(@cBatch,''))) ",
               "select @bgndate = rtrim(convert(varchar(30),@dBgnDate,101))",
               "select @enddate = rtrim(rtrim(convert(varchar(30),@dEndDate,101))+ ' 23:59:59.999')",
           }) +
           "if @batch='' " + receivedQuantity("(RdRecord.cProBatch IS NULL)") + "else " +
           receivedQuantity("(RdRecord.cProBatch = @batch)");
}

std::string batchAnalysis() {
    return "CREATE PROCEDURE ca_cbfx_batch @iLoginYear int, @sBatch varchar(30) AS SELECT " +
           joined({
               selectList({
                   {"@iLoginYear", "iLoginYear"},
                   {"CA_AmoCt.iPeriod"},
                   {"CA_ProNb.cPPID"},
                   {"Inventory.cInvName", "cInvNameOfFirst"},
                   {"max(Inventory.cInvStd)", "cInvStd"},
                   {"CA_ProNb.cUnit", "cUnitOfFirst"},
                   {"CA_ProNb.iQua", "iQuaOfSum"},
                   {"CA_AmoCt.iFinqua", "iCurQuaOfSum"},
                   {"Sum([iTotalAmo]-[iOnpTotalAmo])", "dblTotal"},
                   {"(case when iFinqua=0 then 0 else Sum([iTotalAmo]-[iOnpTotalAmo])/iFinqua end)", "表达式1"},
                   {"CA_ProNb.iYear", "iYearOfFirst"},
                   {"CA_ProNb.iProductMonth", "iProductMonthOfFirst"},
                   {"CA_ProNb.iEndYear", "iEndYearOfFirst"},
                   {"CA_ProNb.iCompPeriod", "iCompPeriodOfFirst"},
               }),
               "FROM (CA_ProNb INNER JOIN CA_AmoCt ON (CA_ProNb.cBatch = CA_AmoCt.cBatch) AND (CA_ProNb.cPPID = "
               "CA_AmoCt.cPPID)) INNER JOIN Inventory ON CA_ProNb.cPPID = Inventory.cInvCode",
               "Where (((CA_ProNb.cBatch) =  @sBatch) AND (CA_AmoCt.iPeriod>0))",
               "GROUP BY CA_AmoCt.iPeriod, CA_ProNb.cPPID, Inventory.cInvName, CA_ProNb.cUnit, CA_ProNb.iQua,"
               "CA_AmoCt.iFinqua, CA_ProNb.iYear,CA_ProNb.iProductMonth, CA_ProNb.iEndYear, CA_ProNb.iCompPeriod",
               "ORDER BY CA_AmoCt.iPeriod, CA_ProNb.cPPID",
           });
}

// DROP Proc, then CREATE Proc name(parameters) AS  SELECT ...
void queryProcedure(UpgradeSession& s, std::string_view name, std::string_view parameters, const std::string& select) {
    s.execute("DROP Proc " + std::string(name));
    s.execute("CREATE Proc " + std::string(name) + "(" + std::string(parameters) + ") AS  " + select);
}

std::string planAgainstActualAllTypes() {
    return joined({
        "SELECT",
        selectList({
            {"CA_AmoCt.cPPID"},
            {"MAX(Inventory.cInvName)", "sInvName"},
            {"MAX(Inventory.cInvStd)", "cInvStd"},
            {"CA_AmoCt.cBatch"},
            {"CA_AmoCt.cAmotype"},
            {"MAX(CA_AmoCt.iFinqua)", "dblFinqua"},
            {"MAX(CA_Q_PlanC.iPdtUnitAMoOfSum)", "dblPdtUnitAMo"},
            {"Sum(CA_AmoCt.iFinPdtUnitAmo)", "dblFinPdtUnitAmo"},
        }),
        "FROM (CA_AmoCt INNER JOIN Inventory ON CA_AmoCt.cPPID = Inventory.cInvCode) left JOIN CA_Q_PlanC ON "
        "(CA_AmoCt.cAmotype = CA_Q_PlanC.cAmotype) AND (CA_AmoCt.cPPID = CA_Q_PlanC.cPPID)",
        "WHERE [CA_AmoCt].[cPPID] = (CASE WHEN @sPPID<>'' THEN @sPPID ELSE [CA_AmoCt].[cPPID] END) AND "
        "CA_AmoCt.iPeriod=@iPeriod AND [CA_AmoCt].[cBatch] = (CASE WHEN @sBatch<>'全部' THEN @sBatch ELSE "
        "[CA_AmoCt].[cBatch] END)",
        "GROUP BY CA_AmoCt.cPPID, CA_AmoCt.cBatch, CA_AmoCt.cAmotype",
        "ORDER BY CA_AmoCt.cPPID, CA_AmoCt.cBatch, CA_AmoCt.cAmotype",
    });
}

// The items of one cost type in one period, plan against actual; the item
// name comes from the source the member joins.
std::string planAgainstActualItems(std::string_view itemName, std::string_view nameSource, std::string_view extraFilter) {
    std::string filter =
        "WHERE a_cbfx_cpcbcy_jh.iPeriod=@iPeriod AND a_cbfx_cpcbcy_jh.cAmotype=@sAMoType AND "
        "a_cbfx_cpcbcy_jh.cPPID=(CASE WHEN @sPPID<>'' THEN @sPPID ELSE a_cbfx_cpcbcy_jh.cPPID END) AND "
        "a_cbfx_cpcbcy_jh.cBatch=(CASE WHEN @sBatch<>'全部' THEN @sBatch ELSE a_cbfx_cpcbcy_jh.cBatch END)";
    if (!extraFilter.empty()) filter += " " + std::string(extraFilter);
    return joined({
        "SELECT",
        selectList({
            {"a_cbfx_cpcbcy_jh.cPPID"},
            {"MAX(Inventory.cInvName)", "sInvName"},
            {"MAX(Inventory.cInvStd)", "cInvStd"},
            {"a_cbfx_cpcbcy_jh.cBatch"},
            {"a_cbfx_cpcbcy_jh.cAmoID"},
            {itemName, "cAmoName"},
            {"MAX(a_cbfx_cpcbcy_jh.iFinquaOfFirst)", "dblFinqua"},
            {"Sum(a_cbfx_cpcbcy_jh.iPdtUnitAMo)", "dblPdtUnitAMo"},
            {"Sum(a_cbfx_cpcbcy_jh.iFinPdtUnitAmoOfSum)", "dblFinPdtAmo"},
            {"Sum(a_cbfx_cpcbcy_jh.dblJHHL)", "dblJHHLOfSum"},
            {"Sum(a_cbfx_cpcbcy_jh.dblSjHl)", "dblSjHlOfSum"},
        }),
        "FROM (a_cbfx_cpcbcy_jh INNER JOIN Inventory ON a_cbfx_cpcbcy_jh.cPPID = Inventory.cInvCode)",
        nameSource,
        filter,
        "GROUP BY a_cbfx_cpcbcy_jh.cPPID, a_cbfx_cpcbcy_jh.cBatch, a_cbfx_cpcbcy_jh.cAmoID",
    });
}

// One period's actual cost against another's. With no item name: by cost type;
// otherwise the item id and name (from `nameSource`) take the type's place.
std::string periodComparison(std::string_view itemName, std::string_view nameSource, std::string_view extraFilter) {
    const bool byItem = !itemName.empty();
    const std::string common =
        "[a_cbfx_cpcbcy_ls3].[cPPID]=(CASE WHEN @sPPID<>'' THEN @sPPID ELSE [a_cbfx_cpcbcy_ls3].[cPPID] END) AND "
        "[a_cbfx_cpcbcy_ls3].[cAmotype]=(CASE WHEN @sAmoType<>'' THEN @sAmoType ELSE [a_cbfx_cpcbcy_ls3].[cAmotype] "
        "END) AND a_cbfx_cpcbcy_ls3.cFXBatch=@sFXBatch";
    std::string extra = extraFilter.empty() ? std::string() : " " + std::string(extraFilter);
    std::string filter = "WHERE (" + common + " AND a_cbfx_cpcbcy_ls3.iPeriod=@iBJPeriod" + extra + ") OR (" + common +
                         " AND a_cbfx_cpcbcy_ls3.iPeriod=@iFXPeriod" + extra + ")";
    std::string head = selectList({
        {"a_cbfx_cpcbcy_ls3.cPPID"},
        {"MAX(Inventory.cInvName)", "sInvName"},
        {"MAX(Inventory.cInvStd)", "cInvStd"},
        {"max(case when a_cbfx_cpcbcy_ls3.iPeriod=@iBJPeriod then @sFXBatch else a_cbfx_cpcbcy_ls3.cFXBatch end)",
         "cFXBatch"},
        {"a_cbfx_cpcbcy_ls3.cBJBatch"},
        {"MAX(case when a_cbfx_cpcbcy_ls3.iPeriod=@iFXPeriod then a_cbfx_cpcbcy_ls3.iFinquaOfFirst else 0 end)",
         "dblFinqua"},
    });
    std::string kind = byItem ? selectList({{"a_cbfx_cpcbcy_ls3.cAmoID"}, {itemName, "cAmoName"}})
                              : selectList({{"a_cbfx_cpcbcy_ls3.cAmoType"}});
    std::string figures = selectList({
        {"Sum(case when a_cbfx_cpcbcy_ls3.iPeriod=@iFXPeriod then a_cbfx_cpcbcy_ls3.dblFXPdtUnitAmo else 0 end)", "dblFX"},
        {"Sum(case when a_cbfx_cpcbcy_ls3.iPeriod=@iBJPeriod then a_cbfx_cpcbcy_ls3.dblBJPdtUnitAmo else 0 end)", "dblBJ"},
        {"Sum(case when a_cbfx_cpcbcy_ls3.iPeriod=@iFXPeriod then a_cbfx_cpcbcy_ls3.dblFXSjHl else 0 end)", "dblFXHL"},
        {"Sum(case when a_cbfx_cpcbcy_ls3.iPeriod=@iBJPeriod then a_cbfx_cpcbcy_ls3.dblBJSJHL else 0 end)", "dblBJHL"},
    });
    std::string sources = "FROM a_cbfx_cpcbcy_ls3 INNER JOIN Inventory ON a_cbfx_cpcbcy_ls3.cPPID = Inventory.cInvCode";
    if (byItem) sources += " " + std::string(nameSource);
    return joined({
        "SELECT",
        joined({head, kind, figures}, ", "),
        sources,
        filter,
        byItem ? "GROUP BY a_cbfx_cpcbcy_ls3.cPPID, a_cbfx_cpcbcy_ls3.cFXBatch, a_cbfx_cpcbcy_ls3.cBJBatch, "
                 "a_cbfx_cpcbcy_ls3.cAmoID"
               : "GROUP BY a_cbfx_cpcbcy_ls3.cPPID, a_cbfx_cpcbcy_ls3.cFXBatch, a_cbfx_cpcbcy_ls3.cBJBatch, "
                 "a_cbfx_cpcbcy_ls3.cAmoType",
    });
}

}  // namespace

void VoucherNumberTrigger(UpgradeSession& s) {
    s.execute("DROP TRIGGER catg_vouchnum");
    s.execute("CREATE TRIGGER [catg_vouchnum] ON [CA_SPDf] FOR INSERT AS declare @vouchid int select @vouchid=id from "
              "inserted update ca_spdf set cnum=rtrim(left(cnum,1)+ltrim(str(id))) where id=@vouchid ");
}

void CostAnalysisProcedures(UpgradeSession& s) {
    s.execute("DROP PROCEDURE CA_SP_ProdIntoWH");
    s.execute(productIntoWarehouse());
    s.execute("DROP PROCEDURE ca_cbfx_batch");
    s.execute(batchAnalysis());

    const char* planParameters = "@sAMoType varchar(255), @sBatch varchar(255), @iPeriod int, @sPPID varchar(255)";
    queryProcedure(s, "CA_Q_JHCB_AllCostItem", "@sPPID varchar(255), @sBatch varchar(255), @iPeriod int",
                   planAgainstActualAllTypes());
    queryProcedure(s, "CA_Q_JHCBCLFY_new", planParameters,
                   planAgainstActualItems("MAX(Inventory_1.cInvName)",
                                          "left JOIN Inventory AS Inventory_1 ON a_cbfx_cpcbcy_jh.cAmoID = "
                                          "Inventory_1.cInvCode",
                                          ""));
    queryProcedure(s, "CA_Q_JHCBFZFY_new", planParameters,
                   planAgainstActualItems("MAX(CA_PreDf.cProcedureName)",
                                          "LEFT JOIN CA_PreDf ON a_cbfx_cpcbcy_jh.cAmoID = CA_PreDf.cProcedureID", ""));
    queryProcedure(s, "CA_Q_JHCBQTFY_new", planParameters,
                   planAgainstActualItems("MAX(a_cbfx_cacostcd.cAmoNameOfFirst)",
                                          "LEFT JOIN a_cbfx_cacostcd ON (a_cbfx_cpcbcy_jh.cAmotype = "
                                          "a_cbfx_cacostcd.cAmotype) AND (a_cbfx_cpcbcy_jh.cAmoID = "
                                          "a_cbfx_cacostcd.cAmoID)",
                                          "AND a_cbfx_cacostcd.cAmotype=@sAmoType"));

    const char* comparisonParameters =
        "@sPPID varchar(255), @sAmoType varchar(255), @iFXPeriod int, @iBJPeriod int, @sFXBatch varchar(255)";
    queryProcedure(s, "CA_Q_SJCB_AllCostItem_new", comparisonParameters, periodComparison("", "", ""));
    queryProcedure(s, "CA_Q_SJCBCLFY_new", comparisonParameters,
                   periodComparison("Max(Inventory_1.cInvName)",
                                    "Left JOIN Inventory AS Inventory_1 ON a_cbfx_cpcbcy_ls3.cAmoID = "
                                    "Inventory_1.cInvCode",
                                    ""));
    queryProcedure(s, "CA_Q_SJCBFZFY_new", comparisonParameters,
                   periodComparison("Max(CA_PreDf.cProcedureName)",
                                    "LEFT JOIN CA_PreDf ON a_cbfx_cpcbcy_ls3.cAmoID = CA_PreDf.cProcedureID", ""));
    queryProcedure(s, "CA_Q_SJCBQTFY_new", comparisonParameters,
                   periodComparison("Max(a_cbfx_cacostcd.cAmoNameOfFirst)",
                                    "LEFT JOIN a_cbfx_cacostcd ON a_cbfx_cpcbcy_ls3.cAmoID = a_cbfx_cacostcd.cAmoID",
                                    "AND a_cbfx_cacostcd.cAmotype=@sAmoType"));

    CostAnalysisViews(s);
}

}  // namespace vantyr::upgrade
