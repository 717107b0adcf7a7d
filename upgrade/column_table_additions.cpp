// Column and table additions, data fixes, report definitions and report work
// tables (groups 1, 3, 6, 9, 11, 12 and 13). Each addition is one statement:
// a multi-column add succeeds or fails whole, and an addition that finds its
// column or table already there fails and leaves the definition as it is.
#include <string>
#include <vector>

#include "upgrade/key_normalisation.h"
#include "upgrade/statement_groups.h"

namespace vantyr::upgrade {
namespace {

constexpr const char* kReportsWithFieldIds[] = {"在产品成本汇总表", "完工产品成本汇总表", "入库产品成本汇总表",
                                                 "辅助服务成本汇总表"};

constexpr const char* kColumnsBeforeMenu[] = {
    "update ca_predf set cunit = left(cunit, 8) where not cunit is null",
    "alter table ca_allmt add cMatSelfDefMethod varchar(255) null, cDirmSelfDefMethod varchar(255) null, "
    "cAuxSelfDefMethod varchar(255) null, cMauSelfDefMethod varchar(255) null, cMatSelfDefFormula varchar(255) null, "
    "cDirmSelfDefFormula varchar(255) null, cAuxSelfDefFormula varchar(255) null, cMauSelfDefFormula varchar(255) null",
    "alter table ca_enmmc add cBatch varchar(10) default '' not null",
    "alter table ca_cbsys add iStep tinyint default 0 not null",
    "alter table ca_onpce add cBatch varchar(10) default '' not null,iOnPAppMat float default 1 not null, "
    "iOnPAppDirm float default 1 not null, iOnPAppAux float default 1 not null, iOnPAppMau float default 1 not null, "
    "iOnPAppOth float default 1 not null ",
    "alter table ca_onpce ALTER COLUMN  iOnPApp float not null",
    "alter table ca_onpce add constraint caonpce_c1 default 1 for iOnPApp",
    "alter table ca_onpqu add iQuotMat float default 1 not null, iQuotDirm float default 1 not null, "
    "iQuotAux float default 1 not null, iQuotMau float default 1 not null, iQuotOth float default 1 not null",
    "CREATE TABLE CA_MenuDef ( cDefault varchar(255) not null, cNewMenu varchar(255) null)",
    "Insert into ca_menudef(cdefault) values('产品结构')",
    "Insert into ca_menudef(cdefault) values('父项')",
    "Insert into ca_menudef(cdefault) values('子项')",
};

constexpr const char* kMenuIndexName = "idxmenu";
constexpr const char* kMenuIndex = "create UNIQUE index idxmenu on CA_MenuDef (cDefault)";

// The figures of CA_DistrInput after cpjhdwcb, each "float default 0 not null".
constexpr const char* kDistrInputFigures[] = {"cpsjgs",     "cpdegs",     "cpwgsl",     "cprksl",
                                              "cpjhjg",     "cpckcb",     "cpcksj",     "cpzxcb",
                                              "cpzdsj",     "cpdwjhclfy", "cpdwjhrgfy", "cpdwjhzzfy",
                                              "cpdwjhfzfy", "cpdwjhqtfy"};

constexpr const char* kColumnsAfterMenu[] = {
    "update ca_onpce set iOnPAppMat = iOnPApp, iOnPAppDirm = iOnPApp, iOnPAppAux = iOnPApp, iOnPAppMau = iOnPApp, "
    "iOnPAppOth = iOnPApp",
    "update ca_onpqu set iQuotMat = iQuot, iQuotDirm = iQuot, iQuotAux = iQuot, iQuotMau = iQuot, iQuotOth = iQuot",
    "alter table ca_CBsys add cMauDetailFlag char(1) null",
    "alter table ca_CostCD add cMauAmoAloMethod varchar(255) null, cMauSelfDefMethod varchar(255) null, "
    "cMauSelfDefFormula varchar(255) null",
    "create table Ca_ACR_DetailMau ( cPPID  varchar(20) not null, cAmoID varchar(20) null, iManQuo float null )",
};

struct BatchReport {
    const char* name;
    int type;
};
constexpr BatchReport kBatchReports[] = {
    {"批次成本汇总表", 79}, {"批次成本明细表", 80}, {"完工产品成本台账", 79}, {"部门成本核算表", 80}};
constexpr const char* kBatchReportGuard = "select count(*) from rpt_glbdef where systemid='CA' and Name like '批次%'";

// One column line of a work table: "[name] [type] (length) NULL ," — `tight`
// lines end "NULL," without the blank.
struct WorkColumn {
    const char* name;
    const char* type;
    int length = 0;
    bool tight = false;
};
struct WorkTable {
    const char* name;
    std::vector<WorkColumn> columns;
};

const std::vector<WorkTable>& workTables() {
    static const std::vector<WorkTable> kTables{
        {"ca_batchmx_tmp",
         {{"CPPid", "varchar", 60}, {"mode", "tinyint"}, {"period", "tinyint"}, {"AmoTypeNo", "tinyint"},
          {"AmoType", "varchar", 1}, {"InvClass", "varchar", 12}, {"InvClassName", "varchar", 20},
          {"AmoCode", "varchar", 20}, {"AmoName", "varchar", 60}, {"Unit", "varchar", 8}, {"InvStd", "varchar", 30},
          {"FinCount", "float"}, {"OnpCount", "float"}, {"Qua", "float"}, {"FinAmo", "float"},
          {"TotalAmo", "float"}, {"UnitPrice", "float"}, {"UnitQua", "float"}, {"UnitAmo", "float"}}},
        {"ca_batchmxhy_tmp",
         {{"Type", "tinyint"}, {"mode", "tinyint"}, {"period", "tinyint"}, {"AmoTypeNo", "tinyint"},
          {"AmoType", "varchar", 1}, {"InvClass", "varchar", 20}, {"InvClassName", "varchar", 30},
          {"AmoCode", "varchar", 20}, {"AmoName", "varchar", 60}, {"Unit", "varchar", 8}, {"InvStd", "varchar", 30},
          {"FinCount", "float"}, {"Qua", "float"}, {"TotalQua", "float"}, {"Amo", "float"}, {"TotalAmo", "float"},
          {"FinRatio", "float"}}},
        {"ca_batchmxhy_tmp1",
         {{"AmoTypeNo", "tinyint"}, {"AmoType", "varchar", 2}, {"cInvCode", "varchar", 20},
          {"cInvName", "varchar", 30}, {"cInvCCode", "varchar", 20}, {"cInvCName", "varchar", 20},
          {"cInvm_unit", "varchar", 20}, {"cInvStd", "varchar", 20}, {"iQua", "float"}, {"iTotalAmo", "money"},
          {"iOnpTotalAmo", "money", 0, true}, {"ifinpdtunitamo", "money", 0, true}, {"ifinqua", "float"}}},
        {"ca_bmmx_tmp",
         {{"Period", "tinyint"}, {"AmoTypeNo", "tinyint"}, {"AmoType", "varchar", 1}, {"invclass", "varchar", 20},
          {"invclassname", "varchar", 30}, {"AmoCode", "varchar", 20}, {"AmoName", "varchar", 60},
          {"Unit", "varchar", 8}, {"InvStd", "varchar", 30}, {"TotalQuaPre", "float"}, {"TotalQuaCur", "float"},
          {"TotalAmoPre", "float"}, {"TotalAmoCur", "float"}, {"FinQuaPre", "float"}, {"FinQuaCur", "float"},
          {"FinAmoPre", "float"}, {"FinAmoCur", "float"}, {"OnpQuaPre", "float"}, {"OnpQuaCur", "float"},
          {"OnpAmoPre", "float"}, {"OnpAmoCur", "float"}}},
        {"CA_RptHZBTmp",
         {{"产品编码", "varchar", 60}, {"产品名称", "varchar", 60}, {"完工数量", "float"}, {"材料费用", "money"},
          {"人工费用", "money"}, {"制造费用", "money"}, {"辅助费用", "money"}, {"其他费用", "money"},
          {"单位成本", "money"}, {"总成本", "money"}, {"期间", "tinyint"}, {"比例", "money"}, {"mode", "tinyint"}}},
    };
    return kTables;
}

std::string columnLine(const WorkColumn& c, bool last) {
    std::string line = std::string("[") + c.name + "] [" + c.type + "]";
    if (c.length > 0) line += " (" + std::to_string(c.length) + ")";
    line += " NULL";
    if (!last) line += c.tight ? "," : " ,";
    return line;
}

std::string createWorkTable(const WorkTable& t) {
    std::vector<std::string> lines{std::string("CREATE TABLE [dbo].[") + t.name + "] ("};
    for (std::size_t i = 0; i < t.columns.size(); ++i) lines.push_back(columnLine(t.columns[i], i + 1 == t.columns.size()));
    lines.emplace_back(") ON [PRIMARY]");
    return crlfJoined(lines);
}

std::string createDistrInput() {
    std::string sql =
        "CREATE TABLE CA_DistrInput ( cPPID varchar(20) not null, cBatch varchar(10) default '' not null, "
        "iPeriod tinyint not null, cpjhdwcb float default 0 not null,";
    for (const char* figure : kDistrInputFigures) sql += std::string(" ") + figure + " float default 0 not null,";
    return sql + " cpcldecb float default 0 not null) ";
}

}  // namespace

void CompletionRatioColumn(UpgradeSession& session) {
    session.execute("alter table CA_Amoct add OnpRation float default 0 not null ");
}

void SpdfUserDefault(UpgradeSession& session) {
    session.executeAll({"CREATE DEFAULT CA_SPDF_cuser_D AS ''", "sp_bindefault 'CA_SPDF_cuser_D', 'CA_SPDF.cuser'"});
}

void ReportFieldIds(UpgradeSession& session) {
    for (const char* report : kReportsWithFieldIds) {
        session.execute(std::string("update ca_rptfld set id = isnull((select id from rpt_glbdef where SystemID = 'CA' "
                                    "and name='") + report + "'),0) where crptname='" + report + "'");
    }
}

void LedgerAndReceiptTypeFixes(UpgradeSession& session) {
    session.executeAll({"update gl_accvouch set coutsysver = null  where coutsysname='CA'",
                        "alter table ca_idmac add bType bit", "update ca_idmac set bType=0 where bType is null"});
}

void ColumnAndTableAdditions(UpgradeSession& session) {
    for (const char* sql : kColumnsBeforeMenu) session.execute(sql);
    EnsureIndex(session, kMenuIndexName, kMenuIndex);
    session.execute("CREATE TABLE CA_DistrItem ( iItemID int IDENTITY, cItemName varchar(60) not null)");
    session.execute(createDistrInput());
    for (const char* sql : kColumnsAfterMenu) session.execute(sql);
}

void BatchReportDefinitions(UpgradeSession& session) {
    if (!session.noneCounted(kBatchReportGuard)) return;
    for (const auto& report : kBatchReports) {
        session.execute(std::string("INSERT INTO Rpt_GlbDEF(SystemID,Name,Type,Cols,IsBASE) values('CA','") +
                        report.name + "'," + std::to_string(report.type) + ",10,1)");
    }
}

void ReportWorkTables(UpgradeSession& session) {
    for (const auto& table : workTables()) session.execute(std::string("drop table [dbo].[") + table.name + "]");
    for (const auto& table : workTables()) session.execute(createWorkTable(table));
}

}  // namespace vantyr::upgrade
