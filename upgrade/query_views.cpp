// Group 7: the query views, each dropped and created again; CAQ_InitLeft
// twice in a row.
#include "upgrade/statement_groups.h"

namespace vantyr::upgrade {

void QueryViews(UpgradeSession& s) {
    const char* initLeft =
        "Create View CAQ_InitLeft AS SELECT CA_AmoCt.cPPID, CA_AmoCt.cBatch, CA_AmoCt.cAmotype, CA_AmoCt.cAmoID, "
        "CA_AmoCt.iQua, CA_AmoCt.iOnpTotalAmo, CA_AmoCt.bFixed From CA_AmoCt Where (((CA_AmoCt.iPeriod) = 0))";
    s.executeAll({
        "DROP VIEW CAQ_CostMtrlTypes",
        "Create View CAQ_CostMtrlTypes AS SELECT CAQ_MaterialTypes.cRdCode, CAQ_MaterialTypes.cRdName FROM CA_IDMAC "
        "INNER JOIN CAQ_MaterialTypes ON CA_IDMAC.cOutID = CAQ_MaterialTypes.cRdCode",
        "DROP VIEW CAQ_DeptAuth",
        "Create View CAQ_DeptAuth AS SELECT CA_UserProperty.cUserID, Department.cDepCode, Department.cDepName FROM "
        "Department INNER JOIN CA_UserProperty ON Department.cDepCode = CA_UserProperty.cDeptID",
        "DROP VIEW CAQ_IDirectMp",
        "Create View CAQ_IDirectMp AS SELECT CA_CostCD.cDeptID, CA_CostCD.cAmoID, CA_CostCD.cAmoName, "
        "CA_CostCD.cFormula, CA_CostCD.cAmotype From CA_CostCD WHERE (((CA_CostCD.cAmotype)='1'))",
        "DROP VIEW CAQ_InitLeft",
        initLeft,
        "DROP VIEW CAQ_InitLeft",
        initLeft,
        "DROP VIEW CAQ_Manufacture",
        "Create View CAQ_Manufacture AS SELECT DISTINCT CA_CostCD.cAmoID, CA_CostCD.cAmoName From CA_CostCD WHERE "
        "(((CA_CostCD.cAmotype)='3'))",
        "DROP VIEW CAQ_MaterialTypes",
        "Create View CAQ_MaterialTypes AS SELECT Rd_Style.cRdCode, Rd_Style.cRdName From RD_Style Where "
        "(((RD_Style.bRdFlag) = 0) And ((RD_Style.bRdEnd) = 1))",
        "DROP VIEW CAQ_MtlOutTypes",
        "Create View CAQ_MtlOutTypes AS SELECT DISTINCT CAQ_MaterialTypes.cRdCode, CAQ_MaterialTypes.cRdName FROM "
        "CAQ_MaterialTypes LEFT JOIN CA_IDMAC ON CAQ_MaterialTypes.cRdCode = CA_IDMAC.cOutID Where "
        "(((CA_IDMAC.cOutID) Is Null))",
        "DROP VIEW CAQ_Others",
        "Create View CAQ_Others AS SELECT CA_CostCD.cAmoID, CA_CostCD.cAmoName From CA_CostCD WHERE "
        "(((CA_CostCD.cAmotype)='4'))",
        "DROP VIEW CAQ_Price",
        "Create View CAQ_Price AS SELECT CA_AmoCt.iPeriod, CA_AmoCt.cPPID, CA_AmoCt.cBatch, "
        "Sum(CA_AmoCt.iFinPdtUnitAmo) AS iFinPdtUnitAmoOfSum, Sum(CA_AmoCt.iOnpTotalAmo) AS iOnpTotalAmoOfSum, "
        "Sum(CA_AmoCt.iTotalAmo) AS iTotalAmoOfSum From CA_AmoCt GROUP BY CA_AmoCt.iPeriod, CA_AmoCt.cPPID, "
        "CA_AmoCt.cBatch",
        "DROP VIEW CAQ_Procedure",
        "Create View CAQ_Procedure AS SELECT CA_PreDf.* From CA_PreDf Where (((CA_PreDf.bIsAuxi) = 0))",
        "DROP VIEW CAQ_WageType",
        "Create View CAQ_WageType AS SELECT WA_account.cGZGradeNum, WA_account.cGZGradename From WA_account",
    });
}

}  // namespace vantyr::upgrade
