#include "cli/console_messages.h"

#include <cctype>
#include <cstdlib>
#include <istream>
#include <nlohmann/json.hpp>
#include <ostream>

#include "platform/error.h"

namespace vantyr::cli {

extern const char* const kMessageTexts;

namespace {

const nlohmann::json& texts() {
    static const nlohmann::json parsed = nlohmann::json::parse(kMessageTexts);
    return parsed;
}

std::string substitute(std::string text, const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string mark = "{" + std::to_string(i) + "}";
        for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at + args[i].size()))
            text.replace(at, mark.size(), args[i]);
    }
    return text;
}

const char* iconOf(int buttons) { return (buttons & 0x30) == 0x30 ? "!" : "i"; }

}  // namespace

std::string languageFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return std::string(value).rfind("zh", 0) == 0 ? "zh" : "en";
    }
    return "en";
}

ConsoleMessages::ConsoleMessages(std::string language, Confirm confirm, std::ostream& out, std::istream& in,
                                 bool interactive, std::ostream* terminal)
    : language_(std::move(language)), confirm_(confirm), out_(out), in_(in), interactive_(interactive),
      terminal_(terminal) {}

// The console's own words (the prompt, its answers), in its language; English
// for a language the resource does not hold.
std::string ConsoleMessages::consoleText(const std::string& name) const {
    const auto& console = texts().at("console");
    const auto& table = console.contains(language_) ? console.at(language_) : console.at("en");
    return table.at(name).get<std::string>();
}

std::string ConsoleMessages::text(const std::string& number, const std::vector<std::string>& args) const {
    if (!texts().contains(language_)) throw platform::Error(-2147467259, "No message texts in language '" + language_ + "'.");
    const auto& table = texts().at(language_);
    auto it = table.find(number);
    if (it == table.end()) throw platform::Error(-2147467259, "No message text for key number " + number + ".");
    return substitute(it->get<std::string>(), args);
}

std::string ConsoleMessages::GetString(const std::string& key, int count, const std::vector<std::string>& args) {
    std::string number = key.size() >= 5 ? key.substr(key.size() - 5) : key;
    return text(number, std::vector<std::string>(args.begin(), args.begin() + std::min<std::size_t>(args.size(), static_cast<std::size_t>(count))));
}

long ConsoleMessages::ShowMessage(const std::string& prompt, int buttons, const std::string& title, const std::string&,
                                  int) {
    return present(prompt, buttons, title);
}

int ConsoleMessages::Show(const std::string& prompt, int buttons, const std::string& title) {
    return present(translated(prompt), buttons, translated(title));
}

// Release 8.50 shows its literal Chinese texts; in English the console shows
// the resource's English text of the same message.
std::string ConsoleMessages::translated(const std::string& literal) const {
    if (language_ == "zh") return literal;
    std::size_t digits = 0;
    while (digits < literal.size() && std::isdigit(static_cast<unsigned char>(literal[digits]))) ++digits;
    std::string year = literal.substr(0, digits);
    const auto& zh = texts().at("zh");
    for (auto it = zh.begin(); it != zh.end(); ++it) {
        std::string text = it.value().get<std::string>();
        if (text == literal) return this->text(it.key());
        if (digits && substitute(text, {year}) == literal) return this->text(it.key(), {year});
    }
    auto cut = literal.find("\r\n");
    if (cut != std::string::npos) return translated(literal.substr(0, cut)) + "\r\n" + translated(literal.substr(cut + 2));
    return literal;
}

int ConsoleMessages::present(const std::string& prompt, int buttons, const std::string& title) {
    std::string shown = prompt;
    for (auto at = shown.find("\r\n"); at != std::string::npos; at = shown.find("\r\n", at)) shown.replace(at, 2, "\n  ");
    std::string box = std::string("[") + iconOf(buttons) + "] " + prefix_ + title + ": " + shown + "\n";
    out_ << box;
    if (buttons != platform::kOkCancelInformation) return platform::kAnswerOk;
    return ask(box);
}

namespace {

std::string folded(std::string answer) {
    while (!answer.empty() && std::isspace(static_cast<unsigned char>(answer.back()))) answer.pop_back();
    while (!answer.empty() && std::isspace(static_cast<unsigned char>(answer.front()))) answer.erase(0, 1);
    for (auto& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return answer;
}

}  // namespace

int ConsoleMessages::ask(const std::string& box) {
    std::string real = dryRun_ ? consoleText("asRealRun") : std::string();
    if (confirm_ == Confirm::Yes) {
        out_ << "    -> " << consoleText("okYes") << real << "\n";
        return platform::kAnswerOk;
    }
    if (!interactive_) {
        out_ << "    -> " << consoleText("cancelNoTerminal") << real << "\n";
        return platform::kAnswerCancel;
    }
    std::ostream& terminal = terminal_ ? *terminal_ : out_;
    if (terminal_) terminal << box;
    for (;;) {
        terminal << "    " << consoleText("ask") << std::flush;
        std::string line;
        if (!std::getline(in_, line)) {
            out_ << "\n    -> " << consoleText("cancelEnd") << "\n";
            return platform::kAnswerCancel;
        }
        std::string answer = folded(line);
        for (const auto* word : {"o", "ok", "y", "yes"})
            if (answer == word || answer == consoleText("okWord")) {
                if (terminal_) out_ << "    -> OK\n";
                return platform::kAnswerOk;
            }
        for (const auto* word : {"c", "cancel", "n", "no"})
            if (answer == word || answer == consoleText("cancelWord")) {
                if (terminal_) out_ << "    -> Cancel\n";
                return platform::kAnswerCancel;
            }
        terminal << "    " << consoleText("again") << "\n";
    }
}

}  // namespace vantyr::cli
