// Groups 15, 16 and 18: the late columns and tables, unique clustered
// indexes on the cost tables' keys, removal of CA_DeptAuth and
// CA_UserProperty, the voucher column widths; the guarded merged report
// definition; and, after key normalisation whatever it did, the index drops.
#include "upgrade/statement_groups.h"

namespace vantyr::upgrade {

void LateColumnTableIndexSteps(UpgradeSession& s) {
    s.executeAll({
        "alter table ca_CBsys add cMauDetailFlag char(1) null",
        "alter table ca_CostCD add cMauAmoAloMethod varchar(255) null, cMauSelfDefMethod varchar(255) null, "
        "cMauSelfDefFormula varchar(255) null",
        "create table Ca_ACR_DetailMau ( cPPID  varchar(20) not null, cAmoID varchar(20) null, iManQuo float null )",
        "alter table CA_DistrInput add cpzyclcb float default 0 not null ",
        "alter table CA_DayTis add iOnpWkt float default 0 null ",
        "alter table CA_TimSt add iOnpWkt float default 0 not null ",
        "create table CA_ACR_InvC ( cInvCCode varchar(20) not null, cPPID varchar(20) not null, iInvCQuo float null )",
        "create table CA_AllMt_InvC ( cDeptID varchar(12) not null, cInvCCode varchar(20) not null, cMethod "
        "varchar(1) null, cFormulaShow varchar(255) null, cFormula varchar(255) null )",
        "alter table CA_ComPD add iRate float null, iIntoAmo_Auxi userdecimal null",
        "alter table CA_DaCPS add iRate float null, IwasteQua_Auxi userdecimal null, IQua_Auxi userdecimal null",
        "alter table CA_Comps add iRate float null, IwasteQua_Auxi userdecimal null, IQua_Auxi userdecimal null",
        "alter table CA_EnMOP add iOnPWkt float default 0 not null, iRate float null, IOnPdtAmo_Auxi userdecimal "
        "null, IFinPdtAmo_Auxi userdecimal null",
        "alter table CA_PPUDR add iRate float null, IQua_auxi userdecimal null",
        "alter table CA_Propu add iRate float null, IQua_auxi userdecimal null",

        "CREATE  UNIQUE  CLUSTERED  INDEX PKACR_DetailMau on  Ca_ACR_DetailMau(cPPID, cAmoID)",
        "CREATE  UNIQUE  CLUSTERED  INDEX PKACR_InvC on  Ca_ACR_InvC(cPPID, cInvCCode)",

        "DROP VIEW CA_DeptAuth",
        "DROP TABLE CA_UserProperty",

        "CREATE  UNIQUE  CLUSTERED  INDEX PKMaBSW ON CA_MaBSW(cDeptID, cPPID, cBatch, cMatID, iPeriod)",
        "CREATE  UNIQUE  CLUSTERED  INDEX PKAmoct ON CA_Amoct(cPPID, cBatch, cAmoType, cAmoID, iPeriod)",
        "CREATE  UNIQUE  CLUSTERED  INDEX PKOnlia ON CA_Onlia(cDeptID, cPPID, cBatch, cOthAmoID, iPeriod)",
        "CREATE  UNIQUE  CLUSTERED  INDEX PKDaytis ON CA_Daytis(cPPID, cBatch, dDate)",
        "CREATE  UNIQUE  CLUSTERED  INDEX PKTimst ON CA_Timst(cPPID, cBatch, iPeriod)",
        "CREATE  UNIQUE  CLUSTERED  INDEX PKSAmoct ON CA_SAmoct(cProcedureID, cAmoType, cAmoID, iPeriod)",
        "CREATE  UNIQUE  CLUSTERED  INDEX PKEnMOP ON CA_EnMOP(cPPID, cBatch, iPeriod)",
        "CREATE  UNIQUE  CLUSTERED  INDEX PKEnMOM ON CA_EnMOM(cDeptID, cPPID, cBatch, cMatID, iPeriod)",
        "CREATE  UNIQUE  CLUSTERED  INDEX PKEnMMC ON CA_EnMMC(cDeptID, cMatID, cBatch, iPeriod)",
        "CREATE  UNIQUE  CLUSTERED  INDEX PKDacps ON CA_Dacps(cPPID, cBatch, dDate)",
        "CREATE  UNIQUE  CLUSTERED  INDEX PKComps ON CA_Comps(cPPID, cBatch, iPeriod)",
        "CREATE  UNIQUE  CLUSTERED  INDEX PKCompd ON CA_Compd(cPPID, cBatch, iPeriod)",
        "CREATE  UNIQUE  CLUSTERED  INDEX PKPPUDR ON CA_PPUDR(cUSEPPID, cPPID, cBatch, dDate)",
        "CREATE  UNIQUE  CLUSTERED  INDEX PKPROPU ON CA_PROPU(cUSEPPID, cPPID, cBatch, iPeriod)",

        "alter table ca_spdf alter column cZWVoucherType varchar(8)",
        "alter table ca_spdf alter column cBorCusID varchar(20)",
        "alter table ca_spdf alter column cBorVenID varchar(20)",
        "alter table ca_spdf alter column cLedCusID varchar(20)",
        "alter table ca_spdf alter column cLedVenID varchar(20)",
    });
}

void MergedReportDefinition(UpgradeSession& s) {
    auto found = s.count("select count(*) from rpt_glbdef where systemid='CA' and Name = '完工产品成本合并表'",
                         "count(*)");
    if (found && *found <= 0)
        s.execute("INSERT INTO Rpt_GlbDEF(SystemID,Name,Type,Cols,IsBASE) values('CA','完工产品成本合并表',80,10,1)");
}

void IndexRemoval(UpgradeSession& s) {
    s.executeAll({
        "drop index ca_acr.cppid",
        "drop index ca_assmp.JS",
        "drop index ca_deppma.lr",
        "drop index ca_propt.cppid",
        "drop index ca_allmt.CA_DepDfCA_AllMt",
        "drop index ca_asdif.CA_PreDfCA_AsDIF",
        "drop index ca_asscw.cDeptID",
        "drop index ca_asscw.cppid",
        "drop index ca_compd.cppid",
        "drop index ca_comps.JS",
        "drop index ca_comps.cppid",
        "drop index ca_dacps.cppid",
        "drop index ca_dambw.InventoryCA_DaMBW",
        "drop index ca_depdf.DepartmentCA_DepDf",
        "drop index ca_dephc.CA_DepDfCA_DepHC",
        "drop index ca_onpqu.cppid",
        "drop index ca_serpri.CA_PreDfCA_SerPri",
        "drop index ca_acr.ProductStructureCA_ACR",
        "drop index ca_assmp.CA_PreDfCA_AssMP",
        "drop index ca_assmp.lr",
        "drop index ca_deppma.CA_DepDfCA_DepPMA",
    });
}

}  // namespace vantyr::upgrade
