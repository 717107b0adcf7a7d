// Release 8.50's upgrade on real account-year files of the embedded engine:
// a current year at the schema before 8.50 gets what the copy names, its data
// fixes, report rows, work tables and keys; a second run changes nothing; the
// carry-over that follows commits and carries every table.
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "platform/error.h"
#include "tests/support/engine_fixture.h"
#include "upgrade/key_normalisation.h"

namespace vantyr::testing {
namespace {

class UpgradeEngineTest : public DemoFixture {
protected:
    void makeEarlierDemo(int periodRows = 12) {
        platform::sqlite::DemoOptions options;
        options.release861 = false;
        options.before850 = true;
        options.periodRows = periodRows;
        platform::sqlite::createDemo(directory, options);
    }
    // The table models, each with its constraints in name order (a key dropped and added
    // again by a repeated upgrade comes back at the end of the list, as on the server).
    std::string catalogue() {
        std::ostringstream out;
        platform::sqlite::Connection db(file("2005").string(), false);
        auto st = db.prepare("select name, definition from vantyr_tables order by name");
        while (st.step()) {
            auto model = nlohmann::json::parse(st.column(1).toText());
            auto& constraints = model["constraints"];
            std::sort(constraints.begin(), constraints.end(),
                      [](const nlohmann::json& a, const nlohmann::json& b) { return a["name"] < b["name"]; });
            out << st.column(0).toText() << "=" << model.dump() << "\n";
        }
        return out.str();
    }
    std::int64_t count(const std::string& sql) { return cur().count(sql); }
};

// One earlier-schema year upgraded twice: what the first run adds and fixes,
// and that the second leaves the schema as it was.
TEST_F(UpgradeEngineTest, FirstRunBringsTheSchemaTo850AndASecondRunChangesNothing) {
    makeEarlierDemo();
    EXPECT_EQ(count("select count(*) from pragma_table_info('CA_amoct') where name = 'onpration'"), 0);
    upgradeAlone();
    // Columns, tables and the menu index.
    EXPECT_EQ(count("select count(*) from pragma_table_info('CA_amoct') where name = 'OnpRation'"), 1);
    EXPECT_EQ(count("select count(*) from pragma_table_info('CA_ALLMT') where name like 'c%SelfDef%'"), 8);
    EXPECT_EQ(count("select count(*) from pragma_table_info('CA_onpce') where name like 'iOnPApp_%'"), 5);
    EXPECT_EQ(count("select count(*) from pragma_table_info('CA_OnPQu') where name like 'iQuot_%'"), 5);
    EXPECT_EQ(count("select count(*) from pragma_table_info('CA_CostCD') where name like 'cMau%'"), 3);
    EXPECT_EQ(count("select count(*) from pragma_table_info('CA_cbsys') where name in ('iStep', 'cMauDetailFlag')"), 2);
    EXPECT_EQ(count("select count(*) from pragma_table_info('CA_DistrInput')"), 20);
    for (const char* table : {"CA_MenuDef", "CA_DistrItem", "CA_DistrInput", "Ca_ACR_DetailMau"})
        EXPECT_EQ(count(std::string("select count(*) from vantyr_tables where name = '") + table + "'"), 1) << table;
    EXPECT_EQ(count("select count(*) from sysindexes where name = 'idxmenu'"), 1);
    EXPECT_EQ(count("select count(*) from CA_MenuDef where cNewMenu is null"), 3);
    EXPECT_EQ(count("select count(*) from sysobjects where name = 'caonpce_c1'"), 1);
    // Data fixes on the rows already there.
    EXPECT_EQ(count("select count(*) from CA_onpce where iOnPAppMat = ionpapp and iOnPAppDirm = ionpapp and "
                    "iOnPAppAux = ionpapp and iOnPAppMau = ionpapp and iOnPAppOth = ionpapp"), 2);
    EXPECT_EQ(count("select count(*) from CA_OnPQu where iQuotMat = iQuot and iQuotOth = iQuot"), 2);
    EXPECT_EQ(count("select count(*) from CA_IDMAC where bType = 0"), 2);
    EXPECT_EQ(count("select count(*) from CA_RptFLD f join Rpt_GlbDEF r on r.id = f.id and r.Name = f.crptname"), 2);
    EXPECT_EQ(count("select count(*) from CA_RptFLD where id = 0"), 2);
    EXPECT_EQ(count("select count(*) from gl_accvouch where coutsysver is null"), 2);
    EXPECT_EQ(cur().value("select coutsysver from gl_accvouch where coutsysname = 'AP'").toText(), "8.21");
    // Report rows and work tables.
    // The four batch report definitions and the merged one.
    EXPECT_EQ(count("select count(*) from Rpt_GlbDEF where SystemID = 'CA' and Cols = 10 and IsBASE = 1"), 5);
    EXPECT_EQ(count("select count(*) from Rpt_GlbDEF where Name = '完工产品成本台账' and Type = 79"), 1);
    EXPECT_EQ(count("select count(*) from pragma_table_info('CA_RptHZBTmp')"), 13);
    EXPECT_EQ(count("select count(*) from pragma_table_info('ca_bmmx_tmp')"), 21);
    // Keys: autoid and PK_ on all 44 tables, the two clustered keys, existing rows numbered.
    for (const auto& table : upgrade::identityKeyTables()) {
        EXPECT_EQ(count("select count(*) from pragma_table_info('" + table + "') where name = 'autoid'"), 1) << table;
        EXPECT_EQ(count("select count(*) from sysobjects where xtype = 'PK' and name = 'PK_" + table + "'"), 1) << table;
    }
    EXPECT_EQ(count("select count(*) from sysobjects where name in ('PK_CA_DistrItem', 'PK_CA_SPDF')"), 2);
    EXPECT_EQ(count("select count(distinct autoid) from CA_onpce where autoid is not null"), 2);
    // The server-named product key with "cPPID" is replaced; the one with "cppid" stays.
    EXPECT_EQ(count("select count(*) from sysobjects where name = 'FK__CA_OnPQu__cPPID__2E1BDC42'"), 0);
    EXPECT_EQ(count("select count(*) from sysobjects o join sysobjects p on p.id = o.parent_obj "
                    "where o.xtype = 'F' and p.name = 'CA_OnPQu'"), 1);
    EXPECT_EQ(count("select count(*) from sysobjects where name = 'FK__CA_QUO__cppid__300424B4'"), 1);

    // Second run: same catalogue, no new report or menu rows, work tables emptied, ratios set again.
    std::string first = catalogue();
    cur().exec("insert into ca_batchmx_tmp (CPPid) values ('x'); insert into CA_RptHZBTmp (mode) values (1);"
               "update CA_onpce set iOnPAppMat = 9");
    upgradeAlone();
    EXPECT_EQ(catalogue(), first);
    EXPECT_EQ(count("select count(*) from CA_MenuDef"), 3);
    EXPECT_EQ(count("select count(*) from Rpt_GlbDEF where SystemID = 'CA' and Cols = 10"), 5);
    for (const char* table : {"ca_batchmx_tmp", "ca_batchmxhy_tmp", "ca_batchmxhy_tmp1", "ca_bmmx_tmp", "CA_RptHZBTmp"})
        EXPECT_EQ(count(std::string("select count(*) from ") + table), 0) << table;
    EXPECT_EQ(count("select count(*) from CA_onpce where iOnPAppMat = 9"), 0);
    EXPECT_EQ(cur().value("select cvalue from accinformation where cid = '18'").toText(), "8500000");
    // The default bound to CA_SPDF.cuser (written through the engine, which fills it; the voucher
    // trigger, which the engine only stores, is dropped first).
    {
        platform::sqlite::Session session(directory);
        std::string s = session.attach(directory.locate("001", "2005"));
        session.execute(s, "if exists (select * from sysobjects where name = 'catg_vouchnum') drop trigger catg_vouchnum");
        session.execute(s, "insert into CA_SPDF (cnum) values ('X')");
    }
    EXPECT_EQ(cur().value("select cuser from CA_SPDF where cnum = 'X'").toText(), "");
}

TEST_F(UpgradeEngineTest, VersionRowStampedAsText) {
    makeDemo(Release::V850, 12);
    auto version = [&] { return cur().value("select cvalue from accinformation where csysid = 'CA' and cname = 'Version'"); };
    cur().exec("delete from accinformation where cid = '18'");
    upgradeAlone();
    EXPECT_EQ(cur().value("select cSysID || '/' || cID || '/' || cName || '/' || cCaption || '/' || cType || '/' || cvalue"
                          " || '/' || cDefault || '/' || bVisible || '/' || bEnable from accinformation where cid = '18'")
                  .toText(),
              "CA/18/Version/版本/Text/8500000/8500000/1/1");
    struct Case {
        const char* stored;   // null: Null
        const char* after;
    };
    for (Case c : {Case{"7000000", "8500000"}, Case{"861", "861"}, Case{"10000000", "8500000"}, Case{nullptr, nullptr},
                   Case{"8610000", "8610000"}}) {
        cur().exec(std::string("update accinformation set cvalue = ") + (c.stored ? std::string("'") + c.stored + "'" : "NULL") +
                   ", cDefault = '7' where cid = '18'");
        upgradeAlone();
        if (c.after) EXPECT_EQ(version().toText(), c.after) << (c.stored ? c.stored : "Null");
        else EXPECT_TRUE(version().isNull());
        EXPECT_EQ(cur().value("select cDefault from accinformation where cid = '18'").toText(), "7");
    }
}

TEST_F(UpgradeEngineTest, ProcessUnitsAreCutToEightCharacters) {
    makeEarlierDemo();
    upgradeAlone();
    EXPECT_EQ(cur().value("select cUnit from CA_PreDF where cProcedureID = 'P01'").toText(), "01234567");
    EXPECT_TRUE(cur().value("select cUnit from CA_PreDF where cProcedureID = 'P02'").isNull());
}

TEST_F(UpgradeEngineTest, CarryOverIntoTheEarlierSchemaCommitsAndCarriesEveryTable) {
    makeEarlierDemo();
    EngineRun earlier = carryOver(Release::V850);
    ASSERT_TRUE(earlier.result) << earlier.messages;
    std::map<std::string, std::int64_t> counts;
    Probe c = cur();
    std::vector<std::string> tables;
    {
        platform::sqlite::Connection db(file("2004").string(), false);
        auto st = db.prepare("select name from vantyr_tables where name like 'CA%' order by name");
        while (st.step()) tables.push_back(st.column(0).toText());
    }
    // Tables the upgrade removes (CA_UserProperty) are left out of the comparison.
    std::erase_if(tables, [&](const std::string& t) {
        return c.count("select count(*) from vantyr_tables where name = '" + t + "'") == 0;
    });
    for (const auto& t : tables) counts[t] = c.count("select count(*) from \"" + t + "\"");
    EXPECT_EQ(c.value("select cvalue from accinformation where cid = '18'").toText(), "8000000");
    // The same carry-over into a year already at 8.50's schema carries the same rows.
    std::filesystem::remove(file("2004"));
    std::filesystem::remove(file("2005"));
    makeDemo(Release::V850, 12);
    EngineRun current = carryOver(Release::V850);
    ASSERT_TRUE(current.result) << current.messages;
    Probe c850 = cur();
    for (const auto& t : tables) {
        if (t == "CA_SPDF") continue;  // a suite table: not carried
        EXPECT_EQ(counts[t], c850.count("select count(*) from \"" + t + "\"")) << t;
    }
    EXPECT_GT(counts["CA_amoct"], 0);
    EXPECT_GT(counts["CA_DistrInput"], 0);
}

TEST_F(UpgradeEngineTest, RolledBackCarryOverKeepsTheStamp) {
    makeEarlierDemo();
    {
        platform::sqlite::Session session(directory);
        std::string s = session.attach(directory.locate("001", "2005"));
        session.execute(s, "insert into ca_pronb (cbatch, cppid, bcompmark) values ('B1', 'P1', 0)");
        session.execute(s, "ALTER TABLE CA_PRONB ADD CONSTRAINT UQ_PRONB_BATCH UNIQUE (cbatch)");
        session.execute(s, "DROP TABLE RdRecords");  // the suite's receipt lines, here referring to batches
        session.execute(s, "CREATE TABLE RdRecords (id int NOT NULL, cbatch varchar(10) NULL, "
                           "CONSTRAINT FK_RdRecords_pronb FOREIGN KEY (cbatch) REFERENCES CA_PRONB (cbatch))");
        session.execute(s, "insert into RdRecords (id, cbatch) values (1, 'B1')");
    }
    EngineRun run = carryOver(Release::V850);
    EXPECT_FALSE(run.result);
    EXPECT_EQ(cur().value("select cvalue from accinformation where cid = '18'").toText(), "8500000");
    // The upgrade is not undone: its columns stay.
    EXPECT_EQ(count("select count(*) from pragma_table_info('CA_amoct') where name = 'OnpRation'"), 1);
}

// A platform whose ADO objects cannot be created.
class NoAdo : public platform::Platform {
public:
    explicit NoAdo(platform::Platform& inner) : inner_(inner) {}
    std::unique_ptr<platform::Database> CreateDatabase() override { return inner_.CreateDatabase(); }
    platform::TransactionEngine& ThreadTransactionEngine() override { return inner_.ThreadTransactionEngine(); }
    platform::MessageService& ThreadMessageService() override { return inner_.ThreadMessageService(); }
    platform::MessageBox& PlatformMessageBox() override { return inner_.PlatformMessageBox(); }
    std::unique_ptr<platform::AdoConnection> CreateAdoConnection() override {
        throw platform::Error(-2147221164, "Class not registered");
    }
    std::unique_ptr<platform::AdoRecordset> CreateAdoRecordset() override {
        throw platform::Error(-2147221164, "Class not registered");
    }

private:
    platform::Platform& inner_;
};

TEST_F(UpgradeEngineTest, UnusableConnectionIsASilentNoOpAndTheCarryOverProceeds) {
    makeDemo(Release::V850, 12);
    std::ostringstream messages, trace;
    std::istringstream none;
    cli::ConsoleMessages console("en", cli::Confirm::Yes, messages, none, false);
    platform::sqlite::SqlitePlatform sqlite(directory, console, console);
    NoAdo platform(sqlite);
    shell::endyear component(Release::V850, platform);
    component.caLogin(std::make_shared<platform::sqlite::SqliteLogin>(directory, "001", "2005"));
    platform::TraceWriter writer(&trace);
    component.setObserver(&writer);
    EXPECT_TRUE(component.subYearend()) << messages.str();
    EXPECT_EQ(trace.str().find("\"object\":\"Upgrade\""), std::string::npos);
}

TEST_F(UpgradeEngineTest, DryRunPlansTheUpgradeAndRunsItsReads) {
    makeEarlierDemo();
    std::string before = cur().dump();
    EngineRun plan = carryOver(Release::V850, true, platform::SendMode::Plan);
    EXPECT_EQ(cur().dump(), before);
    EXPECT_NE(plan.trace.find("\"object\":\"Upgrade\",\"option\":null,\"text\":\"alter table CA_Amoct add OnpRation "
                              "float default 0 not null \",\"outcome\":\"planned\""),
              std::string::npos);
    EXPECT_NE(plan.trace.find("\"text\":\"select count(*) from rpt_glbdef where systemid='CA' and Name like '批次%'\","
                              "\"read\":true,\"outcome\":\"done\""),
              std::string::npos);
}

}  // namespace
}  // namespace vantyr::testing
