// Views, procedures and triggers in the embedded engine: views translated and
// read in their own database, created only over existing sources; procedures
// and triggers kept as catalogue objects; the refusals the server gives.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/sqlite/session.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {
namespace {

using platform::Error;
using platform::sqlite::Session;

class ModuleCatalogTest : public ::testing::Test {
protected:
    TempDirectory temp;
    platform::sqlite::DataDirectory directory{temp.path()};
    Session session{directory};
    std::string prev, cur;

    void SetUp() override {
        for (const char* year : {"2004", "2005"}) session.createDatabase(directory.locate("001", year));
        prev = session.attach(directory.locate("001", "2004"));
        cur = session.attach(directory.locate("001", "2005"));
        for (const auto& schema : {prev, cur}) {
            session.execute(schema, "CREATE TABLE T (code varchar(10) NOT NULL, amount float NULL, note varchar(20) NULL)");
            session.execute(schema, "CREATE TABLE S (code varchar(10) NOT NULL, qty float NULL)");
        }
        session.execute(prev, "insert into T (code, amount) values ('p1', 1), ('p2', 2), ('p3', 3), ('p4', 4)");
        session.execute(cur, "insert into T (code, amount, note) values ('b', 5, NULL), ('a', 0.5, 'x'), ('c', 2, 'y')");
        session.execute(cur, "insert into S (code, qty) values ('a', 10), ('c', 30), ('z', 99)");
    }
    std::string failure(const std::string& sql) {
        try {
            session.execute(cur, sql);
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), platform::kErrStatementFailed) << sql;
            return e.description();
        }
        return {};
    }
    std::vector<std::string> rows(const std::string& sql) {
        auto st = session.connection().prepare(sql);
        std::vector<std::string> out;
        while (st.step()) {
            std::string row;
            for (int i = 0; i < st.columnCount(); ++i) row += (i ? "|" : "") + st.column(i).toText();
            out.push_back(row);
        }
        return out;
    }
    std::string objects() {
        std::string out;
        for (const auto& r : rows("select name || ':' || xtype from \"" + cur + "\".sysobjects where xtype in ('V', "
                                  "'P', 'TR') order by name"))
            out += r + " ";
        return out;
    }
};

TEST_F(ModuleCatalogTest, AViewReadsItsOwnDatabaseInTheServersForms) {
    session.execute(cur, "CREATE VIEW dbo.V AS SELECT TOP 100 PERCENT dbo.T.code AS 代码, CASE WHEN amount > 1 THEN "
                         "'big' ELSE 'small' END AS size, isnull(note, '-') AS note FROM dbo.T ORDER BY dbo.T.code");
    EXPECT_EQ(rows("select 代码, size, note from \"" + cur + "\".V"),
              (std::vector<std::string>{"a|small|x", "b|big|-", "c|big|y"}));
    // A join whose ON follows a further join, aggregates and a union.
    session.execute(cur, "CREATE VIEW J AS SELECT T.code, max(S.qty) AS qty FROM T INNER JOIN S LEFT OUTER JOIN T AS T2 "
                         "ON S.code = T2.code ON T.code = S.code GROUP BY T.code");
    EXPECT_EQ(rows("select code, qty from \"" + cur + "\".J order by code"), (std::vector<std::string>{"a|10", "c|30"}));
    session.execute(cur, "CREATE VIEW N AS SELECT T.code FROM T JOIN S JOIN T AS T2 JOIN S AS S2 ON T2.code = S2.code "
                         "ON S.code = T2.code ON T.code = S.code");
    EXPECT_EQ(rows("select code from \"" + cur + "\".N order by code"), (std::vector<std::string>{"a", "c"}));
    EXPECT_NE(failure("CREATE VIEW W AS SELECT TOP 2 code FROM T ORDER BY code").find("not supported"), std::string::npos);
    session.execute(cur, "create view U as select code from T union select code from S");
    EXPECT_EQ(rows("select count(*) from \"" + cur + "\".U"), std::vector<std::string>{"4"});
    EXPECT_EQ(objects(), "J:V N:V U:V V:V ");
    // A table rebuilt under its views (a column added, a key added) keeps them readable.
    session.execute(cur, "alter table T add extra int null");
    session.execute(cur, "ALTER TABLE S ADD CONSTRAINT PK_S PRIMARY KEY (code)");
    EXPECT_EQ(rows("select count(*) from \"" + cur + "\".J"), std::vector<std::string>{"2"});
    EXPECT_EQ(rows("select count(*) from \"" + cur + "\".V"), std::vector<std::string>{"3"});
    // The statement form the component reads through.
    auto first = session.firstRow(cur, "select count(*) from V where size = 'big'");
    EXPECT_EQ((*first.values)[0].toText(), "2");
}

TEST_F(ModuleCatalogTest, ViewsAreReplacedAndDroppedAsOnTheServer) {
    EXPECT_NE(failure("CREATE VIEW M AS SELECT code FROM Missing").find("Missing"), std::string::npos);
    EXPECT_NE(failure("CREATE VIEW M AS SELECT nosuch FROM T"), "");
    EXPECT_EQ(objects(), "");
    EXPECT_TRUE(rows("select name from \"" + cur + "\".sqlite_master where type = 'view'").empty());

    EXPECT_NE(failure("alter view A as select code from T"), "");
    EXPECT_EQ(failure("create view A as select code from T"), "");
    EXPECT_NE(failure("create view A as select code from S"), "");
    EXPECT_EQ(failure("alter view A as select code from S"), "");
    EXPECT_EQ(rows("select count(*) from \"" + cur + "\".A"), std::vector<std::string>{"3"});
    EXPECT_EQ(rows("select definition from \"" + cur + "\".vantyr_modules where name = 'A'"),
              std::vector<std::string>{"alter view A as select code from S"});
    // A view over a view stays defined when the view it reads is dropped, and fails when read.
    EXPECT_EQ(failure("create view B as select code from A"), "");
    EXPECT_EQ(failure("DROP VIEW dbo.A"), "");
    EXPECT_NE(failure("select * from B"), "");

    EXPECT_NE(failure("DROP VIEW A").find("does not exist"), std::string::npos);
    EXPECT_NE(failure("DROP VIEW T").find("is a table"), std::string::npos);
    EXPECT_NE(failure("create view T as select 1 as one").find("already an object"), std::string::npos);
    EXPECT_EQ(objects(), "B:V ");
}

TEST_F(ModuleCatalogTest, ProceduresAndTriggersAreStoredDroppedAndNeverRun) {
    const std::string body = "CREATE PROCEDURE [P1] @a int AS\r\nSET NOCOUNT ON\r\nselect @a\r\n";
    EXPECT_EQ(failure(body), "");
    EXPECT_EQ(failure("CREATE Proc P2(@b varchar(5)) AS  SELECT @b"), "");
    EXPECT_NE(failure(body).find("already an object"), std::string::npos);
    EXPECT_EQ(failure("CREATE TRIGGER [tg] ON [S] FOR INSERT AS update S set qty = 0"), "");
    EXPECT_NE(failure("CREATE TRIGGER tg2 ON Missing FOR INSERT AS select 1").find("Missing"), std::string::npos);
    EXPECT_EQ(objects(), "P1:P P2:P tg:TR ");
    EXPECT_EQ(rows("select definition from \"" + cur + "\".vantyr_modules where name = 'p1'"),
              std::vector<std::string>{body});

    EXPECT_NE(failure("exec P1 3").find("does not run them"), std::string::npos);
    EXPECT_NE(failure("insert into S (code) values ('k')").find("tg"), std::string::npos);
    EXPECT_EQ(failure("insert into T (code) values ('k')"), "");  // no trigger on T

    EXPECT_NE(failure("DROP TRIGGER P1").find("does not exist"), std::string::npos);
    EXPECT_EQ(failure("drop procedure [dbo].[P1]"), "");
    EXPECT_NE(failure("DROP Proc P1"), "");
    // Dropping the table takes its trigger with it.
    EXPECT_EQ(failure("DROP TABLE S"), "");
    EXPECT_NE(failure("DROP TRIGGER tg"), "");
    EXPECT_EQ(objects(), "P2:P ");
}

// The module store and the sysobjects rows are the engine's own: a file that
// refuses them fails the statement as a storage failure, never one the run
// passes over, and what the statement did before is undone with it.
TEST_F(ModuleCatalogTest, AModuleRowTheFileRefusesIsAStorageFailure) {
    auto storageFailure = [&](const std::string& sql) {
        try {
            session.execute(cur, sql);
        } catch (const Error& e) {
            EXPECT_TRUE(platform::isStorageFailure(e.number())) << e.number() << " " << e.description();
            return;
        }
        ADD_FAILURE() << "passed: " << sql;
    };
    auto refuse = [&](const char* name, const char* event) {
        session.connection().exec("CREATE TRIGGER \"" + cur + "\"." + name + " BEFORE " + event +
                                  " ON sysobjects BEGIN SELECT RAISE(ABORT, 'refused'); END");
    };
    EXPECT_EQ(failure("create view Kept as select code from T"), "");
    refuse("no_insert", "INSERT");
    storageFailure("create view V as select code from T");
    storageFailure("CREATE PROCEDURE P AS select 1");
    EXPECT_TRUE(rows("select name from \"" + cur + "\".sqlite_master where name = 'V'").empty());
    EXPECT_TRUE(rows("select name from \"" + cur + "\".vantyr_modules where name in ('V', 'P')").empty());

    refuse("no_delete", "DELETE");
    storageFailure("drop view Kept");
    EXPECT_EQ(rows("select count(*) from \"" + cur + "\".Kept"), std::vector<std::string>{"3"});
    EXPECT_EQ(objects(), "Kept:V ");
}

TEST_F(ModuleCatalogTest, DropIndexNamesTheTableAndTheIndex) {
    EXPECT_EQ(failure("CREATE  UNIQUE  CLUSTERED  INDEX PKT ON T(code)"), "");
    EXPECT_NE(failure("insert into T (code) values ('a')"), "");
    EXPECT_EQ(failure("drop index T.PKT"), "");
    EXPECT_EQ(failure("insert into T (code) values ('a')"), "");
    EXPECT_TRUE(rows("select name from \"" + cur + "\".sysindexes where name = 'PKT'").empty());
    EXPECT_NE(failure("drop index T.PKT").find("does not exist"), std::string::npos);
    EXPECT_NE(failure("drop index Missing.PKT").find("Missing"), std::string::npos);
}

}  // namespace
}  // namespace vantyr::testing
