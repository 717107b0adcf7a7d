// The trigger and the procedures of groups 8, 10 and 14 as the engine keeps
// them: stored exactly as sent, listed with the server's type letters,
// refused when run; and the dynamic statements of the batch report
// procedures, built from their stored bodies for codes holding a quote.
#include <gtest/gtest.h>

#include <map>

#include "platform/sqlite/tokenizer.h"
#include "platform/sqlite/translator.h"
#include "tests/upgrade/upgrade_groups_fixture.h"
#include "upgrade/statement_groups.h"

namespace vantyr::testing {
namespace {

using platform::sqlite::Token;
using platform::sqlite::TokenKind;

class StoredObjectsTest : public UpgradeGroupsFixture {
protected:
    std::vector<SentStatement> install() {
        return runGroups("2005", {upgrade::VoucherNumberTrigger, upgrade::CostAnalysisProcedures,
                                  upgrade::BatchReportProcedures});
    }
    // The CREATE statement sent for a procedure or trigger.
    std::string created(const std::vector<SentStatement>& sent, const std::string& name) {
        for (const auto& s : sent) {
            auto head = s.sql.substr(0, 120);
            if ((head.rfind("CREATE", 0) == 0) && head.find(name + " ") != std::string::npos) return s.sql;
            if ((head.rfind("CREATE", 0) == 0) && head.find(name + "(") != std::string::npos) return s.sql;
            if ((head.rfind("CREATE", 0) == 0) && head.find("[" + name + "]") != std::string::npos) return s.sql;
        }
        ADD_FAILURE() << "no CREATE for " << name;
        return {};
    }
};

const std::vector<std::string> kProcedures = {
    "CA_SP_ProdIntoWH",  "ca_cbfx_batch",     "CA_Q_JHCB_AllCostItem", "CA_Q_JHCBCLFY_new", "CA_Q_JHCBFZFY_new",
    "CA_Q_JHCBQTFY_new", "CA_Q_SJCB_AllCostItem_new", "CA_Q_SJCBCLFY_new", "CA_Q_SJCBFZFY_new", "CA_Q_SJCBQTFY_new",
    "sp_UniteArchive_CA", "CA_BatchCB_HZB",   "CA_BatchFinMx_HY", "CA_BatchMx1", "CA_BatchMx2", "CA_BatchMx3",
    "CA_BM_CB_TZ",       "CA_BmCBMx"};

TEST_F(StoredObjectsTest, TextsAreKeptExactlyAsSentAndListedWithTheServersLetters) {
    makeUpgradeDemo();
    auto first = install();
    auto second = install();  // dropped and created again
    for (const auto& sent : {first, second}) {
        for (const auto& name : kProcedures) {
            SCOPED_TRACE(name);
            std::string text = created(sent, name);
            EXPECT_EQ(rows("2005", "select definition = " + platform::sqlite::quoteText(text) +
                                       " from vantyr_modules where name = '" + name + "'"),
                      std::vector<std::string>{"1"});
            EXPECT_EQ(rows("2005", "select xtype from sysobjects where name = '" + name + "'"),
                      std::vector<std::string>{"P"});
        }
    }
    EXPECT_EQ(rows("2005", "select t.xtype || ':' || u.name from sysobjects t join sysobjects u on u.id = t.parent_obj "
                           "where t.name = 'catg_vouchnum'"),
              std::vector<std::string>{"TR:CA_SPDF"});
    std::string trigger = created(second, "[catg_vouchnum]");
    EXPECT_EQ(rows("2005", "select definition = " + platform::sqlite::quoteText(trigger) +
                               " from vantyr_modules where name = 'catg_vouchnum'"),
              std::vector<std::string>{"1"});
    // The second installation failed nowhere but in drops of the first run.
    for (const auto& f : failures(second)) ADD_FAILURE() << f.sql.substr(0, 80) << ": " << *f.error;
    // Bodies built line by line: every line ends in CR LF.
    for (const char* name : {"CA_BatchMx1", "sp_UniteArchive_CA", "CA_BmCBMx"}) {
        std::string text = created(second, name);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << name;
        for (std::size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', nl + 1))
            EXPECT_EQ(text[nl - 1], '\r') << name;
    }
}

TEST_F(StoredObjectsTest, RunningAProcedureOrFiringTheTriggerIsRefusedByName) {
    makeUpgradeDemo();
    install();
    auto error = tryExecute("2005", "exec CA_BatchMx2 'B1', 'P1', 3, 1");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("CA_BatchMx2"), std::string::npos) << *error;
    EXPECT_NE(error->find("stores procedures and triggers but does not run them"), std::string::npos) << *error;
    auto before = rows("2005", "select count(*) from CA_SPDf");
    error = tryExecute("2005", "insert into CA_SPDf (cnum) values ('A')");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("catg_vouchnum"), std::string::npos) << *error;
    EXPECT_EQ(rows("2005", "select count(*) from CA_SPDf"), before);
    // Without the trigger the insert runs; a missing procedure is not found.
    ASSERT_EQ(tryExecute("2005", "DROP TRIGGER catg_vouchnum"), std::nullopt);
    EXPECT_EQ(tryExecute("2005", "insert into CA_SPDf (cnum) values ('A')"), std::nullopt);
    error = tryExecute("2005", "exec CA_NoSuchProcedure");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("Could not find stored procedure"), std::string::npos);
}

// ---- the dynamic statements of a stored body, built for given arguments ----------------------------

// Follows the statements of a procedure body that build and execute dynamic
// SQL: assignments of string expressions (literals, variables, '+',
// replace(), convert()), IF/ELSE on the batch or the mode, and EXEC of the
// statement variable. Returns each statement text executed.
class DynamicStatements {
public:
    DynamicStatements(std::map<std::string, std::string> arguments, int mode) : vars_(std::move(arguments)), mode_(mode) {}

    std::vector<std::string> run(const std::string& body) {
        std::vector<std::string> lines;
        for (std::size_t start = 0, end; (end = body.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(trim(body.substr(start, end - start)));
        std::vector<std::string> executed;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            if (line.rfind("if ", 0) == 0) {
                bool holds = condition(line.substr(3));
                bool hasElse = i + 2 < lines.size() && lines[i + 2] == "else";
                if (holds) {
                    step(lines[i + 1], executed);
                    i += hasElse ? 3 : 1;
                } else {
                    i += 1;
                    if (hasElse) {
                        step(lines[i + 2], executed);
                        i += 2;
                    }
                }
                continue;
            }
            step(line, executed);
        }
        return executed;
    }

private:
    static std::string trim(std::string s) {
        while (!s.empty() && s.front() == ' ') s.erase(0, 1);
        return s;
    }
    static std::string lower(const std::string& s) { return platform::sqlite::lowerCase(s); }

    bool condition(const std::string& c) {
        if (c == "@Batch<>'全部'") return vars_.at("@batch") != "全部";
        if (c == "@mode=0") return mode_ == 0;
        return false;  // @DeleteTmp and the like: no dynamic statement depends on them
    }
    void step(const std::string& line, std::vector<std::string>& executed) {
        if (line.rfind("select @", 0) == 0 && line.find(" = ") != std::string::npos) {
            std::string var = lower(line.substr(7, line.find(" = ") - 7));
            const std::string value = line.substr(line.find(" = ") + 3);   // the tokens are views of it
            auto tokens = platform::sqlite::tokenize(value);
            std::erase_if(tokens, [](const Token& t) { return t.kind == TokenKind::Space; });
            std::size_t pos = 0;
            vars_[var] = expression(tokens, pos);
            EXPECT_EQ(pos, tokens.size()) << line;
        } else if (lower(line) == "exec (@csql)") {
            executed.push_back(vars_.at("@csql"));
        }
    }
    std::string operand(const std::vector<Token>& t, std::size_t& pos) {
        const Token& a = t.at(pos++);
        if (a.kind == TokenKind::String) return a.value();
        if (a.is("replace")) {
            EXPECT_TRUE(t.at(pos++).isSymbol("("));
            std::string text = expression(t, pos);
            EXPECT_TRUE(t.at(pos++).isSymbol(","));
            std::string from = expression(t, pos);
            EXPECT_TRUE(t.at(pos++).isSymbol(","));
            std::string to = expression(t, pos);
            EXPECT_TRUE(t.at(pos++).isSymbol(")"));
            std::string out;
            for (std::size_t i = 0; i < text.size();) {
                if (!from.empty() && text.compare(i, from.size(), from) == 0) {
                    out += to;
                    i += from.size();
                } else {
                    out += text[i++];
                }
            }
            return out;
        }
        if (a.is("convert")) {  // convert(type, @period): the period 3
            for (int depth = 0; pos < t.size(); ++pos) {
                if (t[pos].isSymbol("(")) ++depth;
                if (t[pos].isSymbol(")") && --depth == 0) break;
            }
            ++pos;
            return "3";
        }
        if (a.kind == TokenKind::Word && a.text[0] == '@') return vars_.at(lower(std::string(a.text)));
        ADD_FAILURE() << "unexpected operand " << a.text;
        return {};
    }
    std::string expression(const std::vector<Token>& t, std::size_t& pos) {
        std::string value = operand(t, pos);
        while (pos < t.size() && t[pos].isSymbol("+")) {
            ++pos;
            value += operand(t, pos);
        }
        return value;
    }

    std::map<std::string, std::string> vars_;
    int mode_;
};

TEST_F(StoredObjectsTest, ACodeHoldingAQuoteStaysOneLiteralOfOneStatement) {
    makeUpgradeDemo();
    auto sent = install();
    const std::string product = "x';delete ca_amoct--";  // Varchar(20): the whole code
    const std::string batch = "B'7";
    struct Case {
        const char* procedure;
        std::string batch;
        int mode;
    };
    for (const Case& c : {Case{"CA_BatchCB_HZB", batch, 0}, Case{"CA_BatchCB_HZB", batch, 1},
                          Case{"CA_BM_CB_TZ", batch, 0}, Case{"CA_BM_CB_TZ", "全部", 0}, Case{"CA_BmCBMx", batch, 0}}) {
        SCOPED_TRACE(std::string(c.procedure) + " batch " + c.batch);
        DynamicStatements dynamic({{"@batch", c.batch}, {"@productid", product}}, c.mode);
        auto statements = dynamic.run(created(sent, c.procedure));
        EXPECT_GE(statements.size(), 6u);
        for (const auto& sql : statements) {
            SCOPED_TRACE(sql);
            EXPECT_LE(sql.size(), 1000u);  // the statement variable is varchar(1000)
            auto tokens = platform::sqlite::tokenize(sql);
            int productLiterals = 0, batchLiterals = 0;
            for (const auto& t : tokens) {
                EXPECT_FALSE(t.is("delete")) << "a word of the code escaped its literal";
                productLiterals += t.kind == TokenKind::String && t.value() == product;
                batchLiterals += t.kind == TokenKind::String && t.value() == c.batch;
            }
            EXPECT_EQ(productLiterals, 1);
            EXPECT_EQ(batchLiterals, c.batch == "全部" ? 0 : 1);
            auto commands = platform::sqlite::translate(sql, [](const std::string&) { return std::string("main"); });
            EXPECT_EQ(commands.size(), 1u);
        }
    }
    // The same code spliced between bare quotes would have made two statements.
    auto naive = platform::sqlite::translate("select cppid from ca_amoct where cppid='" + product + "'",
                                             [](const std::string&) { return std::string("main"); });
    EXPECT_EQ(naive.size(), 2u);
}

}  // namespace
}  // namespace vantyr::testing
