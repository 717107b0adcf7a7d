#include "shell/messages.h"

#include <vector>

namespace vantyr::shell {
namespace {

using namespace vantyr::platform;

struct MessageText {
    MessageId id;
    const char* number;        // end of the release-8.61 key
    const char* second;        // second key of a two-line message, else nullptr
    const char* prompt850;     // release 8.50's literal prompt
    const char* second850;     // its second line
    const char* title850;
    int buttons;
    bool takesYear;            // the previous year's number goes in front (8.50) or as argument (8.61)
};

constexpr MessageText kMessages[] = {
    {MessageId::PrevYearMissing, "00137", nullptr, "未找到上年数据库，不能执行上年结转.", nullptr, "年末结转", kOkExclamation, false},
    {MessageId::CurYearMissing, "00139", nullptr, "未找到本年数据库，不能执行上年结转.", nullptr, "年末结转", kOkExclamation, false},
    {MessageId::FirstYear, "00141", nullptr, "为使用后的第一年，不需要执行上年结转。", nullptr, "上年结转", kOkInformation, false},
    {MessageId::PeriodNotClosed, "00143", nullptr, "年度第12会计期间未结账,不能执行本功能", nullptr, "年末处理", kOkInformation, true},
    {MessageId::ConfirmOverwrite, "00145", nullptr, "年度已进行过年末结转,继续该操作将会覆盖数据,是否继续?", nullptr, "年末结转",
     kOkCancelInformation, true},
    {MessageId::Completed, "00147", nullptr, "结转工作已顺利完成！", nullptr, "结转", kOkInformation, false},
    {MessageId::CurYearHasData, "00149", "00150", "本年度已录入成本数据， 不能再结转上年数据！", "如有必要，请先清空本年度数据库后再试。",
     "年末结转", kOkExclamation, false},
};
constexpr const char* kErrorTitle850 = "年末处理";

const MessageText& lookup(MessageId id) {
    for (const auto& m : kMessages)
        if (m.id == id) return m;
    return kMessages[0];
}

}  // namespace

long ShowMsg(Platform& platform, const std::string& prompt, int buttons, const std::string& title,
             const std::string& helpFile, int context) {
    return platform.ThreadMessageService().ShowMessage(prompt, buttons, title, helpFile, context);
}

std::string Messenger::text861(const char* number, bool takesYear, const std::string& year) {
    std::vector<std::string> args;
    if (takesYear) args.push_back(year);
    return platform_.ThreadMessageService().GetString(std::string(kKeyPrefix) + number,
                                                      static_cast<int>(args.size()), args);
}

long Messenger::show(MessageId id, const std::string& year) {
    const MessageText& m = lookup(id);
    const std::string arg = m.takesYear ? year : std::string();
    if (release_ == Release::V850) {
        std::string prompt = arg + m.prompt850;
        if (m.second850) prompt += std::string("\r\n") + m.second850;
        return platform_.PlatformMessageBox().Show(prompt, m.buttons, m.title850);
    }
    std::string prompt = text861(m.number, m.takesYear, arg);
    if (m.second) prompt += "\r\n" + text861(m.second, false, {});
    std::string title = platform_.ThreadMessageService().GetString(kTitleKey, 0, {});
    long answer = ShowMsg(platform_, prompt, m.buttons, title, "", 0);
    if (id != MessageId::ConfirmOverwrite) return answer;
    return platform::Value(static_cast<std::int64_t>(answer)).toInt16();
}

void Messenger::showError(const std::string& description) {
    if (release_ == Release::V850) {
        platform_.PlatformMessageBox().Show(description, kOkExclamation, kErrorTitle850);
        return;
    }
    std::string title = platform_.ThreadMessageService().GetString(kTitleKey, 0, {});
    ShowMsg(platform_, description, kOkExclamation, title, "", 0);
}

}  // namespace vantyr::shell
