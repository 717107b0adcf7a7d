// Sample rows of the report source tables, derived from the year's cost rows
// so that the reports join: every product and material code of CA_AmoCt is
// an inventory item, every department code a department, every product has
// a structure, plan figures and a stock receipt.
#include "platform/sqlite/connection.h"
#include "platform/sqlite/report_source_tables.h"
#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

// The master tables, copied into the other years.
constexpr const char* kMasters[] = {"Inventory", "InventoryClass", "ComputationUnit", "Department", "productstructure",
                                    "RD_Style", "WA_account", "aa_holdauth", "CAQ_PlanAmount", "CA_Q_PlanC"};
constexpr const char* kYearly[] = {"RdRecord", "RdRecords", "CA_SAmoct", "CA_DirMa"};

constexpr const char* kRows[] = {
    // Labour cost rows carry the labour item (empty id); every seventh row finished nothing.
    "UPDATE CA_AmoCt SET cAmoID = '' WHERE cAmotype = '1'",
    "UPDATE CA_AmoCt SET iFinqua = 0 WHERE autoid % 7 = 0",
    "INSERT INTO InventoryClass VALUES ('01', '产成品'), ('02', '原材料')",
    "INSERT INTO ComputationUnit VALUES ('01', '件'), ('02', '千克')",
    "INSERT INTO Inventory SELECT DISTINCT cPPID, '产品' || cPPID, 'P-' || substr(cPPID, -2), 100, '01', '01' "
    "FROM CA_AmoCt",
    "INSERT INTO Inventory SELECT DISTINCT cAmoID, '材料' || cAmoID, 'M-' || substr(cAmoID, -2), 10, '02', '02' "
    "FROM CA_AmoCt WHERE cAmotype = '0' AND cAmoID NOT IN (SELECT cInvCode FROM Inventory)",
    "INSERT INTO Department SELECT DISTINCT cDeptID, '部门' || cDeptID FROM (SELECT cDeptID FROM CA_MaBSW UNION "
    "SELECT cDeptID FROM CA_ManCt UNION SELECT cDeptID FROM CA_AssCW UNION SELECT cDeptID FROM CA_OnLia UNION SELECT "
    "'D01') WHERE cDeptID IS NOT NULL",
    "INSERT INTO productstructure SELECT DISTINCT cPPID, 'D01' FROM CA_AmoCt",
    "INSERT INTO RD_Style VALUES ('11', '材料出库', 0, 1), ('12', '车间领料', 0, 1), ('01', '产成品入库', 1, 1)",
    "INSERT INTO WA_account VALUES ('01', '一级工资'), ('02', '二级工资')",
    "INSERT INTO aa_holdauth VALUES ('demo', 'department', 'D01')",
    "INSERT INTO CAQ_PlanAmount SELECT DISTINCT cPPID, 120 FROM CA_AmoCt",
    "INSERT INTO CA_Q_PlanC SELECT DISTINCT cPPID, cAmotype, 30 FROM CA_AmoCt",
    "INSERT INTO RdRecord SELECT row_number() OVER (ORDER BY cPPID), '01', NULL, '10', '2004-06-15' FROM (SELECT "
    "DISTINCT cPPID FROM CA_AmoCt)",
    "INSERT INTO RdRecords SELECT row_number() OVER (ORDER BY cPPID), row_number() OVER (ORDER BY cPPID), cPPID, 5 FROM "
    "(SELECT DISTINCT cPPID FROM CA_AmoCt)",
    "INSERT INTO CA_SAmoct SELECT cProcedureID, '0', cProcedureID, 10, 250, p.n FROM CA_PreDF, (SELECT DISTINCT iPeriod "
    "AS n FROM CA_AmoCt) p",
    "INSERT INTO CA_DirMa SELECT cDepCode, 1000, p.n FROM Department, (SELECT DISTINCT iPeriod AS n FROM CA_AmoCt) p",
};

bool tableExists(Connection& db, const std::string& schema, const std::string& table) {
    auto st = db.prepare("SELECT 1 FROM " + quoteName(schema) + ".sqlite_master WHERE type = 'table' AND name = ? "
                         "COLLATE NOCASE");
    st.bind(1, Value(table));
    return st.step();
}

// The extended product structure is defined with the suite's report tables,
// not here: when it is there and its product and department columns can be
// filled from productstructure, it gets the products it lacks (the rows it
// had stay: other tables' product keys may refer to them); when the insert is
// refused (a table of another shape), it keeps the rows it had.
void fillExtendedStructure(Connection& db, const std::string& schema) {
    if (!tableExists(db, schema, "ProductStructureEx")) return;
    const std::string table = quoteName(schema) + ".ProductStructureEx";
    db.exec("SAVEPOINT extended_structure");
    try {
        db.exec("INSERT INTO " + table + " (cPSPCode, cDepCode) SELECT cPSPCode, cDepCode FROM main.productstructure "
                "WHERE cPSPCode NOT IN (SELECT cPSPCode FROM " + table + ")");
    } catch (const SqliteFailure&) {
        db.exec("ROLLBACK TO extended_structure");
    }
    db.exec("RELEASE extended_structure");
}

}  // namespace

void fillReportSources(const DataDirectory& directory, const std::string& account, const std::string& year,
                       const std::vector<std::string>& otherYears) {
    Connection db(directory.locate(account, year).path.string(), false);
    db.exec("BEGIN");
    for (const char* t : kMasters) db.exec(std::string("DELETE FROM ") + quoteName(t));
    for (const char* t : kYearly) db.exec(std::string("DELETE FROM ") + quoteName(t));
    for (const char* sql : kRows) db.exec(sql);
    fillExtendedStructure(db, "main");
    db.exec("COMMIT");
    for (const auto& other : otherYears) {
        db.exec("ATTACH DATABASE " + quoteText(directory.locate(account, other).path.string()) + " AS other");
        db.exec("BEGIN");
        for (const char* t : kMasters) {
            if (!tableExists(db, "other", t)) continue;
            db.exec(std::string("DELETE FROM other.") + quoteName(t) + "; INSERT INTO other." + quoteName(t) +
                    " SELECT * FROM main." + quoteName(t));
        }
        fillExtendedStructure(db, "other");
        db.exec("COMMIT");
        db.exec("DETACH DATABASE other");
    }
}

}  // namespace vantyr::platform::sqlite
