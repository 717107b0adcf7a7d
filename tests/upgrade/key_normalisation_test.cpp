// Key and constraint normalisation on recording stand-ins: EnsureIndex passes
// over every failure of its own; the two key operations stop at their first.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/support/fake_ado.h"
#include "upgrade/key_normalisation.h"
#include "upgrade/statement_groups.h"

namespace vantyr::testing {
namespace {

using platform::Value;

constexpr const char* kIndexQuery = "select count(*) IndexCount from sysindexes where name='idxmenu'";
constexpr const char* kMenuIndex = "create UNIQUE index idxmenu on CA_MenuDef (cDefault)";
constexpr const char* kForeignKeys = "select name from sysobjects where name like 'FK__CA%'";

class KeyTest : public ::testing::Test {
protected:
    FakeAdo ado;
    std::unique_ptr<platform::AdoConnection> connection = open();
    upgrade::UpgradeSession session{*connection, [this] { return ado.CreateAdoRecordset(); }};

    std::unique_ptr<platform::AdoConnection> open() {
        auto c = ado.CreateAdoConnection();
        c->Open("x");
        return c;
    }
    void foreignKeys(std::initializer_list<const char*> names) {
        for (const char* n : names) ado.results[kForeignKeys].push_back({{"name", Value(n)}});
    }
    static Failure refused() { return {platform::kErrStatementFailed, "refused"}; }
};

TEST_F(KeyTest, EnsureIndexSendsNothingWhenAnyTableHasTheIndex) {
    ado.results[kIndexQuery] = {{{"indexcount", Value(1)}}};
    EXPECT_FALSE(upgrade::EnsureIndex(session, "idxmenu", kMenuIndex));
    EXPECT_TRUE(ado.executed().empty());
}

TEST_F(KeyTest, EnsureIndexLooksUpTheTrimmedNameAndSendsTheStatement) {
    ado.results[kIndexQuery] = {{{"indexcount", Value(0)}}};
    EXPECT_TRUE(upgrade::EnsureIndex(session, "  idxmenu ", kMenuIndex));
    ASSERT_EQ(ado.of("query").size(), 1u);
    EXPECT_EQ(ado.of("query")[0].text, kIndexQuery);
    EXPECT_EQ(ado.of("query")[0].object, "0/1");  // forward-only, read-only
    EXPECT_EQ(ado.executed(), std::vector<std::string>{kMenuIndex});
}

TEST_F(KeyTest, EnsureIndexPassesOverEveryFailureOfItsOwn) {
    ado.failures[kIndexQuery] = refused();
    ado.failures[kMenuIndex] = {platform::kErrStatementFailed, "duplicate key"};
    EXPECT_TRUE(upgrade::EnsureIndex(session, "idxmenu", kMenuIndex));  // the count stays 0
    EXPECT_EQ(ado.executed(), std::vector<std::string>{kMenuIndex});
    ado.failures.erase(kIndexQuery);
    ado.results[kIndexQuery] = {{{"indexcount", Value(1)}}};
    ado.failures["IndexCount"] = refused();
    ado.failWhen = [](const std::string& kind, const std::string&) -> std::optional<Failure> {
        if (kind == "field") return Failure{3265, "unreadable"};
        return std::nullopt;
    };
    EXPECT_TRUE(upgrade::EnsureIndex(session, "idxmenu", kMenuIndex));
}

TEST_F(KeyTest, ProductForeignKeysAreRebuiltOnlyForTheExactColumnName) {
    foreignKeys({"FK__CA_AmoCt__cPPID__1A2B3C4D", "FK__CA_QUO__CPPID__5E6F", "FK__CA_Onpce__cppid__77", "FK__CA_PROPU__cdeptid__12",
                 "FK__CA_TIMST__cPPID__0D0E"});
    upgrade::RebuildProductForeignKeys(session);
    EXPECT_EQ(ado.executed(),
              (std::vector<std::string>{
                  "Alter Table CA_AmoCt drop constraint FK__CA_AmoCt__cPPID__1A2B3C4D",
                  "Alter Table CA_AmoCt ADD FOREIGN KEY(CPPID) REFERENCES ProductStructureEx(cPSPCode) ",
                  "Alter Table CA_TIMST drop constraint FK__CA_TIMST__cPPID__0D0E",
                  "Alter Table CA_TIMST ADD FOREIGN KEY(CPPID) REFERENCES ProductStructureEx(cPSPCode) "}));
    EXPECT_EQ(ado.of("close").size(), 1u);
}

TEST_F(KeyTest, ProductForeignKeysStopAtTheFirstFailure) {
    foreignKeys({"FK__CA_AmoCt__cPPID__1", "FK__CA_QUO__cPPID__2", "FK__CA_TIMST__cPPID__3"});
    // The add fails: that table has lost its old key, and the rest are not visited.
    ado.failures["Alter Table CA_QUO ADD FOREIGN KEY(CPPID) REFERENCES ProductStructureEx(cPSPCode) "] = refused();
    EXPECT_THROW(upgrade::RebuildProductForeignKeys(session), platform::Error);
    EXPECT_EQ(ado.executed().size(), 4u);
    EXPECT_EQ(ado.executed().back(), "Alter Table CA_QUO ADD FOREIGN KEY(CPPID) REFERENCES ProductStructureEx(cPSPCode) ");
}

TEST_F(KeyTest, ProductForeignKeyWithoutTwoSeparatorsEndsTheOperation) {
    foreignKeys({"FK__CA_AmoCt_cPPID", "FK__CA_QUO__cPPID__2"});
    EXPECT_THROW(upgrade::RebuildProductForeignKeys(session), platform::Error);
    EXPECT_TRUE(ado.executed().empty());
}

TEST_F(KeyTest, AFailingDropEndsTheOperationBeforeItsAdd) {
    foreignKeys({"FK__CA_AmoCt__cPPID__1", "FK__CA_QUO__cPPID__2"});
    ado.failures["Alter Table CA_AmoCt drop constraint FK__CA_AmoCt__cPPID__1"] = refused();
    EXPECT_THROW(upgrade::RebuildProductForeignKeys(session), platform::Error);
    EXPECT_EQ(ado.executed().size(), 1u);
}

TEST_F(KeyTest, IdentityKeysForAll44TablesThenTheTwoClusteredKeys) {
    upgrade::AddIdentityKeys(session);
    auto texts = ado.executed();
    ASSERT_EQ(texts.size(), 90u);
    EXPECT_EQ(upgrade::identityKeyTables().size(), 44u);
    EXPECT_EQ(texts[0], "Alter table CA_Acr_DetailMau add autoid int identity(1,1) not null");
    EXPECT_EQ(texts[1], "alter table CA_Acr_DetailMau add constraint PK_CA_Acr_DetailMau primary key nonclustered (autoid)");
    EXPECT_EQ(texts[86], "Alter table CA_ENMOP add autoid int identity(1,1) not null");
    EXPECT_EQ(texts[88], "ALTER TABLE [dbo].[CA_DistrItem] WITH NOCHECK ADD CONSTRAINT [PK_CA_DistrItem] PRIMARY KEY  CLUSTERED (iItemID)  ");
    EXPECT_EQ(texts[89], "ALTER TABLE [dbo].[CA_SPDF] WITH NOCHECK ADD CONSTRAINT [PK_CA_SPDF] PRIMARY KEY  CLUSTERED (ID)");
}

TEST_F(KeyTest, IdentityKeysStopAtATableThatFails) {
    ado.failures["Alter table CA_ASSCW add autoid int identity(1,1) not null"] = {platform::kErrStatementFailed,
                                                                                 "Invalid object name 'CA_ASSCW'."};
    EXPECT_THROW(upgrade::AddIdentityKeys(session), platform::Error);
    EXPECT_EQ(ado.executed().size(), 9u);  // four tables with their keys, then the failing one
    EXPECT_EQ(ado.executed().back(), "Alter table CA_ASSCW add autoid int identity(1,1) not null");
}

TEST_F(KeyTest, KeyNormalisationRunsTheIdentityKeysAfterAFailedRebuild) {
    ado.failures[kForeignKeys] = refused();
    EXPECT_NO_THROW(upgrade::KeyNormalisation(session));
    EXPECT_EQ(ado.executed().size(), 90u);
}

}  // namespace
}  // namespace vantyr::testing
