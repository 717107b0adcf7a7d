// The embedded engine's ADO objects: a connection of its own opened from the
// connection string of a database object, and a recordset that changes its
// first row or adds one, as a version stamp needs.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {
namespace {

class AdoTest : public DemoFixture {
protected:
    std::ostringstream sink;
    std::istringstream none;
    cli::ConsoleMessages console{"en", cli::Confirm::Yes, sink, none, false};
    platform::sqlite::SqlitePlatform platform{directory, console, console};

    std::unique_ptr<platform::AdoConnection> openCurrentYear() {
        auto db = platform.CreateDatabase();
        db->Open("0012005");
        auto given = db->UnderlyingConnection();
        auto own = platform.CreateAdoConnection();
        own->Open(given->ConnectionString());
        return own;
    }
    std::unique_ptr<platform::AdoRecordset> versionRow(platform::AdoConnection& connection) {
        auto rs = platform.CreateAdoRecordset();
        rs->SetCursorLocation(platform::kAdUseClient);
        rs->SetCursorType(platform::kAdOpenDynamic);
        rs->SetLockType(platform::kAdLockOptimistic);
        rs->Open("select * from accinformation where csysid='CA' and cname='Version'", connection);
        return rs;
    }
};

TEST_F(AdoTest, ChangesTheFirstRowOnItsOwnConnection) {
    makeDemo(Release::V850, 12);
    auto connection = openCurrentYear();
    auto rs = versionRow(*connection);
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Field("CVALUE").toText(), "8000000");
    rs->SetField("cvalue", platform::Value("8500000"));
    rs->Update();
    rs->Close();
    // Committed on its own: another connection sees it.
    EXPECT_EQ(cur().value("select cvalue from accinformation where cid = '18'").toText(), "8500000");
    EXPECT_EQ(cur().value("select cDefault from accinformation where cid = '18'").toText(), "8000000");
}

TEST_F(AdoTest, AddsARowWhenThereIsNone) {
    makeDemo(Release::V850, 12);
    cur().exec("delete from accinformation where cid = '18'");
    auto connection = openCurrentYear();
    auto rs = versionRow(*connection);
    ASSERT_TRUE(rs->Eof());
    rs->AddNew();
    for (auto [name, value] : std::vector<std::pair<std::string, platform::Value>>{
             {"cSysID", "CA"}, {"cID", "18"}, {"cName", "Version"}, {"cCaption", "版本"}, {"cType", "Text"},
             {"cvalue", "8500000"}, {"cDefault", "8500000"}, {"bVisible", true}, {"bEnable", true}})
        rs->SetField(name, value);
    rs->Update();
    EXPECT_EQ(cur().value("select cCaption || '/' || cvalue || '/' || bVisible from accinformation where cid = '18'").toText(),
              "版本/8500000/1");
}

TEST_F(AdoTest, ReadOnlyRecordsetsAndStatementsOnTheConnection) {
    makeDemo(Release::V850, 12);
    auto connection = openCurrentYear();
    auto rs = platform.CreateAdoRecordset();
    rs->Open("select count(*) as n from ca_cbsys", *connection, platform::kAdOpenForwardOnly, platform::kAdLockReadOnly);
    EXPECT_EQ(rs->Field("n").toDouble(), 0);
    EXPECT_THROW(rs->AddNew(), platform::Error);
    connection->Execute("alter table CA_Amoct add OnpRation2 float default 0 not null ");
    EXPECT_EQ(cur().count("select count(*) from pragma_table_info('CA_AmoCt') where name = 'OnpRation2'"), 1);
    auto closed = platform.CreateAdoConnection();
    EXPECT_THROW(closed->Execute("select 1"), platform::Error);
    EXPECT_THROW(closed->Open("Provider=SQLOLEDB;Data Source=elsewhere"), platform::Error);
}

// The platform's connection works on the session that has the year open; it
// still behaves as a connection of its own.
TEST_F(AdoTest, SharingTheSessionKeepsTheConnectionsOwnSettingsAndCommits) {
    makeDemo(Release::V850, 12);
    auto db = platform.CreateDatabase();
    db->Open("0012005");
    auto connection = platform.CreateAdoConnection();
    connection->Open(db->UnderlyingConnection()->ConnectionString());
    connection->Execute("create table idt (id int identity(1,1) not null, x varchar(10) null)");
    connection->Execute("SET IDENTITY_INSERT idt ON");
    connection->Execute("insert into idt (id, x) values (10, 'a')");
    // IDENTITY_INSERT is the connection's: the database object's statements are refused an explicit value
    EXPECT_THROW(db->Execute("insert into idt (id, x) values (20, 'b')", std::nullopt), platform::Error);
    db->Execute("insert into idt (x) values ('c')", std::nullopt);
    connection->Execute("insert into idt (id, x) values (30, 'd')");
    EXPECT_EQ(cur().value("select group_concat(id || x, ',') from (select id, x from idt order by id)").toText(), "10a,11c,30d");

    // while the session holds a transaction, the connection does not join
    // it: it works on a session of its own, which waits for the file's lock
    // as a second connection does, and says so when the wait runs out
    platform::sqlite::DataDirectory quick{temp.path(), {"", 200}};
    platform::sqlite::SqlitePlatform second{quick, console, console};
    auto year = second.CreateDatabase();
    year->Open("0012005");
    auto other = second.CreateAdoConnection();
    other->Open(year->UnderlyingConnection()->ConnectionString());
    auto& transactions = second.ThreadTransactionEngine();
    transactions.BeginTrans();
    year->Execute("delete from idt where id = 10", std::nullopt);
    try {
        other->Execute("update idt set x = 'e' where id = 30");
        ADD_FAILURE() << "the statement ran inside the session's transaction";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::kErrLocked) << e.description();
    }
    transactions.Rollback();
    EXPECT_EQ(cur().count("select count(*) from idt"), 3);
}

}  // namespace
}  // namespace vantyr::testing
