// The embedded engine on real files: the SQL Server forms the component sends,
// their catalogue effects and the errors they raise.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/sqlite/session.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {
namespace {

using platform::Error;
using platform::sqlite::AccountYear;
using platform::sqlite::Session;

class EngineTest : public ::testing::Test {
protected:
    TempDirectory temp;
    platform::sqlite::DataDirectory directory{temp.path()};
    AccountYear prevDb = directory.locate("001", "2004");
    AccountYear curDb = directory.locate("001", "2005");
    Session session{directory};
    std::string prev, cur;

    void SetUp() override {
        session.createDatabase(prevDb);
        session.createDatabase(curDb);
        prev = session.attach(prevDb);
        cur = session.attach(curDb);
        for (const auto& schema : {prev, cur}) {
            session.execute(schema, "CREATE TABLE [dbo].[T] ([id] int IDENTITY(1,1) NOT NULL, [code] varchar(10) NOT NULL, "
                                    "[amount] float DEFAULT 0 NOT NULL, [note] varchar(20) NULL) ON [PRIMARY]");
            session.execute(schema, "CREATE TABLE S (code varchar(10) NOT NULL, qty float NULL, "
                                    "CONSTRAINT [PK_S] PRIMARY KEY NONCLUSTERED ([code]))");
        }
        session.execute(prev, "insert into T (code, amount, note) values (N'a', 1, 'x'), (N'b', 2, NULL), ('C', 3, 'z')");
    }
    long failure(const std::string& schema, const std::string& sql) {
        try {
            session.execute(schema, sql);
        } catch (const Error& e) {
            lastError = e.description();
            return e.number();
        }
        return 0;
    }
    std::int64_t count(const std::string& schema, const std::string& table) {
        auto row = session.firstRow(schema, "select count(*) from " + table);
        return static_cast<std::int64_t>((*row.values)[0].toDouble());
    }
    std::string lastError;
};

TEST_F(EngineTest, ThreePartNamesReachTheOtherDatabaseAndPlainNamesStayHome) {
    auto rows = session.execute(prev, "insert into QXDATA_001_2005..T (code, amount) select code, amount from t ");
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(count(cur, "T"), 3);
    EXPECT_EQ(count(prev, "T"), 3);
    // Copied rows are numbered afresh by the identity column of the target.
    auto row = session.firstRow(cur, "select max(id) from T");
    EXPECT_EQ((*row.values)[0].toDouble(), 3);
}

TEST_F(EngineTest, TextComparesWithoutRegardToCaseAndNationalLiteralsWork) {
    auto row = session.firstRow(prev, "select count(*) from [dbo].[t] where CODE=N'c'");
    EXPECT_EQ((*row.values)[0].toDouble(), 1);
}

TEST_F(EngineTest, IdentityValuesNeedTheSwitch) {
    EXPECT_EQ(failure(prev, "insert into QXDATA_001_2005..T (id, code) select id, code from T "), platform::kErrStatementFailed);
    EXPECT_NE(lastError.find("IDENTITY_INSERT is set to OFF"), std::string::npos);
    EXPECT_EQ(count(cur, "T"), 0);
    session.execute(prev, "SET IDENTITY_INSERT QXDATA_001_2005..T ON \r\ninsert into QXDATA_001_2005..T(id,code) select id,code from T \r\n"
                          "SET IDENTITY_INSERT QXDATA_001_2005..T OFF");
    EXPECT_EQ(count(cur, "T"), 3);
    // The switch is off again: the next explicit value is refused once more.
    EXPECT_NE(failure(prev, "insert into QXDATA_001_2005..T (id, code) select id + 10, code from T "), 0);
    // A new row continues after the highest value.
    session.execute(cur, "insert into T (code) values ('d')");
    EXPECT_EQ((*session.firstRow(cur, "select max(id) from T").values)[0].toDouble(), 4);
}

TEST_F(EngineTest, InsertWithoutColumnListIntoAnIdentityTableIsRefused) {
    EXPECT_EQ(failure(prev, "insert into QXDATA_001_2005..T select * from T "), platform::kErrStatementFailed);
    EXPECT_NE(lastError.find("column list"), std::string::npos);
}

TEST_F(EngineTest, SelectIntoCopiesColumnsIdentityAndRowsButNoDefaults) {
    session.execute(prev, "drop table QXDATA_001_2005..T");
    session.execute(prev, "select * into QXDATA_001_2005..T from T ");
    EXPECT_EQ(count(cur, "T"), 3);
    auto definition = session.tableDefinition(cur, "t");
    EXPECT_EQ(definition.fields, (std::vector<std::string>{"id", "code", "amount", "note"}));
    // The identity travelled; the default did not, so a default can be added again.
    session.execute(cur, "alter table t add constraint default_amount default 0 for amount");
    EXPECT_EQ(failure(cur, "alter table t add constraint default_amount2 default 1 for amount"), platform::kErrStatementFailed);
    EXPECT_NE(lastError.find("already has a DEFAULT"), std::string::npos);
    EXPECT_EQ(failure(cur, "alter table t add constraint df_id default 1 for id"), platform::kErrStatementFailed);
    session.execute(cur, "insert into T (code) values ('n')");
    EXPECT_EQ((*session.firstRow(cur, "select amount from T where code = 'n'").values)[0].toDouble(), 0);
}

TEST_F(EngineTest, SelectTopZeroIntoMakesAnEmptyTable) {
    session.execute(prev, "drop table QXDATA_001_2005..T");
    session.execute(prev, "select top 0 * into QXDATA_001_2005..T from T ");
    EXPECT_EQ(count(cur, "T"), 0);
    EXPECT_EQ(session.tableDefinition(cur, "T").FieldCount(), 4);
}

// A file that is only read keeps a small page cache; the first statement
// that writes a file gives it SQLite's own cache back, before it runs.
TEST_F(EngineTest, AFileGetsItsWholePageCacheWhenAStatementWritesIt) {
    Session fresh{directory};
    std::string p = fresh.attach(prevDb), c = fresh.attach(curDb);
    auto cacheOf = [&](const std::string& schema) {
        auto st = fresh.connection().prepare("PRAGMA \"" + schema + "\".cache_size");
        EXPECT_TRUE(st.step());
        return st.column(0).toDouble();
    };
    auto sqliteDefault = [&] {
        platform::sqlite::Connection plain(prevDb.path.string(), false);
        auto st = plain.prepare("PRAGMA cache_size");
        EXPECT_TRUE(st.step());
        return st.column(0).toDouble();
    }();
    EXPECT_LT(cacheOf(p), 0);
    EXPECT_GT(cacheOf(p), sqliteDefault);   // negative, in KiB: fewer than SQLite's
    fresh.firstRow(p, "select count(*) from T");
    fresh.execute(p, "insert into QXDATA_001_2005..T (code) select code from T");
    EXPECT_EQ(cacheOf(c), sqliteDefault);
    EXPECT_NE(cacheOf(p), sqliteDefault);   // read, never written
    fresh.execute(p, "delete from S");
    EXPECT_EQ(cacheOf(p), sqliteDefault);
}

TEST_F(EngineTest, DroppingAMissingTableFailsAsAStatementFailure) {
    EXPECT_EQ(failure(prev, "drop table QXDATA_001_2005..Nowhere"), platform::kErrStatementFailed);
    EXPECT_NE(lastError.find("does not exist"), std::string::npos);
}

TEST_F(EngineTest, PrimaryKeyOnDuplicatesFailsAndLeavesTheTableAsItWas) {
    session.execute(cur, "insert into T (code) values ('a'), ('a')");
    EXPECT_EQ(failure(cur, "ALTER TABLE [dbo].[T] WITH NOCHECK ADD \r\nCONSTRAINT [PK_T] PRIMARY KEY  NONCLUSTERED\r\n(\r\n    [code]\r\n)  "),
              platform::kErrStatementFailed);
    EXPECT_EQ(count(cur, "T"), 2);
    EXPECT_EQ(count(cur, "sysobjects where name = 'PK_T'"), 0);
    session.execute(cur, "delete from T where id = 2");
    session.execute(cur, "ALTER TABLE [dbo].[T] WITH NOCHECK ADD CONSTRAINT [PK_T] PRIMARY KEY NONCLUSTERED ([code])");
    EXPECT_EQ(count(cur, "sysobjects where name = 'PK_T' and xtype = 'PK'"), 1);
    EXPECT_NE(failure(cur, "insert into T (code) values ('A')"), 0);  // the key compares without case
}

TEST_F(EngineTest, NullableColumnCannotCarryAPrimaryKey) {
    EXPECT_EQ(failure(cur, "ALTER TABLE T ADD CONSTRAINT PK_T PRIMARY KEY (note)"), platform::kErrStatementFailed);
}

TEST_F(EngineTest, ConditionalConstraintDropByName) {
    session.execute(cur, "alter table S add constraint IX_S UNIQUE (qty)");
    EXPECT_EQ(count(cur, "sysobjects where name = 'IX_S'"), 1);
    session.execute(cur, "if exists(select * from sysobjects where name=N'IX_S') alter table s drop constraint IX_S");
    EXPECT_EQ(count(cur, "sysobjects where name = 'IX_S'"), 0);
    // Absent: the statement does nothing.
    session.execute(cur, "if exists(select * from sysobjects where name=N'IX_S') alter table s drop constraint IX_S");
    EXPECT_EQ(failure(cur, "alter table s drop constraint IX_S"), platform::kErrStatementFailed);
}

TEST_F(EngineTest, BoundDefaultObject) {
    session.execute(cur, "CREATE DEFAULT T_note_D AS 'none'");
    session.execute(cur, "sp_bindefault N'[dbo].[T_note_D]', N'[T].[note]'");
    session.execute(cur, "insert into T (code) values ('q')");
    EXPECT_EQ((*session.firstRow(cur, "select note from T").values)[0].toText(), "none");
    EXPECT_EQ(failure(cur, "sp_bindefault N'[dbo].[Missing_D]', N'[T].[note]'"), platform::kErrStatementFailed);
}

TEST_F(EngineTest, CreateIndexOnPrimaryFilegroupAndUniqueIndexOnDuplicates) {
    session.execute(cur, "CREATE  INDEX [ix_code] ON [dbo].[T]([code]) ON [PRIMARY]");
    EXPECT_EQ(count(cur, "sysindexes where name = 'ix_code'"), 1);
    EXPECT_NE(failure(cur, "CREATE INDEX ix_code ON T (note)"), 0);
    session.execute(cur, "insert into T (code) values ('a'), ('a')");
    EXPECT_EQ(failure(cur, "create UNIQUE index ux on T (code)"), platform::kErrStatementFailed);
    // A rebuild keeps the index.
    session.execute(cur, "alter table T add constraint df_note default '' for note");
    EXPECT_EQ(count(cur, "sqlite_master where type = 'index' and name = 'T$ix_code'"), 1);
}

TEST_F(EngineTest, DeleteRefusedByAForeignKeyIs3200) {
    session.execute(cur, "insert into S (code) values ('k')");
    session.execute(cur, "CREATE TABLE R (id int NOT NULL, code varchar(10) NULL, "
                         "CONSTRAINT FK_R_S FOREIGN KEY (code) REFERENCES S (code))");
    session.execute(cur, "insert into R (id, code) values (1, 'k')");
    EXPECT_EQ(failure(cur, "delete from S "), platform::kErrRelatedRecords);
    EXPECT_EQ(count(cur, "S"), 1);
    EXPECT_EQ(failure(cur, "insert into R (id, code) values (2, 'zz')"), platform::kErrStatementFailed);
}

TEST_F(EngineTest, UnknownFormsFailLoudly) {
    for (const char* sql : {"EXEC ('select 1')", "CREATE FUNCTION f() RETURNS int AS BEGIN RETURN 1 END", "MERGE T USING S ON 1=1", "select top 5 * into X from T "}) {
        EXPECT_EQ(failure(cur, sql), platform::kErrStatementFailed) << sql;
        EXPECT_NE(lastError.find("not supported by the embedded engine"), std::string::npos) << sql;
    }
    EXPECT_EQ(failure(cur, "select * from T where code = 'unterminated"), platform::kErrStatementFailed);
}

TEST_F(EngineTest, AFailingStatementLeavesNothingBehind) {
    // The second of two inserts in one batch fails: the first is undone as well.
    EXPECT_NE(failure(cur, "insert into S (code) values ('1')\r\ninsert into S (code) values (NULL)"), 0);
    EXPECT_EQ(count(cur, "S"), 0);
}

TEST_F(EngineTest, RecordsetEditWritesTheFirstRow) {
    auto row = session.firstRow(prev, "select * from T where code = 'b'");
    ASSERT_TRUE(row.values);
    session.updateFirstRow(row, {{"amount", platform::Value(13)}});
    EXPECT_EQ((*session.firstRow(prev, "select amount from T where code = 'b'").values)[0].toDouble(), 13);
    EXPECT_EQ((*session.firstRow(prev, "select amount from T where code = 'a'").values)[0].toDouble(), 1);
}

TEST_F(EngineTest, AddColumnsKeepsRowsAndNumbersANewIdentity) {
    session.execute(prev, "alter table S add extra varchar(10) default '' not null, num int null");
    session.execute(prev, "insert into S (code) values ('z')");
    EXPECT_EQ((*session.firstRow(prev, "select extra from S").values)[0].toText(), "");
    session.execute(prev, "Alter table S add autoid int identity(1,1) not null");
    EXPECT_EQ((*session.firstRow(prev, "select autoid from S").values)[0].toDouble(), 1);
    EXPECT_NE(failure(prev, "Alter table S add autoid int identity(1,1) not null"), 0);
}

}  // namespace
}  // namespace vantyr::testing
