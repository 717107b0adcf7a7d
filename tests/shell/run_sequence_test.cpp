// The run of subYearend against the recording stand-ins: stops and their
// messages, the closing-month mark, the prompts, options and outcome handling.
#include <gtest/gtest.h>

#include <algorithm>

#include "shell/endyear.h"
#include "tests/support/fakes.h"

namespace vantyr::testing {
namespace {

using platform::Error;

struct RunFixture : ::testing::Test {
    FakeWorld world;
    std::shared_ptr<FakeLogin> login = std::make_shared<FakeLogin>();

    bool run(Release release, shell::endyear* component = nullptr) {
        shell::endyear local(release, world);
        shell::endyear& c = component ? *component : local;
        c.caLogin(login);
        return c.subYearend();
    }
    std::vector<std::string> prompts() const {
        std::vector<std::string> out;
        for (const auto& m : world.messages.shown) out.push_back(m.prompt);
        return out;
    }
    bool has(const std::string& kind) const {
        auto k = world.kinds();
        return std::find(k.begin(), k.end(), kind) != k.end();
    }
    int count(const std::string& kind) const {
        auto k = world.kinds();
        return static_cast<int>(std::count(k.begin(), k.end(), kind));
    }
};

TEST_F(RunFixture, KeysAndNamesFollowTheLoginObject) {
    scriptNormalRun(world);
    EXPECT_TRUE(run(Release::V861));
    EXPECT_EQ(login->queried, (std::vector<std::string>{"0012004", "0012005"}));
    auto exec = world.executed();
    auto copy = std::find_if(exec.begin(), exec.end(),
                             [](const Event& e) { return e.text.rfind("insert into QXDATA_001_2005..", 0) == 0; });
    ASSERT_NE(copy, exec.end());
    auto reset = std::find_if(exec.begin(), exec.end(),
                              [](const Event& e) { return e.text.find("iendyear=2005") != std::string::npos; });
    ASSERT_NE(reset, exec.end());
    // Values are built from fresh reads, never cached.
    EXPECT_EQ(login->yearReads, 4);
    EXPECT_EQ(login->accountReads, 3);
}

TEST_F(RunFixture, LoginYearOneGivesAccountFollowedByZero) {
    login->year = "1";
    login->existing = {};
    run(Release::V850);
    ASSERT_FALSE(login->queried.empty());
    EXPECT_EQ(login->queried[0], "0010");
}

TEST_F(RunFixture, MissingPreviousYearStopsBeforeAnyDatabaseObject) {
    login->existing = {"0012005"};
    EXPECT_FALSE(run(Release::V861));
    EXPECT_EQ(world.databasesCreated, 0);
    EXPECT_EQ(prompts(), (std::vector<std::string>{"[00137]"}));
    EXPECT_EQ(world.messages.shown[0].buttons, platform::kOkExclamation);
    EXPECT_FALSE(has("begin"));
}

TEST_F(RunFixture, MissingCurrentYearStopsAfterThePreviousYearWasOpened) {
    login->existing = {"0012004"};
    run(Release::V850);
    EXPECT_EQ(world.databasesCreated, 1);
    ASSERT_EQ(world.messages.shown.size(), 1u);
    EXPECT_EQ(world.messages.shown[0].prompt, "未找到本年数据库，不能执行上年结转.");
    EXPECT_EQ(world.messages.shown[0].title, "年末结转");
    EXPECT_FALSE(has("close"));  // a stop closes nothing
}

TEST_F(RunFixture, TheRewrittenKeyIsWhatOpenReceives) {
    scriptNormalRun(world);
    login->rewriteKey = [](Value& key) { key = Value(key.toText() + "X"); };
    login->existing = {"0012004X", "0012005X"};
    run(Release::V850);
    std::vector<std::string> opened;
    for (const auto& e : world.journal)
        if (e.kind == "open") opened.push_back(e.text);
    EXPECT_EQ(login->queried, (std::vector<std::string>{"0012004", "0012005"}));
    EXPECT_EQ(opened, (std::vector<std::string>{"0012004X", "0012005X"}));
}

TEST_F(RunFixture, NoLoginObjectCountsBothExistenceTestsAsTrueAndOpensWithEmptyKeys) {
    shell::endyear c(Release::V861, world);
    EXPECT_FALSE(c.subYearend());
    std::vector<std::string> opened;
    for (const auto& e : world.journal)
        if (e.kind == "open") opened.push_back(e.text);
    EXPECT_EQ(opened, (std::vector<std::string>{"", ""}));
    EXPECT_EQ(prompts(), (std::vector<std::string>{"[00141]"}));  // the state read fails: counts as no row
}

TEST_F(RunFixture, FirstYearOfUseStops) {
    run(Release::V850);
    EXPECT_EQ(prompts(), (std::vector<std::string>{"为使用后的第一年，不需要执行上年结转。"}));
    EXPECT_EQ(world.messages.shown[0].buttons, platform::kOkInformation);
    EXPECT_FALSE(has("begin"));
}

TEST_F(RunFixture, OpenPeriodTwelveStopsNamingThePreviousYear) {
    scriptNormalRun(world);
    world.results[{"0012004", "select * from ca_cbsys "}] = {{{"iendmonth", Value(11)}}};
    run(Release::V850);
    EXPECT_EQ(prompts(), (std::vector<std::string>{"2004年度第12会计期间未结账,不能执行本功能"}));
    EXPECT_FALSE(has("edit"));
    EXPECT_FALSE(has("exec"));
}

TEST_F(RunFixture, OpenPeriodTwelveIn861PassesTheYearAsArgument) {
    scriptNormalRun(world);
    world.results[{"0012004", "select * from ca_cbsys "}] = {{{"iendmonth", Value(11)}}};
    run(Release::V861);
    ASSERT_FALSE(world.messages.fetched.empty());
    EXPECT_EQ(world.messages.fetched[0].first, "R4.ca.qxcaendy.endyear.00143");
    EXPECT_EQ(world.messages.fetched[0].second, (std::vector<std::string>{"2004"}));
    EXPECT_EQ(world.messages.fetched[1].first, "R4.ca.qxcaendy.endyear.00138");
}

TEST_F(RunFixture, NullClosingMonthCountsAsZero) {
    scriptNormalRun(world);
    world.results[{"0012004", "select * from ca_cbsys "}] = {{{"iendmonth", Value::null()}}};
    run(Release::V850);
    EXPECT_EQ(prompts().size(), 1u);
    EXPECT_NE(prompts()[0].find("年度第12会计期间未结账"), std::string::npos);
}

TEST_F(RunFixture, ClosingMonthTwelveIsMarkedThirteenBeforeTheTransaction) {
    scriptNormalRun(world);
    run(Release::V850);
    auto k = world.kinds();
    auto set = std::find(k.begin(), k.end(), "set");
    ASSERT_NE(set, k.end());
    EXPECT_EQ(world.journal[static_cast<std::size_t>(set - k.begin())].text, "iendmonth=13");
    EXPECT_LT(set - k.begin(), std::find(k.begin(), k.end(), "begin") - k.begin());
    EXPECT_EQ(count("update"), 1);
}

TEST_F(RunFixture, ClosingMonthThirteenGoesOnWithoutWriting) {
    scriptNormalRun(world);
    world.results[{"0012004", "select * from ca_cbsys "}] = {{{"iendmonth", Value(13)}}};
    EXPECT_TRUE(run(Release::V861));
    EXPECT_FALSE(has("edit"));
    EXPECT_TRUE(has("commit"));
}

TEST_F(RunFixture, AFailingMarkIsPassedOver) {
    scriptNormalRun(world);
    world.failures["update:select * from ca_cbsys "] = {-2147467259, "locked"};
    run(Release::V850);
    EXPECT_TRUE(has("set"));
    EXPECT_EQ(count("update"), 0);  // tried, failed, passed over
    EXPECT_TRUE(has("commit"));
}

TEST_F(RunFixture, Release850AlwaysAsksWhenTheCurrentYearHasState) {
    scriptNormalRun(world);
    world.results[{"0012005", "select * from ca_cbsys "}] = {{{"binitleft", Value(0)}}};
    world.messages.answer = platform::kAnswerCancel;
    run(Release::V850);
    ASSERT_EQ(world.messages.shown.size(), 1u);
    EXPECT_EQ(world.messages.shown[0].prompt, "2004年度已进行过年末结转,继续该操作将会覆盖数据,是否继续?");
    EXPECT_EQ(world.messages.shown[0].buttons, platform::kOkCancelInformation);
    EXPECT_FALSE(has("begin"));
    EXPECT_TRUE(has("set"));  // the mark survives the Cancel
}

TEST_F(RunFixture, Release861AsksOnlyWhenBinitleftIsOne) {
    scriptNormalRun(world);
    world.results[{"0012005", "select * from ca_cbsys "}] = {{{"binitleft", Value(0)}}};
    EXPECT_TRUE(run(Release::V861));
    EXPECT_EQ(prompts(), (std::vector<std::string>{"[00147]"}));
}

TEST_F(RunFixture, Release861NullBinitleftDoesNotAsk) {
    scriptNormalRun(world);
    world.results[{"0012005", "select * from ca_cbsys "}] = {{{"binitleft", Value::null()}}};
    EXPECT_TRUE(run(Release::V861));
    EXPECT_EQ(prompts(), (std::vector<std::string>{"[00147]"}));
}

TEST_F(RunFixture, Release861BinitleftOneAsksAndCancelStops) {
    scriptNormalRun(world);
    world.results[{"0012005", "select * from ca_cbsys "}] = {{{"binitleft", Value(1)}}};
    world.messages.answer = platform::kAnswerCancel;
    EXPECT_FALSE(run(Release::V861));
    EXPECT_EQ(prompts(), (std::vector<std::string>{"[00145](2004)"}));
    EXPECT_FALSE(has("begin"));
}

TEST_F(RunFixture, Release861UnreadableBinitleftCountsAsOne) {
    scriptNormalRun(world);
    world.results[{"0012005", "select * from ca_cbsys "}] = {{{"other", Value(1)}}};
    EXPECT_TRUE(run(Release::V861));
    EXPECT_EQ(prompts(), (std::vector<std::string>{"[00145](2004)", "[00147]"}));
}

TEST_F(RunFixture, AFailingPromptLeavesTheAnswerAtZeroAndStops) {
    scriptNormalRun(world);
    world.results[{"0012005", "select * from ca_cbsys "}] = {{{"binitleft", Value(1)}}};
    world.messages.failGetString = true;
    EXPECT_FALSE(run(Release::V861));
    EXPECT_FALSE(has("begin"));
}

TEST_F(RunFixture, AFailingCurrentStateQueryCountsAsNoRow) {
    scriptNormalRun(world);
    world.results[{"0012005", "select * from ca_cbsys "}] = {{{"binitleft", Value(1)}}};
    world.failWhen = [](const std::string& key, const std::string& sql) -> std::optional<Failure> {
        if (key == "0012005" && sql == "select * from ca_cbsys ") return Failure{-2147220991, "gone"};
        return std::nullopt;
    };
    EXPECT_TRUE(run(Release::V850));  // no prompt: the run goes on and commits
    EXPECT_EQ(prompts(), (std::vector<std::string>{"结转工作已顺利完成！"}));
}

TEST_F(RunFixture, CommittedRunShowsSuccessAndClosesBothInOrder) {
    scriptNormalRun(world);
    EXPECT_TRUE(run(Release::V861));
    auto k = world.kinds();
    ASSERT_GE(k.size(), 3u);
    EXPECT_EQ(k[k.size() - 3], "message");
    EXPECT_EQ(world.journal[k.size() - 2].kind, "close");
    EXPECT_EQ(world.journal[k.size() - 2].object, "0012004");
    EXPECT_EQ(world.journal[k.size() - 1].object, "0012005");
    EXPECT_EQ(world.messages.shown.back().buttons, platform::kOkInformation);
}

TEST_F(RunFixture, Release850ShowsTheLiteralSuccessText) {
    scriptNormalRun(world);
    run(Release::V850);
    ASSERT_FALSE(world.messages.shown.empty());
    EXPECT_EQ(world.messages.shown.back().prompt, "结转工作已顺利完成！");
    EXPECT_EQ(world.messages.shown.back().title, "结转");
}

TEST_F(RunFixture, Error3200RollsBackWithTheTwoLineMessage) {
    scriptNormalRun(world);
    world.failures["delete from ca_pronb "] = {3200, "related records"};
    run(Release::V850);
    EXPECT_TRUE(has("rollback"));
    EXPECT_FALSE(has("commit"));
    EXPECT_EQ(world.messages.shown.back().prompt,
              "本年度已录入成本数据， 不能再结转上年数据！\r\n如有必要，请先清空本年度数据库后再试。");
    EXPECT_EQ(world.messages.shown.back().buttons, platform::kOkExclamation);
    EXPECT_EQ(count("close"), 2);
    // Nothing after the failing delete was sent.
    EXPECT_EQ(world.executed().back().text, "delete from ca_pronb ");
}

TEST_F(RunFixture, Error3200In861JoinsBothKeysAndReturnsFalse) {
    scriptNormalRun(world);
    world.failures["delete from ca_pronb "] = {3200, "related records"};
    EXPECT_FALSE(run(Release::V861));
    EXPECT_EQ(world.messages.shown.back().prompt, "[00149]\r\n[00150]");
}

TEST_F(RunFixture, OrdinaryStatementFailureIsSkippedAndTheRunCommits) {
    scriptNormalRun(world);
    world.failures["delete from ca_QUO "] = {-2147220991, "no such table"};
    EXPECT_TRUE(run(Release::V861));
    auto exec = world.executed();
    auto it = std::find_if(exec.begin(), exec.end(), [](const Event& e) { return e.text == "delete from ca_QUO "; });
    ASSERT_NE(it, exec.end());
    EXPECT_EQ((it + 1)->text, "delete from ca_ProPt ");
    EXPECT_TRUE(has("commit"));
}

TEST_F(RunFixture, AnyOtherErrorShowsItsDescriptionEvenWhenEmpty) {
    scriptNormalRun(world);
    world.failures["delete from ca_QUO "] = {-2147217900, ""};
    EXPECT_FALSE(run(Release::V861));
    EXPECT_TRUE(has("rollback"));
    EXPECT_EQ(world.messages.shown.back().prompt, "");
    EXPECT_EQ(world.messages.shown.back().title, "[00138]");
    EXPECT_EQ(world.messages.shown.back().buttons, platform::kOkExclamation);
    EXPECT_EQ(count("close"), 2);
}

TEST_F(RunFixture, AnExceptionThatIsNotThePlatformsRollsBackLikeAnyOtherError) {
    scriptNormalRun(world);
    world.failures["delete from ca_QUO "] = {0, "bad_alloc"};
    world.failures["select * from ca_cbsys "] = {0, "not a platform error"};
    world.failWhen = nullptr;
    EXPECT_FALSE(run(Release::V861));  // the state read fails: first-year stop, nothing escapes
    world.failures.erase("select * from ca_cbsys ");
    world.journal.clear();
    EXPECT_FALSE(run(Release::V861));
    EXPECT_TRUE(has("rollback"));
    EXPECT_EQ(world.messages.shown.back().prompt, "bad_alloc");
}

TEST_F(RunFixture, Release850ErrorTitle) {
    scriptNormalRun(world);
    world.failures["delete from ca_QUO "] = {-2147217900, "Timeout expired"};
    run(Release::V850);
    EXPECT_EQ(world.messages.shown.back().prompt, "Timeout expired");
    EXPECT_EQ(world.messages.shown.back().title, "年末处理");
}

TEST_F(RunFixture, AFailingClosingMessageIsRaisedToTheCaller) {
    scriptNormalRun(world);
    world.messages.failShow = true;
    EXPECT_THROW(run(Release::V850), Error);
    EXPECT_TRUE(has("commit"));
}

TEST_F(RunFixture, ASecondRunOnTheSameInstanceStartsOver) {
    scriptNormalRun(world);
    world.failures["delete from ca_QUO "] = {-2147217900, "Timeout expired"};
    shell::endyear c(Release::V861, world);
    c.caLogin(login);
    EXPECT_FALSE(c.subYearend());
    world.failures.clear();
    world.journal.clear();
    EXPECT_TRUE(c.subYearend());
    EXPECT_EQ(world.journal.front().kind, "open");
    EXPECT_EQ(world.databasesCreated, 4);
}

TEST_F(RunFixture, Release850UpgradesBeforeTheTransactionAnd861DoesNot) {
    scriptNormalRun(world);
    run(Release::V850);
    auto k = world.kinds();
    auto conn = std::find(k.begin(), k.end(), "connection");
    ASSERT_NE(conn, k.end());
    EXPECT_LT(conn - k.begin(), std::find(k.begin(), k.end(), "begin") - k.begin());
    world.journal.clear();
    run(Release::V861);
    EXPECT_FALSE(has("connection"));
}

// GetOption and its effect on the constraint drop.
struct OptionFixture : RunFixture {
    void options(std::optional<const char*> a, std::optional<const char*> b) {
        if (a) world.results[{"0012004", "select * from accinformation where csysid=N'ca' and cid=N'8601'"}] = {
            {{"cvalue", Value(*a)}}};
        if (b) world.results[{"0012004", "select * from accinformation where csysid=N'ca' and cid=N'8602'"}] = {
            {{"cvalue", Value(*b)}}};
    }
    std::vector<std::string> drops() const {
        std::vector<std::string> out;
        for (const auto& e : world.executed())
            if (e.text.rfind("if exists", 0) == 0) out.push_back(e.text);
        return out;
    }
};

TEST_F(OptionFixture, FourCasesOfTheOptions) {
    struct Case {
        std::optional<const char*> a, b;
        std::int16_t before, after;
    };
    for (const Case& k : {Case{"1", "1", 0, 2}, Case{"1", std::nullopt, 0, 1}, Case{std::nullopt, std::nullopt, 2, 0},
                          Case{"0", "1", 1, 1}, Case{"0", "1", 0, 0}, Case{"1", "0", 0, 1}}) {
        FakeWorld fresh;
        scriptNormalRun(fresh);
        world.results = fresh.results;
        world.tableColumns = fresh.tableColumns;
        world.journal.clear();
        world.results.erase({"0012004", "select * from accinformation where csysid=N'ca' and cid=N'8601'"});
        world.results.erase({"0012004", "select * from accinformation where csysid=N'ca' and cid=N'8602'"});
        options(k.a, k.b);
        shell::endyear c(Release::V861, world);
        c.caLogin(login);
        c.gOption(k.before);
        EXPECT_TRUE(c.subYearend());
        EXPECT_EQ(c.gOption(), k.after);
        ASSERT_EQ(drops().size(), 1u);
        EXPECT_NE(drops()[0].find(k.after ? "IX_Ca_COReal3" : "IX_Ca_COReal2"), std::string::npos);
    }
}

TEST_F(OptionFixture, NullCvalueIsOff) {
    scriptNormalRun(world);
    world.results[{"0012004", "select * from accinformation where csysid=N'ca' and cid=N'8601'"}] = {
        {{"cvalue", Value::null()}}};
    shell::endyear c(Release::V861, world);
    c.caLogin(login);
    c.gOption(2);
    c.subYearend();
    EXPECT_EQ(c.gOption(), 0);
}

TEST_F(OptionFixture, GetOptionOnAFreshInstanceRaisesObjectNotSet) {
    shell::endyear c(Release::V861, world);
    c.gOption(1);
    try {
        c.GetOption();
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), platform::kErrObjectNotSet);
    }
    EXPECT_EQ(c.gOption(), 1);
}

TEST_F(OptionFixture, AFailingOptionReadRollsBack) {
    scriptNormalRun(world);
    world.failures["select * from accinformation where csysid=N'ca' and cid=N'8601'"] = {3265, "Item not found"};
    EXPECT_FALSE(run(Release::V861));
    EXPECT_TRUE(has("rollback"));
    EXPECT_EQ(world.messages.shown.back().prompt, "Item not found");
}

TEST_F(OptionFixture, Release850SendsNoDrop) {
    scriptNormalRun(world);
    run(Release::V850);
    EXPECT_TRUE(drops().empty());
}

}  // namespace
}  // namespace vantyr::testing

namespace vantyr::testing {
namespace {

// A repeated carry-over replaces the two tables without a key: they are
// emptied inside the transaction, before their copies, only when the current
// year had state and the run goes on over it. A first carry-over sends
// exactly the statements it always sent.
long positionOf(const FakeWorld& world, const std::string& text) {
    auto executed = world.executed();
    for (std::size_t i = 0; i < executed.size(); ++i)
        if (executed[i].text == text) return static_cast<long>(i);
    return -1;
}

bool runOn(FakeWorld& world, Release release) {
    shell::endyear component(release, world);
    component.caLogin(std::make_shared<FakeLogin>());
    return component.subYearend();
}

TEST(ReplaceUnkeyedTables, OnlyARunOverEarlierStateEmptiesThem) {
    struct Case {
        Release release;
        std::optional<Value> binitleft;   // none: the current year has no state row
        bool emptied;
    } cases[] = {
        {Release::V850, std::nullopt, false},
        {Release::V861, std::nullopt, false},
        {Release::V850, Value(0), true},
        {Release::V861, Value(1), true},
        {Release::V861, Value(0), true},   // 8.61 goes on over it without asking
    };
    const std::string copy = "insert into QXDATA_001_2005..cA_ACR_invC (cinvCCode,cppid, iinvcquo) select "
                             "cinvccode,cppid, iinvcquo from ca_ACR_invc ";
    for (const auto& c : cases) {
        FakeWorld world;
        scriptNormalRun(world);
        if (c.binitleft) world.results[{"0012005", "select * from ca_cbsys "}] = {{{"binitleft", *c.binitleft}}};
        EXPECT_TRUE(runOn(world, c.release));
        for (const char* clear : {"delete from cA_ACR_invC ", "delete from cA_Allmt_invc "}) {
            long at = positionOf(world, clear);
            EXPECT_EQ(at >= 0, c.emptied) << clear;
            if (at >= 0) {
                EXPECT_LT(at, positionOf(world, copy));
            }
        }
    }
}

TEST_F(RunFixture, AFailingDatabaseCreationIsToleratedLikeAnyStepBeforeTheHandler) {
    scriptNormalRun(world);
    world.failCreateDatabase = true;
    bool result = true;
    EXPECT_NO_THROW(result = run(Release::V861));
    EXPECT_FALSE(result);
    EXPECT_FALSE(has("begin"));
    EXPECT_EQ(prompts(), (std::vector<std::string>{"[00141]"}));  // no state could be read: first year
}

// Release 8.61 narrows the answer of 00145 to 16 bits, and no other: an
// answer out of that range to the closing message is no error.
TEST(AnswerNarrowing, OnlyTheConfirmationAnswerIsNarrowed) {
    FakeWorld committed;
    scriptNormalRun(committed);
    committed.messages.serviceAnswer = 70000;
    bool result = false;
    EXPECT_NO_THROW(result = runOn(committed, Release::V861));
    EXPECT_TRUE(result);

    FakeWorld asked;
    scriptNormalRun(asked);
    asked.results[{"0012005", "select * from ca_cbsys "}] = {{{"binitleft", Value(1)}}};
    asked.messages.serviceAnswer = 70000;   // overflows on narrowing: the answer stays 0, the run stops
    EXPECT_FALSE(runOn(asked, Release::V861));
    EXPECT_TRUE(asked.executed().empty());
}

}  // namespace
}  // namespace vantyr::testing
