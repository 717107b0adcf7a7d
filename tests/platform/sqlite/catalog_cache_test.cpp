// The engine keeps the table models, triggers, foreign keys and identity
// counters it has read: these tests change each behind or inside a session
// and check that the next statement sees the file as it is.
#include <gtest/gtest.h>

#include <optional>

#include "platform/error.h"
#include "platform/sqlite/session.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {
namespace {

using platform::Error;
using platform::sqlite::AccountYear;
using platform::sqlite::Session;

class CatalogCacheTest : public ::testing::Test {
protected:
    TempDirectory temp;
    platform::sqlite::DataDirectory directory{temp.path()};
    AccountYear curDb = directory.locate("001", "2005");
    Session session{directory};
    std::string cur;

    void SetUp() override {
        session.createDatabase(curDb);
        cur = session.attach(curDb);
        session.execute(cur, "CREATE TABLE [dbo].[T] ([id] int IDENTITY(1,1) NOT NULL, [code] varchar(10) NOT NULL, "
                             "[note] varchar(20) NULL) ON [PRIMARY]");
        session.execute(cur, "CREATE TABLE S (code varchar(10) NOT NULL, qty float NULL, "
                             "CONSTRAINT [PK_S] PRIMARY KEY NONCLUSTERED ([code]))");
    }
    std::string failure(const std::string& sql) {
        try {
            session.execute(cur, sql);
        } catch (const Error& e) {
            return e.description();
        }
        return "";
    }
    // The error a statement raises, none when it runs.
    static std::optional<Error> errorOf(Session& s, const std::string& alias, const std::string& sql) {
        try {
            s.execute(alias, sql);
        } catch (const Error& e) {
            return e;
        }
        return std::nullopt;
    }
    // A statement stopped by a failure of the file, never passed over.
    static void expectStorageFailure(Session& s, const std::string& alias, const std::string& sql, const char* otherwise) {
        auto e = errorOf(s, alias, sql);
        if (!e) return ADD_FAILURE() << otherwise;
        EXPECT_TRUE(platform::isStorageFailure(e->number())) << e->number() << " " << e->description();
    }
    std::string text(const std::string& sql) { return text(session, cur, sql); }
    static std::string text(Session& s, const std::string& alias, const std::string& sql) {
        auto row = s.firstRow(alias, sql);
        return row.values ? (*row.values)[0].toText() : "(no row)";
    }
};

TEST_F(CatalogCacheTest, ADefaultAddedByAnotherConnectionIsSeenAtTheNextTransaction) {
    session.execute(cur, "insert into T (code) values ('a')");  // T's model is read and kept
    {
        Session other{directory};
        auto alias = other.attach(curDb);
        other.execute(alias, "alter table T add constraint df_note default 'o' for note");
    }
    session.begin();
    EXPECT_EQ(failure("insert into T (code) values ('b')"), "");
    session.commit();
    EXPECT_EQ(text("select note from T where code = 'b'"), "o");
}

TEST_F(CatalogCacheTest, ARefusedStatementKeepsWhatTheTransactionDidBeforeIt) {
    session.begin();
    EXPECT_EQ(failure("alter table T add constraint df_note default 'n' for note"), "");
    // refused before it writes anything
    EXPECT_NE(failure("alter table T add constraint df_id default 1 for id").find("IDENTITY"), std::string::npos);
    // refused after its first insert: that insert is undone
    EXPECT_NE(failure("insert into S (code) values ('1')\r\ninsert into S (code) values (NULL)"), "");
    EXPECT_EQ(failure("insert into T (code) values ('c')"), "");
    session.commit();
    EXPECT_EQ(text("select note from T where code = 'c'"), "n");
    EXPECT_EQ(text("select count(*) from S"), "0");
    EXPECT_EQ(text("select count(*) from sysobjects where name = 'df_note'"), "1");
}

TEST_F(CatalogCacheTest, ARolledBackColumnIsGoneFromTheModel) {
    session.begin();
    EXPECT_EQ(failure("alter table T add extra int NULL"), "");
    EXPECT_EQ(failure("insert into T (code, extra) values ('d', 1)"), "");
    session.rollback();
    EXPECT_NE(failure("insert into T (code, extra) values ('d', 1)").find("extra"), std::string::npos);
    EXPECT_EQ(failure("insert into T (code) values ('d')"), "");
    // the identity counter went back with the transaction
    EXPECT_EQ(text("select id from T where code = 'd'"), "1");
}

TEST_F(CatalogCacheTest, TriggersCreatedAndDroppedAfterAnInsertAreSeenByTheNext) {
    EXPECT_EQ(failure("insert into S (code) values ('k')"), "");  // S has no trigger yet
    EXPECT_EQ(failure("CREATE TRIGGER tg ON S FOR INSERT AS update S set qty = 0"), "");
    EXPECT_NE(failure("insert into S (code) values ('l')").find("tg"), std::string::npos);
    // a batch that drops the table and then fails brings the table back with its trigger
    session.begin();
    EXPECT_NE(failure("drop table S\r\ninsert into T (id) values (NULL)"), "");
    EXPECT_NE(failure("insert into S (code) values ('l')").find("tg"), std::string::npos);
    session.commit();
    EXPECT_EQ(failure("DROP TRIGGER tg"), "");
    EXPECT_EQ(failure("insert into S (code) values ('l')"), "");
}

TEST_F(CatalogCacheTest, AForeignKeyAddedAfterTheKeysWereLookedAtStillGuardsTheKey) {
    EXPECT_EQ(failure("CREATE TABLE X (code varchar(10) NULL)"), "");
    EXPECT_EQ(failure("drop table X"), "");  // looks for foreign keys referencing X
    EXPECT_EQ(failure("CREATE TABLE R (id int NOT NULL, code varchar(10) NULL, "
                      "CONSTRAINT FK_R_S FOREIGN KEY (code) REFERENCES S (code))"),
              "");
    EXPECT_NE(failure("alter table S drop constraint PK_S").find("FK_R_S"), std::string::npos);
    EXPECT_EQ(failure("alter table R drop constraint FK_R_S"), "");
    EXPECT_EQ(failure("alter table S drop constraint PK_S"), "");
}

TEST_F(CatalogCacheTest, AForeignKeyGuardsItsTableWhetherItsModelWasReadOrNot) {
    EXPECT_EQ(failure("CREATE TABLE R (id int NOT NULL, code varchar(10) NULL, "
                      "CONSTRAINT FK_R_S FOREIGN KEY (code) REFERENCES S (code))"),
              "");
    {   // a session that has read no model yet finds the key in the file
        Session fresh{directory};
        auto alias = fresh.attach(curDb);
        auto e = errorOf(fresh, alias, "drop table S");
        if (!e) ADD_FAILURE() << "S was dropped while R refers to it";
        else EXPECT_NE(e->description().find("FOREIGN KEY"), std::string::npos) << e->description();
    }
    // this session wrote R's model: it finds the key among the models it keeps
    EXPECT_NE(failure("drop table S").find("FOREIGN KEY"), std::string::npos);
    EXPECT_EQ(failure("drop table R"), "");
    EXPECT_EQ(failure("drop table S"), "");
}

// Models and counters a transaction changes are written when it commits: until
// then the session's own statements see them, a failed statement takes its
// own changes back, and another session sees the file as committed.
TEST_F(CatalogCacheTest, AFailedBatchTakesBackTheModelItChanged) {
    session.begin();
    EXPECT_EQ(failure("alter table T add constraint df_code default 'k' for code"), "");
    EXPECT_NE(failure("alter table T add constraint df_note default 'n' for note\r\ninsert into S (code) values (NULL)"), "");
    EXPECT_EQ(failure("insert into S (code) values ('x')"), "");
    EXPECT_EQ(failure("insert into T (note) values (NULL)"), "");
    session.commit();
    EXPECT_EQ(text("select code + '/' + isnull(note, '-') from T"), "k/-");

    Session fresh{directory};
    auto alias = fresh.attach(curDb);
    fresh.execute(alias, "insert into T (note) values ('m')");
    EXPECT_EQ(text(fresh, alias, "select code + '/' + note + '/' + convert(varchar(10), id) from T where note = 'm'"), "k/m/2");
    EXPECT_EQ(failure("alter table T add constraint df_note2 default 'n' for note"), "") << "the batch took note's default back";
}

TEST_F(CatalogCacheTest, WhatATransactionChangedIsInTheFileWhenItCommits) {
    session.begin();
    EXPECT_EQ(failure("insert into T (code) values ('a')\r\ninsert into T (code) values ('b')"), "");
    EXPECT_EQ(failure("drop table S"), "");
    EXPECT_EQ(failure("select * into S from T"), "");
    EXPECT_EQ(failure("alter table S add constraint df_S_note default 'n' for note"), "");
    {   // another session sees none of it yet: the file is locked until the commit
        platform::sqlite::DataDirectory quick{temp.path(), {"", 100}};
        Session other{quick};
        EXPECT_THROW(other.attach(curDb), Error);
    }
    session.commit();

    Session fresh{directory};
    auto alias = fresh.attach(curDb);
    fresh.execute(alias, "insert into T (code) values ('c')\r\ninsert into S (code) values ('d')");
    EXPECT_EQ(text(fresh, alias, "select (select max(id) from T) * 10 + (select max(id) from S)"), "33")
        << "both tables number on from the committed counters";
    EXPECT_EQ(text(fresh, alias, "select note from S where code = 'd'"), "n");
}

// A default, key or index is listed under its table's sysobjects row as it
// is now: after the table was dropped and made again in an undone batch, and
// after a statement of the caller's own rewrote that row.
TEST_F(CatalogCacheTest, ObjectsAreListedUnderTheTablesRowAsItIsNow) {
    auto parentIsTable = [&](const std::string& object, const std::string& table) {
        return text("select count(*) from sysobjects o join sysobjects t on t.id = o.parent_obj "
                    "where o.name = '" + object + "' and t.name = '" + table + "' and t.xtype = 'U'");
    };
    session.begin();
    EXPECT_EQ(failure("alter table S add constraint df_qty default 0 for qty"), "");   // S's row is looked up
    // a later object: S made again would not take back the number of its row
    EXPECT_EQ(failure("alter table T add constraint df_note default 'n' for note"), "");
    EXPECT_NE(failure("drop table S\r\nCREATE TABLE S (code varchar(10) NOT NULL)\r\ninsert into T (id) values (NULL)"), "");
    EXPECT_EQ(failure("CREATE INDEX ix_s ON S (qty)"), "");
    session.commit();
    EXPECT_EQ(parentIsTable("df_qty", "S"), "1");
    EXPECT_EQ(parentIsTable("ix_s", "S") + text("select count(*) from sysindexes i join sysobjects t on t.id = i.id "
                                                "where i.name = 'ix_s' and t.name = 'S'"),
              "01") << "a plain index is listed in sysindexes only";

    // the caller gives T's row a new id: the next default goes under it
    EXPECT_EQ(failure("update sysobjects set id = id + 1000 where name = 'T' and xtype = 'U'"), "");
    EXPECT_EQ(failure("alter table T add constraint df_code default 'c' for code"), "");
    EXPECT_EQ(parentIsTable("df_code", "T"), "1");
}

// A batch that turns IDENTITY_INSERT on around an insert that fails part way
// leaves no row, no raised counter and IDENTITY_INSERT as it was.
TEST_F(CatalogCacheTest, AFailedIdentityBatchLeavesNothing) {
    for (bool inTransaction : {false, true}) {
        SCOPED_TRACE(inTransaction ? "in a transaction" : "alone");
        if (inTransaction) session.begin();
        EXPECT_NE(failure("SET IDENTITY_INSERT T ON\r\ninsert into T (id, code) values (50, 'x'), (60, NULL)\r\n"
                          "SET IDENTITY_INSERT T OFF").find("Msg 515"), std::string::npos);
        EXPECT_NE(failure("insert into T (id, code) values (70, 'y')").find("Msg 544"), std::string::npos);
        EXPECT_EQ(failure("insert into T (code) values ('z')"), "");
        if (inTransaction) session.commit();
    }
    EXPECT_EQ(text("select count(*) * 100 + max(id) from T where code = 'z'"), "202") << "two rows, numbered 1 and 2";
    EXPECT_EQ(text("select count(*) from T"), "2");
}

// Inside a transaction a default whose catalogue row cannot be written is a
// failure of the engine's bookkeeping, never passed over: the run rolls back,
// and neither the row nor the default is there afterwards.
TEST_F(CatalogCacheTest, ADefaultWhoseRowCannotBeWrittenIsNotAdded) {
    {
        platform::sqlite::Connection raw(curDb.path.string(), false);
        raw.exec("CREATE TRIGGER refuse_defaults BEFORE INSERT ON sysobjects WHEN new.xtype = 'D' "
                 "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }
    session.begin();
    EXPECT_EQ(failure("insert into T (code) values ('e')"), "");
    expectStorageFailure(session, cur, "alter table T add constraint df_note default 'n' for note",
                         "the default was added without its row");
    if (session.connection().inTransaction()) session.rollback();   // what the run does after a storage failure
    EXPECT_EQ(text("select count(*) from T"), "0");
    EXPECT_EQ(text("select count(*) from sysobjects where name = 'df_note'"), "0");
    EXPECT_EQ(failure("insert into T (code) values ('f')"), "");
    EXPECT_EQ(text("select isnull(note, '-') from T where code = 'f'"), "-");
}

// The triggers of a file are read from its sysobjects, the engine's own
// table: when that read fails, the insert asking is stopped by a failure of
// the file, never passed over as the insert's own.
TEST_F(CatalogCacheTest, ATriggerListThatCannotBeReadIsAStorageFailure) {
    {
        platform::sqlite::Connection raw(curDb.path.string(), false);
        raw.exec("ALTER TABLE sysobjects RENAME TO sysobjects_gone");
    }
    Session fresh{directory};
    auto alias = fresh.attach(curDb);
    expectStorageFailure(fresh, alias, "insert into T (code) values ('a')",
                         "the insert ran without its table's triggers read");
}

// The counters that cannot be read are a failure of the file: the insert
// that needs one is never passed over as its own failure.
TEST_F(CatalogCacheTest, CountersThatCannotBeReadAreAStorageFailure) {
    {
        platform::sqlite::Connection raw(curDb.path.string(), false);
        raw.exec("DROP TABLE IF EXISTS vantyr_identity; CREATE TABLE kept_counters (name TEXT, last INTEGER);"
                 "CREATE VIEW vantyr_identity AS SELECT name, last FROM kept_counters WHERE abs(-9223372036854775808) > 0");
    }
    Session fresh{directory};
    auto alias = fresh.attach(curDb);
    expectStorageFailure(fresh, alias, "insert into T (code) values ('a')", "the insert was numbered without its counter");
    expectStorageFailure(fresh, alias, "insert into T (code) values ('b')", "a counter read in part was kept");
}

// A catalogue write that fails is a failure of the file, never one of the
// statement: outside a transaction the statement is undone with it.
TEST_F(CatalogCacheTest, ACatalogueWriteThatFailsIsAStorageFailure) {
    {
        platform::sqlite::Connection raw(curDb.path.string(), false);
        raw.exec("CREATE TRIGGER refuse_models BEFORE UPDATE ON vantyr_tables BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }
    expectStorageFailure(session, cur, "alter table T add constraint df_note default 'n' for note",
                         "the default was added without its model");
    EXPECT_EQ(failure("insert into T (code) values ('z')"), "");
    EXPECT_EQ(text("select isnull(note, '-') + '/' + convert(varchar(10), (select count(*) from sysobjects where name = 'df_note')) from T"),
              "-/0");
}

// The counters one transaction moves are written together at its commit, in
// statements of a bounded size: every table of a transaction that numbered
// more tables than one statement holds continues after its own rows.
TEST_F(CatalogCacheTest, EveryCounterATransactionMovedIsKept) {
    const int tables = 230;
    for (int i = 0; i < tables; ++i)
        session.execute(cur, "create table N" + std::to_string(i) + " (id int identity(1,1) not null, v int null)");
    session.begin();
    for (int i = 0; i < tables; ++i)
        for (int row = 0; row <= i % 3; ++row)
            session.execute(cur, "insert into N" + std::to_string(i) + " (v) values (" + std::to_string(row) + ")");
    session.commit();
    Session next{directory};
    auto alias = next.attach(curDb);
    for (int i = 0; i < tables; ++i) {
        auto name = "N" + std::to_string(i);
        next.execute(alias, "delete from " + name);
        next.execute(alias, "insert into " + name + " (v) values (9)");
        ASSERT_EQ(text(next, alias, "select id from " + name), std::to_string(i % 3 + 2)) << name;
    }
}

}  // namespace
}  // namespace vantyr::testing
