// The error funnel on real files: each statement failure gets the ordinary
// number with the server's number and wording, a foreign-key refusal of a
// delete 3200, and a failure of the storage or of the engine's own bookkeeping
// a storage number that names the file.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/sqlite/session.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {
namespace {

using platform::Error;
using platform::sqlite::Session;

class ErrorFunnelTest : public ::testing::Test {
protected:
    TempDirectory temp;
    platform::sqlite::DataDirectory directory{temp.path()};
    platform::sqlite::AccountYear db = directory.locate("001", "2005");
    Session session{directory};
    std::string schema;

    void SetUp() override {
        session.createDatabase(db);
        schema = session.attach(db);
        session.execute(schema, "CREATE TABLE P (code varchar(10) NOT NULL, CONSTRAINT [PK_P] PRIMARY KEY ([code]))");
        session.execute(schema, "CREATE TABLE C (id int NOT NULL, code varchar(10) NULL, "
                                "CONSTRAINT [FK_C] FOREIGN KEY ([code]) REFERENCES [P] ([code]))");
        session.execute(schema, "CREATE UNIQUE INDEX [IX_C] ON [C] ([id])");
        session.execute(schema, "insert into P (code) values ('a')");
        session.execute(schema, "insert into C (id, code) values (1, 'a')");
    }
    Error failure(const std::string& sql) {
        try {
            session.execute(schema, sql);
        } catch (const Error& e) {
            return e;
        }
        return Error(0, "no failure");
    }
};

struct StatementCase {
    const char* sql;
    long number;
    const char* wording;
};

TEST_F(ErrorFunnelTest, StatementFailuresCarryTheServersNumberAndWording) {
    const StatementCase cases[] = {
        {"insert into P (code) values ('a')", platform::kErrStatementFailed, "Msg 2627: Violation of PRIMARY KEY constraint"},
        {"insert into C (id, code) values (1, NULL)", platform::kErrStatementFailed, "Msg 2601: Cannot insert duplicate key row in object 'C'"},
        {"insert into P (code) values (NULL)", platform::kErrStatementFailed, "Msg 515: Cannot insert the value NULL into column 'code', table 'P'"},
        {"insert into C (id, code) values (2, 'zz')", platform::kErrStatementFailed, "Msg 547: The statement conflicted with a FOREIGN KEY constraint"},
        {"select * from Nowhere", platform::kErrStatementFailed, "Msg 208: Invalid object name 'Nowhere'."},
        {"update P set nocolumn = 1", platform::kErrStatementFailed, "Msg 207: Invalid column name 'nocolumn'."},
        {"delete from P", platform::kErrRelatedRecords, "related records"},
    };
    for (const auto& c : cases) {
        Error e = failure(c.sql);
        EXPECT_EQ(e.number(), c.number) << c.sql << ": " << e.description();
        EXPECT_NE(e.description().find(c.wording), std::string::npos) << c.sql << ": " << e.description();
        EXPECT_FALSE(platform::isStorageFailure(e.number())) << c.sql;
    }
    // Each failing statement left nothing behind.
    auto row = session.firstRow(schema, "select count(*) from P");
    EXPECT_EQ((*row.values)[0].toDouble(), 1);
}

TEST_F(ErrorFunnelTest, AFullFileIsAStorageFailureNamingItAndNothingIsKept) {
    session.begin();
    auto pages = session.connection().prepare("PRAGMA page_count");
    pages.step();
    session.connection().exec("PRAGMA max_page_count = " + pages.column(0).toText());
    Error e(0, "no failure");
    for (int i = 0; i < 5000 && e.number() == 0; ++i) e = failure("insert into P (code) values ('k" + std::to_string(i) + "')");
    EXPECT_EQ(e.number(), platform::kErrDiskFull) << e.description();
    EXPECT_NE(e.description().find("QXDATA_001_2005 (" + db.path.string() + ")"), std::string::npos) << e.description();
    EXPECT_NE(e.description().find("the disk is full"), std::string::npos) << e.description();
    session.rollback();
    auto row = session.firstRow(schema, "select count(*) from P");
    EXPECT_EQ((*row.values)[0].toDouble(), 1);
}

TEST_F(ErrorFunnelTest, AFailingCommitIsAStorageFailure) {
    session.begin();
    session.execute(schema, "insert into P (code) values ('b')");
    Probe reader(db.path);
    reader.exec("BEGIN");
    reader.count("select count(*) from P");
    session.connection().exec("PRAGMA busy_timeout = 50");
    try {
        session.commit();
        FAIL() << "the commit went through under a reader";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), platform::kErrLocked) << e.description();
        EXPECT_NE(e.description().find("The changes could not be committed"), std::string::npos) << e.description();
        EXPECT_NE(e.description().find(db.path.string()), std::string::npos) << e.description();
    }
    reader.exec("ROLLBACK");
    session.rollback();
    auto row = session.firstRow(schema, "select count(*) from P");
    EXPECT_EQ((*row.values)[0].toDouble(), 1);
}

}  // namespace
}  // namespace vantyr::testing
