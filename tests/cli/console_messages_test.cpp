// The console's message box and message service.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/console_messages.h"
#include "platform/error.h"

namespace vantyr::testing {
namespace {

using cli::Confirm;
using cli::ConsoleMessages;

TEST(ConsoleMessagesTest, TextsByKeyWithTheYearSubstituted) {
    std::ostringstream out;
    std::istringstream in;
    ConsoleMessages zh("zh", Confirm::Ask, out, in, false);
    EXPECT_EQ(zh.GetString("R4.ca.qxcaendy.endyear.00143", 1, {"2004"}), "2004年度第12会计期间未结账,不能执行本功能");
    EXPECT_EQ(zh.GetString("R4.ca.qxcaendy.endyear.00138", 0, {}), "年末结转");
    ConsoleMessages en("en", Confirm::Ask, out, in, false);
    EXPECT_EQ(en.GetString("R4.ca.qxcaendy.endyear.00145", 1, {"2004"}),
              "2004 was already carried over; continuing overwrites data. Continue?");
    EXPECT_THROW(en.GetString("R4.ca.qxcaendy.endyear.99999", 0, {}), platform::Error);
}

// The prompt asks again on an answer it does not know, in the console's
// language; the end of the input is a Cancel.
TEST(ConsoleMessagesTest, PromptAnswersFromTheTerminal) {
    struct Case {
        const char* language;
        std::string typed;
        int expected;
        int asked;   // how often the question was put
    } cases[] = {
        {"en", "ok\n", platform::kAnswerOk, 1},     {"en", "o\n", platform::kAnswerOk, 1},
        {"en", " Yes \n", platform::kAnswerOk, 1},  {"en", "c\n", platform::kAnswerCancel, 1},
        {"en", "maybe\n\nok\n", platform::kAnswerOk, 3}, {"en", "x\n", platform::kAnswerCancel, 2},
        {"en", "", platform::kAnswerCancel, 1},      {"zh", "好\n确定\n", platform::kAnswerOk, 2},
        {"zh", "取消\n", platform::kAnswerCancel, 1},
    };
    for (const auto& c : cases) {
        std::ostringstream out;
        std::istringstream in(c.typed);
        ConsoleMessages console(c.language, Confirm::Ask, out, in, true);
        EXPECT_EQ(console.ShowMessage("Continue?", platform::kOkCancelInformation, "T", "", 0), c.expected) << c.typed;
        std::string question = std::string(c.language) == "zh" ? "[O]确定 / [C]取消? " : "[O]K / [C]ancel? ";
        int asked = 0;
        for (auto at = out.str().find(question); at != std::string::npos; at = out.str().find(question, at + 1)) ++asked;
        EXPECT_EQ(asked, c.asked) << c.typed;
    }
}

// With standard error redirected, the box that asks and its question go to
// the terminal; the log on standard error records the answer.
TEST(ConsoleMessagesTest, PromptIsShownOnTheTerminalWhenErrorsGoElsewhere) {
    std::ostringstream log, terminal;
    std::istringstream in("ok\n");
    ConsoleMessages console("en", Confirm::Ask, log, in, true, &terminal);
    EXPECT_EQ(console.ShowMessage("Continue?", platform::kOkCancelInformation, "T", "", 0), platform::kAnswerOk);
    EXPECT_NE(terminal.str().find("[i] T: Continue?"), std::string::npos);
    EXPECT_NE(terminal.str().find("[O]K / [C]ancel? "), std::string::npos);
    EXPECT_EQ(log.str().find("[O]K / [C]ancel? "), std::string::npos);
    EXPECT_NE(log.str().find("-> OK"), std::string::npos);
}

TEST(ConsoleMessagesTest, WithoutATerminalCancelUnlessYes) {
    std::ostringstream out;
    std::istringstream in("ok\n");
    ConsoleMessages asked("en", Confirm::Ask, out, in, false);
    EXPECT_EQ(asked.ShowMessage("Continue?", platform::kOkCancelInformation, "T", "", 0), platform::kAnswerCancel);
    ConsoleMessages yes("en", Confirm::Yes, out, in, false);
    EXPECT_EQ(yes.ShowMessage("Continue?", platform::kOkCancelInformation, "T", "", 0), platform::kAnswerOk);
    // Information boxes are not questions.
    EXPECT_EQ(asked.ShowMessage("Done", platform::kOkInformation, "T", "", 0), platform::kAnswerOk);
}

TEST(ConsoleMessagesTest, Release850LiteralTextsShownInEnglish) {
    std::ostringstream out;
    std::istringstream in;
    ConsoleMessages en("en", Confirm::Yes, out, in, false);
    en.Show("2004年度第12会计期间未结账,不能执行本功能", platform::kOkInformation, "年末处理");
    en.Show("本年度已录入成本数据， 不能再结转上年数据！\r\n如有必要，请先清空本年度数据库后再试。", platform::kOkExclamation,
            "年末结转");
    en.Show("Timeout expired", platform::kOkExclamation, "年末处理");
    EXPECT_EQ(out.str(),
              "[i] Year-end processing: Period 12 of 2004 is not closed; this function cannot run.\n"
              "[!] Year-end carry-over: The current year already holds cost data; the previous year cannot be carried "
              "over again.\n  If necessary, clear the current year's database and try again.\n"
              "[!] Year-end processing: Timeout expired\n");
}

}  // namespace
}  // namespace vantyr::testing
