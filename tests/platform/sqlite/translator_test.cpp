// The translator on its own: how statement texts split into commands and how
// plain statements are rewritten for SQLite.
#include <gtest/gtest.h>

#include "platform/sqlite/translator.h"
#include "platform/sqlite/translator_parser.h"

namespace vantyr::testing {
namespace {

using namespace platform::sqlite;

const SchemaResolver kResolve = [](const std::string& database) {
    if (database.empty()) return std::string("main");
    if (database == "QXDATA_001_2005") return database;
    throw std::runtime_error("unknown database " + database);
};

const Passthrough& plain(const std::vector<Command>& commands, std::size_t i = 0) {
    return std::get<Passthrough>(commands.at(i));
}

TEST(TranslatorTest, IdentityBatchIsThreeCommands) {
    auto c = translate("SET IDENTITY_INSERT QXDATA_001_2005..cA_ClassDEF ON \r\n"
                       "insert into QXDATA_001_2005..cA_ClassDEF(iclassnum,cclassname) select iClassNum,cClassName from ca_CLassDEF \r\n"
                       "SET IDENTITY_INSERT QXDATA_001_2005..cA_ClassDEF OFF",
                       kResolve);
    ASSERT_EQ(c.size(), 3u);
    EXPECT_TRUE(std::get<IdentityInsert>(c[0]).on);
    EXPECT_EQ(std::get<IdentityInsert>(c[0]).table.schema, "QXDATA_001_2005");
    EXPECT_EQ(plain(c, 1).sql,
              "insert into \"QXDATA_001_2005\".\"cA_ClassDEF\"(iclassnum,cclassname) select iClassNum,cClassName from "
              "\"main\".\"ca_CLassDEF\" \r\n");
    EXPECT_EQ(*plain(c, 1).insertColumns, (std::vector<std::string>{"iclassnum", "cclassname"}));
    EXPECT_FALSE(std::get<IdentityInsert>(c[2]).on);
}

// Keywords are matched by their folded first eight letters and their length;
// a longer keyword by the rest of its letters as well.
TEST(TranslatorTest, KeywordsMatchWholeWordsInAnyCase) {
    auto words = tokenize("IDENTITY_INSERT identity_inserX Identity_Insert_on FROM fromx Froms nonclustereD");
    std::vector<const Token*> w;
    for (const auto& t : words)
        if (t.kind == TokenKind::Word) w.push_back(&t);
    ASSERT_EQ(w.size(), 7u);
    EXPECT_TRUE(w[0]->is("identity_insert"));
    EXPECT_FALSE(w[1]->is("identity_insert"));   // the same first eight letters and length, another ninth to last
    EXPECT_FALSE(w[2]->is("identity_insert"));   // longer
    EXPECT_TRUE(w[3]->is("from"));
    EXPECT_FALSE(w[4]->is("from"));
    EXPECT_FALSE(w[5]->is("from"));
    EXPECT_TRUE(w[6]->is("nonclustered"));
    EXPECT_TRUE(w[1]->is(Keyword::of("IDENTITY_INSERX")));
    EXPECT_FALSE(oneOf(*w[3], kClauseEnds));
    EXPECT_TRUE(oneOf(*w[3], keywordSet<2>({"where", "from"})));
    EXPECT_FALSE(oneOf(*w[4], keywordSet<2>({"where", "from"})));
    // a string or a quoted name is never a keyword
    auto quoted = tokenize("'from' [from] \"from\"");
    for (const auto& t : quoted) EXPECT_FALSE(t.is("from")) << t.text;
}

TEST(TranslatorTest, RunsOfBlanksAndLineBreaksInsideOneStatement) {
    auto c = translate("insert into QXDATA_001_2005..CA_MoveAmoct(iType,iPeriod,cBatchs,"
                       "                                          cAmotype,iOnpTotalAmo)  select iType,iPeriod,cBatchs,"
                       "                                          cAmotype,iOnpTotalAmo       from CA_MoveAmoct       where iperiod=12",
                       kResolve);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_NE(plain(c).sql.find("from \"main\".\"CA_MoveAmoct\"       where iperiod = 12"), std::string::npos);
    EXPECT_EQ(plain(c).insertColumns->size(), 5u);
    // text copied as written around comments (each read as one blank) and names requoted
    auto commented = translate("insert into QXDATA_001_2005..T (a, [b]) /* note */ select a, b from [S] -- end\n", kResolve);
    EXPECT_EQ(plain(commented).sql, "insert into \"QXDATA_001_2005\".\"T\" (a, \"b\")   select a, b from \"main\".\"S\"  \n");
}

TEST(TranslatorTest, NamesLiteralsAndFunctions) {
    auto c = translate("select * from [dbo].[accinformation] where csysid=N'ca' and cname = N'it''s' -- note\n"
                       " and isnull(cvalue, '') = len('x')",
                       kResolve);
    EXPECT_EQ(plain(c).sql, "select * from \"main\".\"accinformation\" where csysid = 'ca' and cname = 'it''s' "
                            "and ifnull(cvalue, '') = length(rtrim('x', ' '))");
    EXPECT_TRUE(plain(c).singleTable);
    // a doubled closing bracket stands for one; a double quote inside a name is doubled for SQLite
    auto quoted = translate("select [we]]ird], [a\"b] from [T]]x]", kResolve);
    EXPECT_EQ(plain(quoted).sql, "select \"we]ird\", \"a\"\"b\" from \"main\".\"T]x\"");
    auto top = translate("select top 2 * from T where a = 1", kResolve);
    EXPECT_EQ(plain(top).sql, "select * from \"main\".\"T\" where a = 1 LIMIT 2");
}

TEST(TranslatorTest, JoinsAndListsQualifyEveryTable) {
    auto c = translate("select a.x from A a join B b on a.k = b.k, C where exists (select 1 from D)", kResolve);
    EXPECT_EQ(plain(c).sql, "select a.x from \"main\".\"A\" a join \"main\".\"B\" b on a.k = b.k, \"main\".\"C\" "
                            "where EXISTS (select 1 from \"main\".\"D\")");
    EXPECT_FALSE(plain(c).singleTable);
}

TEST(TranslatorTest, DdlForms) {
    auto key = translate("ALTER TABLE [dbo].[CA_DistrInput] WITH NOCHECK ADD \r\nCONSTRAINT [aaaaaCA_DistrInput_PK] "
                         "PRIMARY KEY  NONCLUSTERED\r\n(\r\n    [cPPID],\r\n    [cBatch],\r\n    [iPeriod]\r\n)  ",
                         kResolve);
    const auto& add = std::get<AddConstraint>(key.at(0));
    EXPECT_EQ(add.constraint.name, "aaaaaCA_DistrInput_PK");
    EXPECT_EQ(add.constraint.columns, (std::vector<std::string>{"cPPID", "cBatch", "iPeriod"}));
    auto def = translate("alter table ca_onpqu add constraint df_iQuotMat default 1 for iQuotMat", kResolve);
    EXPECT_EQ(std::get<AddDefault>(def.at(0)).column, "iQuotMat");
    auto bind = translate("sp_bindefault N'[dbo].[CA_OnPQu_iQuot_D]', N'[CA_OnPQu].[iQuot]'", kResolve);
    EXPECT_EQ(std::get<BindDefault>(bind.at(0)).table, "CA_OnPQu");
    auto into = translate("select top 0 * into QXDATA_001_2005..CA_DistrInput from CA_DistrInput ", kResolve);
    EXPECT_TRUE(std::get<SelectInto>(into.at(0)).topZero);
    auto table = translate("CREATE TABLE CA_DistrItem ( iItemID int IDENTITY, cItemName varchar(60) not null)", kResolve);
    const auto& model = std::get<CreateTable>(table.at(0)).model;
    EXPECT_TRUE(model.columns.at(0).identity);
    EXPECT_FALSE(model.columns.at(1).nullable);
    auto cond = translate("if exists(select * from sysobjects where name=N'IX') alter table t drop constraint IX", kResolve);
    const auto& ifExists = *std::get<std::shared_ptr<IfExists>>(cond.at(0));
    EXPECT_EQ(ifExists.querySql, "select * from \"main\".\"sysobjects\" where name = 'IX'");
    EXPECT_EQ(std::get<DropConstraint>(ifExists.then).name, "IX");
}

TEST(TranslatorTest, UnknownFormsAndUnreachableDatabasesRaise) {
    EXPECT_THROW(translate("GRANT SELECT ON T TO public", kResolve), UnsupportedStatement);
    EXPECT_THROW(translate("select * from [unterminated", kResolve), UnsupportedStatement);
    EXPECT_THROW(translate("delete from other..T", kResolve), std::runtime_error);
    EXPECT_THROW(translate("select * from a.b.c.d", kResolve), UnsupportedStatement);
}

}  // namespace
}  // namespace vantyr::testing
