// The server's rules for identity columns and metadata changes, one row per
// rule: statements in the server's dialect run by the embedded engine on a
// real file, and the result the server documents for them (a refusal by its
// number, or a value read back from the file by plain SQLite).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/sqlite/session.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {
namespace {

using platform::Error;

struct Rule {
    const char* name;
    std::vector<const char*> statements;   // run in order; only the last may be refused
    int refusal;   // server number of the last statement's refusal, -1 any failure, -2 a form refused by name, 0 none
    const char* query;                     // read from the file by plain SQLite afterwards ("" for none)
    const char* expected;
};

constexpr const char* kT = "CREATE TABLE t (id int IDENTITY(1,1) NOT NULL, v varchar(10) NULL)";
constexpr const char* kParent = "CREATE TABLE p (code varchar(20) NOT NULL, CONSTRAINT PK_p PRIMARY KEY (code))";
constexpr const char* kChild = "CREATE TABLE CA_DistrInput (cPPID varchar(20) NOT NULL, n int NULL)";

const Rule kRules[] = {
    // Identity numbering
    {"CountingGoesOnAfterDeletingEveryRow", {kT, "insert into t (v) values ('a'), ('b'), ('c')", "delete from t",
      "insert into t (v) values ('d')"}, 0, "select id from t", "4"},
    {"ADeletedTopValueIsNotHandedOutAgain", {kT, "insert into t (v) values ('a'), ('b'), ('c')",
      "delete from t where id = 3", "insert into t (v) values ('d')"}, 0, "select max(id) from t", "4"},
    {"SeedAndIncrementAreKept", {"CREATE TABLE t (id int IDENTITY(100,10) NOT NULL, v varchar(10) NULL)",
      "insert into t (v) values ('a')", "insert into t (v) select 'b'"}, 0, "select group_concat(id) from t", "100,110"},
    {"ANegativeIncrementCountsDown", {"CREATE TABLE t (id int IDENTITY(-1,-2) NOT NULL, v varchar(10) NULL)",
      "insert into t (v) values ('a'), ('b')"}, 0, "select group_concat(id) from t", "-1,-3"},
    {"AnExplicitValueRaisesTheCounter", {kT, "insert into t (v) values ('a')", "SET IDENTITY_INSERT t ON",
      "insert into t (id, v) values (50, 'x')", "SET IDENTITY_INSERT t OFF", "insert into t (v) values ('b')"}, 0,
     "select max(id) from t", "51"},
    {"ALowerExplicitValueLeavesTheCounter", {kT, "insert into t (v) values ('a'), ('b'), ('c')",
      "SET IDENTITY_INSERT t ON\r\ninsert into t (id, v) values (2, 'x')\r\nSET IDENTITY_INSERT t OFF",
      "insert into t (v) values ('d')"}, 0, "select max(id) from t", "4"},
    {"AnExplicitValueOnANewTableStartsTheCounter", {kT, "SET IDENTITY_INSERT t ON",
      "insert into t (id, v) values (7, 'x')", "SET IDENTITY_INSERT t OFF", "insert into t (v) values ('b')"}, 0,
     "select max(id) from t", "8"},
    {"ATableWithoutACounterContinuesAfterItsRows", {kT, "insert into t (v) values ('a'), ('b')",
      "delete from vantyr_identity", "insert into t (v) values ('c')"}, 0, "select group_concat(id) from t", "1,2,3"},
    {"WithoutAColumnListTheIdentityColumnIsLeftOut", {kT, "insert into t values ('a')",
      "insert into t select v from t"}, 0, "select group_concat(id || v) from t", "1a,2a"},
    {"OnlyTheRowsAQueryGivesAreNumbered", {kT, "insert into t (v) values ('a'), ('b'), ('c'), ('d')",
      "insert into t (v) select v from t where v in ('b', 'd')"}, 0,
     "select group_concat(id || v) from (select * from t where id > 4 order by id)", "5b,6d"},
    {"RowsAreNumberedInTheOrderTheQueryGivesThem", {kT, "insert into t (v) values ('a'), ('c'), ('b')",
      "insert into t (v) select v from t order by v desc"}, 0,
     "select group_concat(id || v) from (select * from t where id > 3 order by id)", "4c,5b,6a"},
    {"DistinctRowsAreNumberedOnce", {kT, "insert into t (v) values ('a'), ('a'), ('b')",
      "insert into t (v) select distinct v from t"}, 0, "select count(*) || ':' || max(id) from t", "5:5"},
    {"AnAggregateGivesOneRowAndOneNumber", {kT, "insert into t (v) values ('a'), ('b')",
      "insert into t (v) select max(v) from t"}, 0, "select group_concat(id || v) from t", "1a,2b,3b"},
    {"AQueryInTheSelectListLeavesTheNumberingToTheOuterRows", {kT, "insert into t (v) values ('a'), ('b')",
      "insert into t (v) select case when exists (select 1 from t where v = 'b') then v end from t"}, 0,
     "select group_concat(id || v) from t", "1a,2b,3a,4b"},
    {"AConvertedCopyIsNumberedAndGetsItsDefaults", {kT, "insert into t (v) values ('5'), ('0')",
      "CREATE TABLE u (id int IDENTITY(1,1) NOT NULL, b bit NULL, w varchar(10) NULL)",
      "alter table u add constraint df_w default 'x' for w", "insert into u (b) select v from t where v <> ''"}, 0,
     "select group_concat(id || ':' || b || w) from (select * from u order by id)", "1:1x,2:0x"},
    {"AGroupedCopyGetsItsDefaults", {kT, "insert into t (v) values ('a'), ('a'), ('b')",
      "CREATE TABLE u (id int IDENTITY(1,1) NOT NULL, v varchar(10) NULL, w varchar(10) NULL)",
      "alter table u add constraint df_w default 'x' for w", "insert into u (v) select v from t group by v"}, 0,
     "select group_concat(id || v || w) from (select * from u order by id)", "1ax,2bx"},
    {"AnInsertWithoutColumnsNumbersItsRow", {kT, "insert into t default values"}, 0, "select id from t", "1"},
    {"ValuesForEveryColumnWithoutAListAreRefused", {kT, "insert into t values (1, 'a')"}, 8101, "", ""},
    {"WithoutAListUnderIdentityInsertIsRefused", {kT, "SET IDENTITY_INSERT t ON", "insert into t values ('a')"}, 8101,
     "", ""},
    {"AnExplicitValueWithIdentityInsertOffIsRefused", {kT, "insert into t (id, v) values (5, 'a')"}, 544, "", ""},
    {"LeavingTheIdentityOutUnderIdentityInsertIsRefused", {kT, "SET IDENTITY_INSERT t ON",
      "insert into t (v) values ('a')"}, 545, "", ""},
    {"AnExplicitNullIdentityIsRefused", {kT, "SET IDENTITY_INSERT t ON", "insert into t (v, id) values ('a', 1), ('b', NULL)"},
     339, "", ""},
    {"AnExplicitNullIdentityFromAQueryIsRefused", {kT, "SET IDENTITY_INSERT t ON",
      "insert into t (id, v) select NULL, 'a'"}, 515, "", ""},
    {"ANullInsideAnIdentityValueIsNoLiteralNull", {kT, "SET IDENTITY_INSERT t ON",
      "insert into t (id, v) values (isnull(NULL, 4), 'a')"}, 0, "select id from t", "4"},
    {"ARefusedInsertHandsOutNothing", {kT, "insert into t (v) values ('a')", "SET IDENTITY_INSERT t ON",
      "insert into t (id, v) select NULL, 'b'"}, 515, "select count(*) || '/' || max(id) from t", "1/1"},
    {"AnUpdateOfTheIdentityColumnIsRefused", {kT, "insert into t (v) values ('a')", "update t set v = 'b', id = 5"},
     8102, "select id || v from t", "1a"},
    {"AnUpdateReadingTheIdentityColumnIsAccepted", {kT, "insert into t (v) values ('a')",
      "update t set v = (select max(id) from t where id = 1) where id = 1"}, 0, "select id || v from t", "11"},
    {"IdentityInsertOnATableWithoutIdentityIsRefused", {"CREATE TABLE u (a int NULL)", "SET IDENTITY_INSERT u ON"}, 8106,
     "", ""},
    {"IdentityInsertOnTwoTablesIsRefused", {kT, "CREATE TABLE t2 (id int IDENTITY NOT NULL)", "SET IDENTITY_INSERT t ON",
      "SET IDENTITY_INSERT t2 ON"}, 8107, "", ""},
    {"SelectIntoContinuesAfterTheCopiedRows", {kT, "insert into t (v) values ('a'), ('b'), ('c')",
      "delete from t where id = 1", "select * into t2 from t", "insert into t2 (v) values ('d')"}, 0,
     "select group_concat(id) from t2", "2,3,4"},
    {"SelectTopZeroIntoStartsAtTheSeed", {"CREATE TABLE t (id int IDENTITY(5,5) NOT NULL, v varchar(10) NULL)",
      "insert into t (v) values ('a'), ('b')", "select top 0 * into t2 from t", "insert into t2 (v) values ('d')"}, 0,
     "select group_concat(id) from t2", "5"},
    {"AnAddedIdentityColumnNumbersTheRowsInTheirOrder", {"CREATE TABLE u (v varchar(10) NULL)",
      "insert into u (v) values ('a'), ('b'), ('c')", "Alter table u add autoid int identity(1,1) not null",
      "insert into u (v) values ('d')"}, 0, "select group_concat(v || autoid) from u", "a1,b2,c3,d4"},
    {"ASecondIdentityColumnIsRefused", {kT, "Alter table t add autoid int identity(1,1) not null"}, 2744, "", ""},

    // Columns
    {"AMultiColumnAddIsAllOrNothing", {"CREATE TABLE d (a int NULL)", "alter table d add x int null, a int null"}, 2705,
     "select count(*) from pragma_table_info('d')", "1"},
    {"ANotNullColumnWithADefaultFillsTheExistingRows", {"CREATE TABLE d (a int NULL)", "insert into d (a) values (1)",
      "alter table d add cBatch varchar(10) default '' not null, r float default 1 not null"}, 0,
     "select quote(cBatch) || r from d", "''1.0"},
    {"ANullableColumnWithADefaultLeavesTheExistingRowsNull", {"CREATE TABLE d (a int NULL)",
      "insert into d (a) values (1)", "alter table d add b int null default 5", "insert into d (a) values (2)"}, 0,
     "select group_concat(ifnull(b, 'null')) from d", "null,5"},
    {"DroppingTheDefaultOfAnAddedColumnKeepsItsValues", {"CREATE TABLE d (a int NULL)", "insert into d (a) values (1)",
      "alter table d add c int constraint df_c default 3 not null", "alter table d drop constraint df_c"}, 0,
     "select c from d", "3"},
    {"ANotNullColumnWithoutDefaultNeedsAnEmptyTable", {"CREATE TABLE d (a int NULL)", "insert into d (a) values (1)",
      "alter table d add c int not null"}, 4901, "", ""},
    {"ANotNullColumnWithoutDefaultGoesIntoAnEmptyTable", {"CREATE TABLE d (a int NULL)", "alter table d add c int not null",
      "insert into d (a) values (1)"}, -1, "select count(*) from d", "0"},
    {"AlterColumnNotNullOverNullsIsRefused", {"CREATE TABLE d (a int NULL, r float NULL)", "insert into d (a) values (1)",
      "alter table d ALTER COLUMN  r float not null"}, 515, "", ""},
    {"AlterColumnNotNullIsEnforced", {"CREATE TABLE d (a int NULL, r float NULL)", "insert into d (a, r) values (1, 2)",
      "alter table d ALTER COLUMN  r float not null", "insert into d (a) values (2)"}, -1, "select count(*) from d", "1"},
    {"AlterColumnToAnotherTypeConvertsTheStoredValues", {"CREATE TABLE d (a int NULL, r varchar(10) NULL)",
      "insert into d (a, r) values (1, '2.5')", "alter table d alter column r float null"}, 0,
     "select typeof(r) from d", "real"},

    // Defaults
    {"ANamedDefaultIsUsedAndListed", {"CREATE TABLE d (a int NULL, r float NULL)",
      "alter table d add constraint caonpce_c1 default 1 for r", "insert into d (a) values (1)"}, 0,
     "select r || (select xtype from sysobjects where name = 'caonpce_c1') from d", "1.0D"},
    {"AnAddedDefaultFillsOnlyTheColumnsLeftOut", {"CREATE TABLE d (a int NULL, r float NULL)",
      "alter table d add constraint df_r default 1 for r", "insert into d (a, r) values (1, NULL)",
      "insert into d (a) select 2", "insert into d default values"}, 0,
     "select group_concat(ifnull(a, 'null') || ':' || ifnull(r, 'null')) from d", "1:null,2:1.0,null:1.0"},
    {"AnAddedDefaultGoesWithTheIdentityNumber", {kT, "alter table t add constraint df_v default 'x' for v",
      "insert into t default values", "SET IDENTITY_INSERT t ON", "insert into t (id) values (9)"}, 0,
     "select group_concat(id || v) from t", "1x,9x"},
    {"UnnamedDefaultsOfLikeColumnsGetNamesOfTheirOwn", {"CREATE TABLE CA_DistrInput (cPPID varchar(20) NOT NULL, "
      "cpdwjhclfy float DEFAULT 0 NOT NULL, cpdwjhrgfy float DEFAULT 0 NOT NULL, cpdwjhzzfy float DEFAULT 0 NOT NULL)"},
     0, "select count(distinct name) || '/' || min(name like 'DF\\_\\_CA\\_DistrI\\_\\_cpdwj\\_\\_%' escape '\\') "
        "from sysobjects where xtype = 'D'", "3/1"},
    {"ADroppedDefaultIsNoLongerUsed", {"CREATE TABLE d (a int NULL, r float NULL)",
      "alter table d add constraint df_r default 1 for r", "alter table d drop constraint df_r",
      "insert into d (a) values (1)"}, 0, "select ifnull(r, 'null') from d", "null"},
    {"ASecondDefaultIsRefused", {"CREATE TABLE d (a int NULL, r float default 0 NULL)",
      "alter table d add constraint df_r default 1 for r"}, 1781, "", ""},
    {"ADefaultObjectBindsByUnquotedNames", {"CREATE TABLE CA_SPDF (ID int NOT NULL, cuser varchar(20) NULL)",
      "CREATE DEFAULT CA_SPDF_cuser_D AS ''", "sp_bindefault 'CA_SPDF_cuser_D', 'CA_SPDF.cuser'",
      "insert into CA_SPDF (ID) values (1)"}, 0, "select quote(cuser) from CA_SPDF", "''"},
    {"ADefaultObjectBindsByQuotedNames", {"CREATE TABLE q (a int NULL, iQuot float NULL)",
      "CREATE DEFAULT [dbo].[q_D] AS 1", "exec sp_bindefault N'[dbo].[q_D]', N'[q].[iQuot]'",
      "insert into q (a) values (1)"}, 0, "select iQuot || '' from q", "1.0"},

    // Keys
    {"APrimaryKeyRefusesADuplicate", {"CREATE TABLE k (a int NOT NULL)",
      "alter table k add constraint PK_k primary key nonclustered (a)", "insert into k (a) values (1)",
      "insert into k (a) values (1)"}, -1, "select count(*) from k", "1"},
    {"AClusteredKeyWithNocheckIsListed", {"CREATE TABLE CA_DistrItem (iItemID int IDENTITY NOT NULL, c varchar(5) NULL)",
      "ALTER TABLE [dbo].[CA_DistrItem] WITH NOCHECK ADD CONSTRAINT [PK_CA_DistrItem] PRIMARY KEY  CLUSTERED (iItemID)  "},
     0, "select xtype || (select count(*) from sysindexes where name = 'PK_CA_DistrItem') from sysobjects "
        "where name = 'PK_CA_DistrItem'", "PK1"},
    {"APrimaryKeyOnANullableColumnIsRefused", {"CREATE TABLE k (a int NULL)",
      "alter table k add constraint PK_k primary key (a)"}, 8111, "", ""},
    {"ASecondPrimaryKeyIsRefused", {"CREATE TABLE k (a int NOT NULL, b int NOT NULL, CONSTRAINT PK_k PRIMARY KEY (a))",
      "alter table k add constraint PK_k2 primary key (b)"}, 1779, "", ""},
    {"AKeyOverDuplicatesIsRefused", {"CREATE TABLE k (a varchar(5) NOT NULL)", "insert into k (a) values ('B1'), ('B1')",
      "alter table k add constraint PK_k primary key (a)"}, 1505, "select count(*) from sysobjects where name = 'PK_k'", "0"},
    {"AConstraintNameIsUniqueInTheDatabase", {"CREATE TABLE k (a int NOT NULL, CONSTRAINT PK_k PRIMARY KEY (a))",
      "CREATE TABLE k2 (a int NOT NULL)", "alter table k2 add constraint PK_k primary key (a)"}, 2714, "", ""},
    {"ADefaultNameAnotherTablesKeyHasIsRefused", {"CREATE TABLE k (a int NOT NULL, CONSTRAINT PK_k PRIMARY KEY (a))",
      "CREATE TABLE k2 (a int NULL)", "alter table k2 add constraint PK_k default 0 for a"}, 2714,
     "select count(*) from sysobjects where name = 'PK_k'", "1"},
    {"ADefaultNamedLikeATableIsRefused", {"CREATE TABLE k (a int NULL)", "CREATE TABLE k2 (a int NULL)",
      "alter table k2 add constraint k default 0 for a"}, 2714, "select count(*) from sysobjects where name = 'k'", "1"},
    {"ADroppedDefaultsNameIsFreeForAnotherTable", {"CREATE TABLE k (a int NULL)", "CREATE TABLE k2 (a int NULL)",
      "alter table k add constraint df_a default 1 for a", "alter table k drop constraint df_a",
      "alter table k2 add constraint df_a default 2 for a", "insert into k2 default values"}, 0,
     "select a || (select t.name from sysobjects o join sysobjects t on t.id = o.parent_obj where o.name = 'df_a') from k2",
     "2k2"},
    {"ADroppedKeyAllowsDuplicates", {"CREATE TABLE k (a int NOT NULL, CONSTRAINT PK_k PRIMARY KEY (a))",
      "alter table k drop constraint PK_k", "insert into k (a) values (1), (1)"}, 0, "select count(*) from k", "2"},
    {"TheObjectsOfATableFollowEveryChangeOfIt", {"CREATE TABLE k (a int NOT NULL, b int NULL, c int NULL, CONSTRAINT PK_k PRIMARY KEY (a))",
      "alter table k add constraint df_b default 1 for b", "CREATE INDEX IX_k ON k (b)",
      "alter table k add constraint UQ_k unique (c)", "alter table k drop constraint PK_k", "alter table k drop constraint df_b",
      "alter table k add constraint df_c default 2 for c"}, 0,
     "select group_concat(name || xtype) from (select o.name, o.xtype from sysobjects o join sysobjects t "
     "on t.id = o.parent_obj where t.name = 'k' and t.xtype = 'U' order by o.name)", "df_cD,UQ_kUQ"},
    {"AnIndexKeepsItsNumberAndANewOneTakesTheNext", {"CREATE TABLE k (a int NOT NULL, b int NULL, c int NULL, CONSTRAINT PK_k PRIMARY KEY (a))",
      "CREATE INDEX IX_k ON k (b)", "alter table k add constraint UQ_k unique (c)", "alter table k drop constraint PK_k"}, 0,
     "select group_concat(name || indid) from (select i.name, i.indid from sysindexes i join sysobjects t on t.id = i.id "
     "where t.name = 'k' and t.xtype = 'U' order by i.name)", "IX_k3,UQ_k4"},
    {"ADroppedIndexLeavesAndTheNextTakesItsNumber", {"CREATE TABLE k (a int NOT NULL, b int NULL, c int NULL, CONSTRAINT PK_k PRIMARY KEY (a))",
      "CREATE INDEX IX_k ON k (b)", "DROP INDEX k.IX_k", "CREATE INDEX IX_k2 ON k (c)"}, 0,
     "select group_concat(name || indid) from (select i.name, i.indid from sysindexes i join sysobjects t on t.id = i.id "
     "where t.name = 'k' and t.xtype = 'U' order by i.name)", "IX_k23,PK_k2"},
    {"DroppingAnUnknownConstraintIsRefused", {"CREATE TABLE k (a int NULL)", "alter table k drop constraint nothing"},
     3728, "", ""},

    // Foreign keys
    {"AnUnnamedForeignKeyIsNamedAndListedByTheServer", {kParent, kChild, "insert into p (code) values ('A')",
      "insert into CA_DistrInput (cPPID) values ('A')", "Alter Table CA_DistrInput ADD FOREIGN KEY(CPPID) REFERENCES p(code) "},
     0, "select count(*) from sysobjects f join sysobjects t on t.id = f.parent_obj where f.name like 'FK\\_\\_CA\\_DistrI\\_\\_cPPID\\_\\_%' "
        "escape '\\' and length(f.name) = 30 and f.xtype = 'F' and t.name = 'CA_DistrInput'", "1"},
    {"AForeignKeyOverRowsWithoutParentIsRefused", {kParent, kChild, "insert into CA_DistrInput (cPPID) values ('X')",
      "Alter Table CA_DistrInput ADD FOREIGN KEY(CPPID) REFERENCES p(code) "}, 547,
     "select count(*) from sysobjects where xtype = 'F'", "0"},
    {"WithNocheckTheExistingRowsAreNotChecked", {kParent, kChild, "insert into CA_DistrInput (cPPID) values ('X')",
      "alter table CA_DistrInput with nocheck add constraint FK_d foreign key (cPPID) references p (code)"}, 0,
     "select count(*) from sysobjects where xtype = 'F'", "1"},
    {"AForeignKeyRefusesAChildWithoutParent", {kParent, kChild,
      "alter table CA_DistrInput add constraint FK_d foreign key (cPPID) references p (code)",
      "insert into CA_DistrInput (cPPID) values ('X')"}, -1, "select count(*) from CA_DistrInput", "0"},
    {"AForeignKeyRefusesDeletingAParent", {kParent, kChild, "insert into p (code) values ('A')",
      "insert into CA_DistrInput (cPPID) values ('A')",
      "alter table CA_DistrInput add constraint FK_d foreign key (cPPID) references p (code)", "delete from p"},
     platform::kErrRelatedRecords, "select count(*) from p", "1"},
    {"ADroppedForeignKeyNoLongerRefuses", {kParent, kChild, "insert into p (code) values ('A')",
      "insert into CA_DistrInput (cPPID) values ('A')",
      "alter table CA_DistrInput add constraint FK_d foreign key (cPPID) references p (code)",
      "alter table CA_DistrInput drop constraint FK_d", "delete from p"}, 0, "select count(*) from p", "0"},
    {"AForeignKeyToATableWithoutKeyIsRefused", {"CREATE TABLE p (code varchar(20) NOT NULL)", kChild,
      "alter table CA_DistrInput add foreign key (cPPID) references p (code)"}, 1776, "", ""},
    {"AForeignKeyToNoTableIsRefused", {kChild, "alter table CA_DistrInput add foreign key (cPPID) references p (code)"},
     1767, "", ""},
    {"AReferencedKeyCannotBeDropped", {kParent, kChild,
      "alter table CA_DistrInput add constraint FK_d foreign key (cPPID) references p (code)",
      "alter table p drop constraint PK_p"}, 3725, "", ""},
    {"AReferencedTableCannotBeDropped", {kParent, kChild,
      "alter table CA_DistrInput add constraint FK_d foreign key (cPPID) references p (code)", "drop table p"}, 3726,
     "", ""},

    // Catalogue queries and statement forms of the upgrade
    {"LikeTakesUnderscoreForOneCharacter", {kParent, kChild, "CREATE TABLE CA_X (c varchar(20) NOT NULL)",
      "alter table CA_DistrInput add constraint FKxyCA_d foreign key (cPPID) references p (code)",
      "alter table CA_X add constraint FK__CB_x foreign key (c) references p (code)"}, 0,
     "select count(*) from sysobjects where name like 'FK__CA%'", "1"},
    {"BracketedCreateTableOnAFilegroup", {"CREATE TABLE [dbo].[ca_bmmx_tmp] (\r\n[Period] [tinyint] NULL ,\r\n"
      "[AmoType] [varchar] (1) NULL,\r\n[TotalQuaPre] [float] NULL \r\n) ON [PRIMARY]",
      "insert into ca_bmmx_tmp (Period, AmoType) values (1, 'A')"}, 0,
     "select group_concat(name) from pragma_table_info('ca_bmmx_tmp')", "Period,AmoType,TotalQuaPre"},
    {"AnUpdateTakesASubqueryOrZero", {"CREATE TABLE rpt_glbdef (id int NULL, SystemID varchar(2) NULL, name varchar(60) NULL)",
      "CREATE TABLE ca_rptfld (id int NULL, crptname varchar(60) NULL)", "insert into rpt_glbdef values (7, 'CA', 'a')",
      "insert into ca_rptfld values (1, 'a'), (1, 'b')",
      "update ca_rptfld set id = isnull((select id from rpt_glbdef where SystemID = 'CA' and name='a'),0) where crptname='a'",
      "update ca_rptfld set id = isnull((select id from rpt_glbdef where SystemID = 'CA' and name='b'),0) where crptname='b'"},
     0, "select group_concat(id) from ca_rptfld", "7,0"},
    {"LeftCutsTheText", {"CREATE TABLE ca_predf (cunit varchar(60) NULL)",
      "insert into ca_predf (cunit) values ('abcdefghij'), (NULL)",
      "update ca_predf set cunit = left(cunit, 8) where not cunit is null"}, 0,
     "select group_concat(ifnull(cunit, 'null')) from ca_predf", "abcdefgh,null"},
    {"AnUnsupportedFormFailsAsAStatement", {"CREATE TABLE d (a int NULL)",
      "alter table d add constraint ck_a check (a > 0)"}, -2, "", ""},
};

class DdlRulesTest : public ::testing::TestWithParam<Rule> {};

TEST_P(DdlRulesTest, GivesTheServersResult) {
    const Rule& rule = GetParam();
    TempDirectory temp;
    platform::sqlite::DataDirectory directory(temp.path());
    auto db = directory.locate("001", "2005");
    {
        platform::sqlite::Session session(directory);
        session.createDatabase(db);
        std::string schema = session.attach(db);
        for (std::size_t i = 0; i < rule.statements.size(); ++i) {
            bool last = i + 1 == rule.statements.size();
            try {
                session.execute(schema, rule.statements[i]);
                EXPECT_TRUE(!last || rule.refusal == 0) << "accepted: " << rule.statements[i];
            } catch (const Error& e) {
                ASSERT_TRUE(last && rule.refusal != 0) << rule.statements[i] << ": " << e.description();
                if (rule.refusal == -2) {
                    EXPECT_EQ(e.number(), platform::kErrStatementFailed);
                    EXPECT_NE(e.description().find("not supported by the embedded engine"), std::string::npos);
                } else if (rule.refusal == platform::kErrRelatedRecords) {
                    EXPECT_EQ(e.number(), platform::kErrRelatedRecords);
                } else if (rule.refusal > 0) {
                    EXPECT_NE(e.description().find("Msg " + std::to_string(rule.refusal) + ":"), std::string::npos)
                        << e.description();
                }
            }
        }
    }
    if (*rule.query) {
        EXPECT_EQ(Probe(db.path).value(rule.query).toText(), rule.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(DdlRules, DdlRulesTest, ::testing::ValuesIn(kRules),
                         [](const ::testing::TestParamInfo<Rule>& info) { return std::string(info.param.name); });

// The catalogue as the upgrade reads it through the engine: indexes by name
// across all tables, constraints by a LIKE pattern.
TEST(CatalogQueriesTest, IndexesByNameAndConstraintsByPattern) {
    TempDirectory temp;
    platform::sqlite::DataDirectory directory(temp.path());
    auto db = directory.locate("001", "2005");
    platform::sqlite::Session session(directory);
    session.createDatabase(db);
    std::string s = session.attach(db);
    auto indexCount = [&] {
        auto row = session.firstRow(s, "select count(*) IndexCount from sysindexes where name='idxmenu'");
        EXPECT_EQ(row.columns.front(), "IndexCount");
        return (*row.values)[0].toDouble();
    };
    session.execute(s, "CREATE TABLE CA_MenuDef ( cDefault varchar(255) not null, cNewMenu varchar(255) null)");
    EXPECT_EQ(indexCount(), 0);
    session.execute(s, "create UNIQUE index idxmenu on CA_MenuDef (cDefault)");
    EXPECT_EQ(indexCount(), 1);
    session.execute(s, kParent);
    session.execute(s, kChild);
    session.execute(s, "Alter Table CA_DistrInput ADD FOREIGN KEY(CPPID) REFERENCES p(code) ");
    auto row = session.firstRow(s, "select name from sysobjects where name like 'FK__CA%'");
    ASSERT_TRUE(row.values);
    std::string name = (*row.values)[0].toText();
    EXPECT_EQ(name.substr(0, 22), "FK__CA_DistrI__cPPID__");
    session.execute(s, "Alter Table CA_DistrInput drop constraint " + name);
    EXPECT_FALSE(session.firstRow(s, "select name from sysobjects where name like 'FK__CA%'").values);
}

// The carry-over's identity columns continue where the last carry-over into
// the year stopped.
class IdentityCarryOverTest : public DemoFixture {};

TEST_F(IdentityCarryOverTest, ASecondCarryOverContinuesTheNumbers) {
    makeDemo(Release::V850, 48);
    ASSERT_TRUE(carryOver(Release::V850).result);
    std::int64_t rows = cur().count("select count(*) from ca_amoct");
    ASSERT_GT(rows, 0);
    EXPECT_EQ(cur().count("select max(autoid) from ca_amoct"), rows);
    ASSERT_TRUE(carryOver(Release::V850).result);
    EXPECT_EQ(cur().count("select min(autoid) from ca_amoct"), rows + 1);
    EXPECT_EQ(cur().count("select max(autoid) from ca_amoct"), 2 * rows);
}

}  // namespace
}  // namespace vantyr::testing

namespace vantyr::testing {
namespace {

// Group 11 of the release-8.50 upgrade on tables as they stood before it:
// every statement is carried out, in order, with the server's effect.
TEST(UpgradeFormsTest, ColumnAndTableAdditionsOfTheUpgradeRunInOrder) {
    TempDirectory temp;
    platform::sqlite::DataDirectory directory(temp.path());
    auto db = directory.locate("001", "2005");
    {
        platform::sqlite::Session session(directory);
        session.createDatabase(db);
        std::string s = session.attach(db);
        for (const char* sql : {
                 "CREATE TABLE ca_predf (cProcedureID varchar(20) NULL, cunit varchar(60) NULL)",
                 "CREATE TABLE ca_allmt (cDeptID varchar(12) NULL)",
                 "CREATE TABLE ca_onpce (cppid varchar(20) NULL, iOnPApp float NULL, iperiod tinyint NULL)",
                 "CREATE TABLE ca_onpqu (cppid varchar(20) NULL, iQuot float NULL)",
                 "insert into ca_predf values ('P1', 'abcdefghij'), ('P2', NULL)",
                 "insert into ca_allmt values ('D1')",
                 "insert into ca_onpce values ('A', 0.5, 1), ('B', 0.25, 2)",
                 "insert into ca_onpqu values ('A', 3)"})
            session.execute(s, sql);
        for (const char* sql : {
                 "update ca_predf set cunit = left(cunit, 8) where not cunit is null",
                 "alter table ca_allmt add cMatSelfDefMethod varchar(255) null, cDirmSelfDefMethod varchar(255) null, "
                 "cAuxSelfDefMethod varchar(255) null, cMauSelfDefMethod varchar(255) null, cMatSelfDefFormula varchar(255) "
                 "null, cDirmSelfDefFormula varchar(255) null, cAuxSelfDefFormula varchar(255) null, cMauSelfDefFormula "
                 "varchar(255) null",
                 "alter table ca_onpce add cBatch varchar(10) default '' not null,iOnPAppMat float default 1 not null, "
                 "iOnPAppDirm float default 1 not null, iOnPAppAux float default 1 not null, iOnPAppMau float default 1 "
                 "not null, iOnPAppOth float default 1 not null ",
                 "alter table ca_onpce ALTER COLUMN  iOnPApp float not null",
                 "alter table ca_onpce add constraint caonpce_c1 default 1 for iOnPApp",
                 "alter table ca_onpqu add iQuotMat float default 1 not null, iQuotDirm float default 1 not null, iQuotAux "
                 "float default 1 not null, iQuotMau float default 1 not null, iQuotOth float default 1 not null",
                 "CREATE TABLE CA_MenuDef ( cDefault varchar(255) not null, cNewMenu varchar(255) null)",
                 "Insert into ca_menudef(cdefault) values('产品结构')",
                 "create UNIQUE index idxmenu on CA_MenuDef (cDefault)",
                 "CREATE TABLE CA_DistrItem ( iItemID int IDENTITY, cItemName varchar(60) not null)",
                 "update ca_onpce set iOnPAppMat = iOnPApp, iOnPAppDirm = iOnPApp, iOnPAppAux = iOnPApp, iOnPAppMau = "
                 "iOnPApp, iOnPAppOth = iOnPApp",
                 "update ca_onpqu set iQuotMat = iQuot, iQuotDirm = iQuot, iQuotAux = iQuot, iQuotMau = iQuot, iQuotOth = "
                 "iQuot",
                 "create table Ca_ACR_DetailMau ( cPPID  varchar(20) not null, cAmoID varchar(20) null, iManQuo float null )",
                 "Alter table ca_onpce add autoid int identity(1,1) not null",
                 "alter table ca_onpce add constraint PK_ca_onpce primary key nonclustered (autoid)",
                 "insert into ca_onpce (cppid, iperiod) values ('C', 3)"})
            EXPECT_NO_THROW(session.execute(s, sql)) << sql;
        // the second sending of a plain add fails and leaves the column as it is
        EXPECT_THROW(session.execute(s, "alter table ca_onpqu add iQuotMat float default 1 not null"), Error);
        EXPECT_THROW(session.execute(s, "Insert into ca_menudef(cdefault) values('产品结构')"), Error);
    }
    Probe p(db.path);
    EXPECT_EQ(p.value("select group_concat(ifnull(cunit, 'null')) from ca_predf").toText(), "abcdefgh,null");
    EXPECT_EQ(p.value("select group_concat(cppid || ':' || iOnPAppMat || iOnPAppOth || quote(cBatch) || autoid) from ca_onpce")
                  .toText(),
              "A:0.50.5''1,B:0.250.25''2,C:1.01.0''3");
    EXPECT_EQ(p.count("select count(*) from ca_onpqu where iQuotMau = 3 and iQuotOth = 3"), 1);
    EXPECT_EQ(p.count("select count(*) from pragma_table_info('ca_allmt')"), 9);
    EXPECT_EQ(p.count("select count(*) from sysobjects where name in ('caonpce_c1', 'PK_ca_onpce')"), 2);
}

}  // namespace
}  // namespace vantyr::testing
