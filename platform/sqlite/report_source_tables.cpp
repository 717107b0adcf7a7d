#include "platform/sqlite/report_source_tables.h"

namespace vantyr::platform::sqlite {
namespace {

struct SourceTable {
    const char* name;
    const char* columns;
};

constexpr SourceTable kTables[] = {
    {"Inventory",
     "cInvCode varchar(20) NOT NULL, cInvName varchar(60), cInvStd varchar(60), iInvRCost float, cInvCCode "
     "varchar(12), cComUnitCode varchar(35)"},
    {"InventoryClass", "cInvCCode varchar(12) NOT NULL, cInvCName varchar(60)"},
    {"ComputationUnit", "cComunitCode varchar(35) NOT NULL, cComUnitName varchar(20)"},
    {"Department", "cDepCode varchar(12) NOT NULL, cDepName varchar(60)"},
    {"productstructure", "cPSPCode varchar(20) NOT NULL, cDepCode varchar(12)"},
    {"RD_Style", "cRdCode varchar(5) NOT NULL, cRdName varchar(20), bRdFlag tinyint, bRdEnd bit"},
    {"WA_account", "cGZGradeNum varchar(2) NOT NULL, cGZGradename varchar(20)"},
    {"aa_holdauth", "cUserID varchar(20) NOT NULL, cBusObId varchar(20), cACCode varchar(20)"},
    {"CAQ_PlanAmount", "cPPID varchar(20) NOT NULL, iPdtUnitAMoOfSum float"},
    {"CA_Q_PlanC", "cPPID varchar(20) NOT NULL, cAmotype varchar(1), iPdtUnitAMoOfSum float"},
    {"RdRecord", "ID int NOT NULL, cRdCode varchar(5), cProBatch varchar(10), cVouchType varchar(2), dDate datetime"},
    {"RdRecords", "AutoID int NOT NULL, ID int NOT NULL, cInvCode varchar(20), iQuantity float"},
    {"CA_SAmoct",
     "cProcedureID varchar(20), cAmoType varchar(1), cAmoID varchar(20), iQua float, iTotalAmo float, iPeriod tinyint"},
    {"CA_DirMa", "cDeptID varchar(12), iDirectPay float, iPeriod tinyint"},
    {"CA_SPDf",
     "id int IDENTITY(1,1) NOT NULL, cnum varchar(30), cuser varchar(20), cZWVoucherType varchar(8), cBorCusID "
     "varchar(20), cBorVenID varchar(20), cLedCusID varchar(20), cLedVenID varchar(20)"},
};

}  // namespace

std::vector<std::string> reportSourceTables() {
    std::vector<std::string> out;
    for (const auto& t : kTables)
        out.push_back(std::string("if not exists (select * from sysobjects where name = '") + t.name +
                      "') CREATE TABLE [dbo].[" + t.name + "] (" + t.columns + ")");
    return out;
}

}  // namespace vantyr::platform::sqlite
