#include "platform/sqlite/tokenizer.h"

#include <stdexcept>

namespace vantyr::platform::sqlite {
namespace {

// ASCII classes, as in the C locale: the process locale never changes how a statement splits.
bool digit(unsigned char c) { return c >= '0' && c <= '9'; }
bool letter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool blank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool wordStart(unsigned char c) { return letter(c) || c == '_' || c == '@' || c == '#' || c >= 0x80; }
bool wordPart(unsigned char c) { return letter(c) || digit(c) || c == '_' || c == '@' || c == '#' || c == '$' || c >= 0x80; }

// Reads a quoted run ending in `close`, where a doubled close stands for itself.
std::size_t quotedEnd(std::string_view s, std::size_t open, char close) {
    for (std::size_t i = open + 1; i < s.size(); ++i) {
        if (s[i] != close) continue;
        if (i + 1 < s.size() && s[i + 1] == close) {
            ++i;
            continue;
        }
        return i;
    }
    throw std::invalid_argument("unterminated quoted text in statement");
}

std::string unquote(std::string_view body, char close) {
    std::string out;
    for (std::size_t i = 0; i < body.size(); ++i) {
        out += body[i];
        if (body[i] == close && i + 1 < body.size() && body[i + 1] == close) ++i;
    }
    return out;
}

}  // namespace

std::string lowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = fold(c);
    return out;
}

std::vector<Token> tokenize(std::string_view s) {
    std::vector<Token> tokens;
    tokens.reserve(s.size() / 2 + 8);  // at most about one token in two characters: one allocation
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t start = i;
        if (blank(c)) {
            while (i < s.size() && blank(static_cast<unsigned char>(s[i]))) ++i;
            tokens.push_back({TokenKind::Space, std::string(s.substr(start, i - start)), {}});
        } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            while (i < s.size() && s[i] != '\n') ++i;
            tokens.push_back({TokenKind::Space, " ", {}});
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            std::size_t end = s.find("*/", i + 2);
            if (end == std::string_view::npos) throw std::invalid_argument("unterminated comment in statement");
            i = end + 2;
            tokens.push_back({TokenKind::Space, " ", {}});
        } else if ((c == 'N' || c == 'n') && i + 1 < s.size() && s[i + 1] == '\'') {
            std::size_t end = quotedEnd(s, i + 1, '\'');
            Token t{TokenKind::String, std::string(s.substr(i, end + 1 - i)), unquote(s.substr(i + 2, end - i - 2), '\'')};
            t.national = true;
            tokens.push_back(t);
            i = end + 1;
        } else if (c == '\'') {
            std::size_t end = quotedEnd(s, i, '\'');
            tokens.push_back({TokenKind::String, std::string(s.substr(i, end + 1 - i)), unquote(s.substr(i + 1, end - i - 1), '\'')});
            i = end + 1;
        } else if (c == '[' || c == '"') {
            char close = c == '[' ? ']' : '"';
            std::size_t end = quotedEnd(s, i, close);
            tokens.push_back({TokenKind::QuotedName, std::string(s.substr(i, end + 1 - i)), unquote(s.substr(i + 1, end - i - 1), close)});
            i = end + 1;
        } else if (digit(c) || (c == '.' && i + 1 < s.size() && digit(static_cast<unsigned char>(s[i + 1])) &&
                                 (tokens.empty() || !tokens.back().isName()))) {
            while (i < s.size() && (letter(static_cast<unsigned char>(s[i])) || digit(static_cast<unsigned char>(s[i])) || s[i] == '.')) {
                if (s[i] == '.' && i + 1 < s.size() && s[i + 1] == '.') break;
                ++i;
            }
            std::string n(s.substr(start, i - start));
            tokens.push_back({TokenKind::Number, std::move(n), {}});
        } else if (wordStart(c)) {
            while (i < s.size() && wordPart(static_cast<unsigned char>(s[i]))) ++i;
            std::string w(s.substr(start, i - start));
            tokens.push_back({TokenKind::Word, std::move(w), {}});
        } else {
            std::string_view two = s.substr(i, 2);
            if (two == "<>" || two == ">=" || two == "<=" || two == "!=" || two == "||") {
                tokens.push_back({TokenKind::Symbol, std::string(two), {}});
                i += 2;
            } else {
                tokens.push_back({TokenKind::Symbol, std::string(1, s[i]), {}});
                ++i;
            }
        }
    }
    return tokens;
}

}  // namespace vantyr::platform::sqlite
