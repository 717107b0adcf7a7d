#include "platform/sqlite/tokenizer.h"

#include <array>

#include <stdexcept>

namespace vantyr::platform::sqlite {
namespace {

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

std::string Token::value() const {
    if (kind != TokenKind::String && kind != TokenKind::QuotedName) return std::string(text);
    std::string_view body = text.substr(national ? 2 : 1, text.size() - (national ? 3 : 2));
    return doubled ? unquote(body, text.back()) : std::string(body);
}

std::vector<Token> tokenize(std::string_view s) {
    std::vector<Token> tokens;
    tokens.reserve(s.size() / 2 + 8);   // a column list splits into a token for every two or three characters
    auto add = [&](TokenKind kind, std::string_view text) -> Token& {
        Token& t = tokens.emplace_back();
        t.kind = kind;
        t.text = text;
        return t;
    };
    // a quoted run from `open` to its closing quote
    auto quotedToken = [&](TokenKind kind, std::size_t from, std::size_t open, char close) -> Token& {
        std::size_t end = quotedEnd(s, open, close);
        Token& t = add(kind, s.substr(from, end + 1 - from));
        t.doubled = s.substr(open + 1, end - open - 1).find(std::string_view(&close, 1)) != std::string_view::npos;
        return t;
    };
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t start = i;
        if (blank(c)) {
            while (i < s.size() && blank(static_cast<unsigned char>(s[i]))) ++i;
            add(TokenKind::Space, s.substr(start, i - start));
        } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            while (i < s.size() && s[i] != '\n') ++i;
            add(TokenKind::Space, " ");
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            std::size_t end = s.find("*/", i + 2);
            if (end == std::string_view::npos) throw std::invalid_argument("unterminated comment in statement");
            i = end + 2;
            add(TokenKind::Space, " ");
        } else if ((c == 'N' || c == 'n') && i + 1 < s.size() && s[i + 1] == '\'') {
            Token& t = quotedToken(TokenKind::String, i, i + 1, '\'');
            t.national = true;
            i += t.text.size();
        } else if (c == '\'') {
            i += quotedToken(TokenKind::String, i, i, '\'').text.size();
        } else if (c == '[' || c == '"') {
            i += quotedToken(TokenKind::QuotedName, i, i, c == '[' ? ']' : '"').text.size();
        } else if (digit(c) || (c == '.' && i + 1 < s.size() && digit(static_cast<unsigned char>(s[i + 1])) &&
                                 (tokens.empty() || !tokens.back().isName()))) {
            while (i < s.size() && (letter(static_cast<unsigned char>(s[i])) || digit(static_cast<unsigned char>(s[i])) || s[i] == '.')) {
                if (s[i] == '.' && i + 1 < s.size() && s[i + 1] == '.') break;
                ++i;
            }
            add(TokenKind::Number, s.substr(start, i - start));
        } else if (wordStart(c)) {
            while (i < s.size() && wordPart(static_cast<unsigned char>(s[i]))) ++i;
            add(TokenKind::Word, s.substr(start, i - start)).head = wordHead(s.substr(start, i - start));
        } else {
            std::string_view two = s.substr(i, 2);
            bool pair = two == "<>" || two == ">=" || two == "<=" || two == "!=" || two == "||";
            add(TokenKind::Symbol, s.substr(i, pair ? 2 : 1));
            i += pair ? 2 : 1;
        }
    }
    return tokens;
}

bool plainSelect(const Token* first, const Token* last) {
    static constexpr auto kReshaping = keywordSet<12>({"distinct", "top", "group", "order", "having", "union", "except",
                                                       "intersect", "limit", "window", "over", "into"});
    static constexpr auto kAggregates = keywordSet<7>({"count", "sum", "max", "min", "avg", "total", "group_concat"});
    int depth = 0;
    for (const Token* t = first; t != last; ++t) {
        if (t->isSymbol("(")) ++depth;
        if (t->isSymbol(")")) --depth;
        if (oneOf(*t, kAggregates) || (depth == 0 && oneOf(*t, kReshaping))) return false;
    }
    return true;
}

}  // namespace vantyr::platform::sqlite
