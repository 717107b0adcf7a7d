#pragma once
// The component's messages. Release 8.50 shows literal texts and titles in the
// platform's message box; release 8.61 fetches every text by key from the
// suite's message service and shows it there (ShowMsg). Any failure of the box
// or the service is raised to the caller.
#include <string>

#include "platform/platform.h"
#include "shell/release.h"

namespace vantyr::shell {

// Named by the five digits that end the release-8.61 key.
enum class MessageId {
    PrevYearMissing,      // 00137
    CurYearMissing,       // 00139
    FirstYear,            // 00141
    PeriodNotClosed,      // 00143, with the previous year's number
    ConfirmOverwrite,     // 00145, with the previous year's number; OK / Cancel
    Completed,            // 00147
    CurYearHasData,       // 00149 and 00150 on two lines
};

inline constexpr const char* kKeyPrefix = "R4.ca.qxcaendy.endyear.";
inline constexpr const char* kTitleKey = "R4.ca.qxcaendy.endyear.00138";

// mdlFunc's ShowMsg: the thread's message service shows the box; its answer
// comes back unchanged.
long ShowMsg(platform::Platform& platform, const std::string& prompt, int buttons, const std::string& title,
             const std::string& helpFile, int context);

class Messenger {
public:
    Messenger(Release release, platform::Platform& platform) : release_(release), platform_(platform) {}

    // Shows one message; year is the previous year's number for 00143 and
    // 00145. Returns the button the operator chose; release 8.61 narrows the
    // answer to a 16-bit integer for 00145 alone (the one it compares).
    long show(MessageId id, const std::string& year = {});
    // Shows a failure's own description (exclamation icon, the usual title).
    void showError(const std::string& description);

private:
    std::string text861(const char* number, bool takesYear, const std::string& year);

    Release release_;
    platform::Platform& platform_;
};

}  // namespace vantyr::shell
