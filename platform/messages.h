#pragma once
// How the component talks to the operator. Release 8.50 uses the platform's
// modal message box with literal texts; release 8.61 uses the suite's message
// service, which gives texts by key and shows the box itself.
#include <string>
#include <vector>

namespace vantyr::platform {

// Buttons and icon as one number, as in the platform message box.
inline constexpr int kOkExclamation = 48;
inline constexpr int kOkInformation = 64;
inline constexpr int kOkCancelInformation = 65;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Show prompt and title with the buttons; return the button chosen.
    virtual int Show(const std::string& prompt, int buttons, const std::string& title) = 0;
};

class MessageService {
public:
    virtual ~MessageService() = default;
    // The text of key with the arguments substituted. Raises on failure.
    virtual std::string GetString(const std::string& key, int count, const std::vector<std::string>& args) = 0;
    // Show a modal box; return the button value chosen. Raises on failure.
    virtual long ShowMessage(const std::string& prompt, int buttons, const std::string& title,
                             const std::string& helpFile, int helpContext) = 0;
};

}  // namespace vantyr::platform
