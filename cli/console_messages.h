#pragma once
// Messages of the vantyr command on a console: the message box of release
// 8.50 and the message service of release 8.61, with the texts of the
// release-8.61 keys from the command's resource file in Chinese or English.
// The OK/Cancel prompt asks on the terminal, in the console's language, and
// asks again on an answer it does not know; without a terminal it answers
// Cancel, unless the operator said --yes. Boxes go to the error stream, so
// that the output stream carries only data (a plan, a trace); when the error
// stream is not the terminal, a box that asks is shown on the terminal too.
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/messages.h"

namespace vantyr::cli {

enum class Confirm { Ask, Yes };

// "zh" or "en" from LC_ALL, LC_MESSAGES or LANG; English when none says Chinese.
std::string languageFromEnvironment();

class ConsoleMessages : public platform::MessageBox, public platform::MessageService {
public:
    // terminal: where to ask when `out` is not the terminal (nullptr: out is).
    ConsoleMessages(std::string language, Confirm confirm, std::ostream& out, std::istream& in, bool interactive,
                    std::ostream* terminal = nullptr);

    int Show(const std::string& prompt, int buttons, const std::string& title) override;
    std::string GetString(const std::string& key, int count, const std::vector<std::string>& args) override;
    long ShowMessage(const std::string& prompt, int buttons, const std::string& title, const std::string& helpFile,
                     int helpContext) override;

    // Marks every box as one of a dry run, which writes nothing; its prompt
    // is answered as the real run would answer it, and says so.
    void markDryRun() {
        prefix_ = "(dry run) ";
        dryRun_ = true;
    }

    // A text of the resource by the five digits of its key, in the console's language.
    std::string text(const std::string& number, const std::vector<std::string>& args = {}) const;

private:
    int present(const std::string& prompt, int buttons, const std::string& title);
    int ask(const std::string& box);
    std::string consoleText(const std::string& name) const;
    std::string translated(const std::string& literal) const;

    std::string language_;
    Confirm confirm_;
    std::ostream& out_;
    std::istream& in_;
    bool interactive_;
    std::ostream* terminal_;
    std::string prefix_;
    bool dryRun_ = false;
};

}  // namespace vantyr::cli
