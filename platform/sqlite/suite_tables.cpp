#include "platform/sqlite/suite_tables.h"

#include <algorithm>
#include <set>

#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

constexpr const char* kSuiteTables[] = {
    "CREATE TABLE [dbo].[Rpt_GlbDEF] (\r\n"
    "    [id] int IDENTITY(1,1) NOT NULL,\r\n"
    "    [SystemID] varchar(10),\r\n"
    "    [Name] nvarchar(60),\r\n"
    "    [Type] int,\r\n"
    "    [Cols] int,\r\n"
    "    [IsBASE] bit,\r\n"
    "    CONSTRAINT [PK_Rpt_GlbDEF] PRIMARY KEY ([id])\r\n"
    ") ON [PRIMARY]",
    "CREATE TABLE [dbo].[gl_accvouch] (\r\n"
    "    [i_id] int IDENTITY(1,1) NOT NULL,\r\n"
    "    [iperiod] tinyint,\r\n"
    "    [csign] varchar(10),\r\n"
    "    [ino_id] int,\r\n"
    "    [ccode] varchar(20),\r\n"
    "    [md] float,\r\n"
    "    [mc] float,\r\n"
    "    [coutsysname] varchar(50),\r\n"
    "    [coutsysver] varchar(50),\r\n"
    "    [coutno_id] varchar(50),\r\n"
    "    CONSTRAINT [PK_gl_accvouch] PRIMARY KEY ([i_id])\r\n"
    ") ON [PRIMARY]",
    "CREATE TABLE [dbo].[ProductStructureEx] (\r\n"
    "    [cPSPCode] varchar(20) NOT NULL,\r\n"
    "    [cDepCode] varchar(12),\r\n"
    "    CONSTRAINT [PK_ProductStructureEx] PRIMARY KEY ([cPSPCode])\r\n"
    ") ON [PRIMARY]",
    "CREATE TABLE [dbo].[CA_SPDF] (\r\n"
    "    [ID] int IDENTITY(1,1) NOT NULL,\r\n"
    "    [cnum] varchar(30),\r\n"
    "    [cuser] varchar(20),\r\n"
    "    [iperiod] tinyint,\r\n"
    "    [ddate] datetime,\r\n"
    "    [cdigest] varchar(60),\r\n"
    "    [cZWVoucherType] varchar(4),\r\n"
    "    [cBorCusID] varchar(12),\r\n"
    "    [cBorVenID] varchar(12),\r\n"
    "    [cLedCusID] varchar(12),\r\n"
    "    [cLedVenID] varchar(12)\r\n"
    ") ON [PRIMARY]",
    // Cost tables of the suite that the carry-over leaves alone but the key normalisation numbers.
    "CREATE TABLE [dbo].[CA_CONTROL] (\r\n"
    "    [cControlID] varchar(20),\r\n"
    "    [cValue] varchar(60)\r\n"
    ") ON [PRIMARY]",
    "CREATE TABLE [dbo].[CA_DaCPS] (\r\n"
    "    [cPPID] varchar(20),\r\n"
    "    [cBatch] varchar(10),\r\n"
    "    [dDate] datetime,\r\n"
    "    [iWasteQua] float,\r\n"
    "    [iQua] float\r\n"
    ") ON [PRIMARY]",
    "CREATE TABLE [dbo].[CA_DayTis] (\r\n"
    "    [cPPID] varchar(20),\r\n"
    "    [cBatch] varchar(10),\r\n"
    "    [dDate] datetime,\r\n"
    "    [iRealWkt] float\r\n"
    ") ON [PRIMARY]",
    "CREATE TABLE [dbo].[CA_DirMa] (\r\n"
    "    [cDeptID] varchar(12),\r\n"
    "    [iPeriod] tinyint,\r\n"
    "    [iDirectPay] float\r\n"
    ") ON [PRIMARY]",
    "CREATE TABLE [dbo].[CA_PPUDR] (\r\n"
    "    [cUSEPPID] varchar(20),\r\n"
    "    [cPPID] varchar(20),\r\n"
    "    [cBatch] varchar(10),\r\n"
    "    [dDate] datetime,\r\n"
    "    [iQua] float\r\n"
    ") ON [PRIMARY]",
    "CREATE TABLE [dbo].[CA_SAmoct] (\r\n"
    "    [cProcedureID] varchar(20),\r\n"
    "    [cAmoType] varchar(1),\r\n"
    "    [cAmoID] varchar(20),\r\n"
    "    [iPeriod] tinyint,\r\n"
    "    [iQua] float,\r\n"
    "    [iTotalAmo] float\r\n"
    ") ON [PRIMARY]",
};

// What release 8.50's upgrade adds to the cost tables, by table (lower case).
const std::set<std::pair<std::string, std::string>>& addedColumns() {
    static const std::set<std::pair<std::string, std::string>> kAdded{
        {"ca_amoct", "onpration"},           {"ca_idmac", "btype"},
        {"ca_allmt", "cmatselfdefmethod"},   {"ca_allmt", "cdirmselfdefmethod"},
        {"ca_allmt", "cauxselfdefmethod"},   {"ca_allmt", "cmauselfdefmethod"},
        {"ca_allmt", "cmatselfdefformula"},  {"ca_allmt", "cdirmselfdefformula"},
        {"ca_allmt", "cauxselfdefformula"},  {"ca_allmt", "cmauselfdefformula"},
        {"ca_enmmc", "cbatch"},              {"ca_cbsys", "istep"},
        {"ca_cbsys", "cmaudetailflag"},      {"ca_onpce", "cbatch"},
        {"ca_onpce", "ionpappmat"},          {"ca_onpce", "ionpappdirm"},
        {"ca_onpce", "ionpappaux"},          {"ca_onpce", "ionpappmau"},
        {"ca_onpce", "ionpappoth"},          {"ca_onpqu", "iquotmat"},
        {"ca_onpqu", "iquotdirm"},           {"ca_onpqu", "iquotaux"},
        {"ca_onpqu", "iquotmau"},            {"ca_onpqu", "iquototh"},
        {"ca_costcd", "cmauamoalomethod"},   {"ca_costcd", "cmauselfdefmethod"},
        {"ca_costcd", "cmauselfdefformula"}};
    return kAdded;
}

// Tables the upgrade creates.
const std::set<std::string> kAddedTables{"ca_menudef", "ca_distritem", "ca_distrinput", "ca_acr_detailmau"};

// Foreign keys on product codes as the server named them before the upgrade:
// the one whose name holds "cPPID" is rebuilt, the one with "cppid" is not.
constexpr const char* kServerNamedForeignKeys[] = {
    "alter table CA_OnPQu add constraint FK__CA_OnPQu__cPPID__2E1BDC42 foreign key (cPPID) references "
    "ProductStructureEx (cPSPCode)",
    "alter table CA_QUO add constraint FK__CA_QUO__cppid__300424B4 foreign key (cppid) references "
    "ProductStructureEx (cPSPCode)",
};

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    lines.push_back(text.substr(start));
    return lines;
}

// "[name] type..." -> name in lower case; "" for other lines.
std::string columnOf(const std::string& line) {
    auto open = line.find('[');
    if (open == std::string::npos || line.find_first_not_of(' ') != open) return {};
    return lowerCase(line.substr(open + 1, line.find(']', open) - open - 1));
}

// A CREATE TABLE without what the upgrade adds; empty when the upgrade creates the table.
std::string withoutAdditions(const std::string& sql) {
    auto lines = splitLines(sql);
    auto nameAt = lines[0].find("].[");
    std::string table = lowerCase(lines[0].substr(nameAt + 3, lines[0].find(']', nameAt + 3) - nameAt - 3));
    if (kAddedTables.count(table)) return {};
    std::vector<std::string> kept{lines.front()};
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        // The identity column autoid and its key come with the upgrade's key normalisation.
        bool identityKey = columnOf(line) == "autoid" || line.find("PRIMARY KEY NONCLUSTERED ([autoid])") != std::string::npos;
        if (identityKey || addedColumns().count({table, columnOf(line)})) continue;
        kept.push_back(line);
    }
    if (kept.back().back() == ',') kept.back().pop_back();
    kept.push_back(lines.back());
    std::string out;
    for (std::size_t i = 0; i < kept.size(); ++i) out += (i ? "\r\n" : "") + kept[i];
    return out;
}

}  // namespace

std::vector<std::string> suiteTables() { return {std::begin(kSuiteTables), std::end(kSuiteTables)}; }

const std::vector<std::string>& suiteTableNames() {
    static const std::vector<std::string> kNames{"Rpt_GlbDEF", "gl_accvouch", "ProductStructureEx", "CA_SPDF",
                                                 "CA_CONTROL", "CA_DaCPS",    "CA_DayTis",          "CA_DirMa",
                                                 "CA_PPUDR",   "CA_SAmoct"};
    return kNames;
}

std::vector<std::string> schemaBefore850(const std::vector<std::string>& schema850) {
    std::vector<std::string> out;
    for (const auto& sql : schema850) {
        if (sql.rfind("CREATE TABLE [dbo].", 0) == 0) {
            if (auto table = withoutAdditions(sql); !table.empty()) out.push_back(table);
        } else if (sql.find("idxmenu") == std::string::npos) {
            out.push_back(sql);
        }
    }
    for (const auto& sql : suiteTables()) out.push_back(sql);
    for (const char* sql : kServerNamedForeignKeys) out.emplace_back(sql);
    return out;
}

void fillSuiteTables(Connection& db, const std::string& year, int products) {
    db.exec("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < " +
            std::to_string(std::max(products, 1)) +
            ") INSERT INTO ProductStructureEx (cPSPCode, cDepCode) SELECT 'ppi' || printf('%05d', i),"
            " 'dep' || printf('%05d', i % 24) FROM n");
    // Two of the four reports whose field ids the upgrade fixes are in the catalogue.
    // Written below the engine, so the identity values are given; the engine's
    // counters continue after the highest.
    db.exec("INSERT INTO Rpt_GlbDEF (id, SystemID, Name, Type, Cols, IsBASE) VALUES"
            " (1, 'CA', '在产品成本汇总表', 79, 8, 1), (2, 'CA', '完工产品成本汇总表', 79, 8, 1),"
            " (3, 'GL', '科目汇总表', 10, 6, 1)");
    db.exec("INSERT INTO gl_accvouch (i_id, iperiod, csign, ino_id, ccode, md, mc, coutsysname, coutsysver, coutno_id)"
            " VALUES (1, 12, '记', 1, '5101', 1200.5, 0, 'CA', '8.21', 'CA0001'),"
            " (2, 12, '记', 1, '4105', 0, 1200.5, 'CA', '8.21', 'CA0001'),"
            " (3, 12, '记', 2, '1001', 300, 0, 'AP', '8.21', 'AP0002')");
    db.exec("INSERT INTO CA_SPDF (ID, cnum, cuser, iperiod, ddate, cdigest) VALUES"
            " (1, 'C1', 'demo', 12, '" + year + "-12-31 00:00:00.000', '结转制造费用'), (2, 'C2', 'demo', 12, '" + year +
            "-12-31 00:00:00.000', '结转完工产品')");
    db.exec("INSERT OR REPLACE INTO vantyr_identity (name, last) VALUES ('Rpt_GlbDEF', 3), ('gl_accvouch', 3), "
            "('CA_SPDF', 2)");
}

void fillUpgradeSamples(Connection& db) {
    db.exec("INSERT INTO CA_RptFLD (id, corder, crptname, name) VALUES"
            " (-1, '1', '在产品成本汇总表', '产品编码'), (-1, '2', '完工产品成本汇总表', '产品编码'),"
            " (-1, '3', '入库产品成本汇总表', '产品编码'), (-1, '4', '辅助服务成本汇总表', '部门')");
    db.exec("INSERT INTO CA_onpce (cppid, ionpapp, iperiod) VALUES ('ppi00000', 0.5, 0), ('ppi00001', 0.25, 0)");
    db.exec("INSERT INTO CA_OnPQu (cPPID, iQuot) VALUES ('ppi00000', 2), ('ppi00001', 3)");
    db.exec("INSERT INTO CA_IDMAC (coutid, coutname) VALUES ('R01', '产成品入库'), ('R02', '材料出库')");
    db.exec("INSERT INTO CA_PreDF (cProcedureID, cProcedureName, cUnit) VALUES ('P01', '装配', '0123456789'),"
            " ('P02', '包装', NULL), ('P03', '检验', '件')");
}

}  // namespace vantyr::platform::sqlite
