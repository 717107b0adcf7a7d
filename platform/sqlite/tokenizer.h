#pragma once
// Splits a SQL Server statement text into tokens, keeping each token's
// original text so that a rewrite can reassemble everything it leaves alone.
#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vantyr::platform::sqlite {

// Names fold ASCII letters only: the process locale never changes what a name means.
inline char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-insensitive comparison of names (inlined: the parser asks it of every token, keyword by keyword).
[[gnu::always_inline]] inline bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i])) return false;
    return true;
}

enum class TokenKind { Word, QuotedName, String, Number, Symbol, Space };

// A token is a view of the statement text it was read from: that text must
// outlive its tokens.
struct Token {
    TokenKind kind = TokenKind::Space;
    bool national = false;   // N'...'
    bool doubled = false;    // String, QuotedName: a doubled closing quote stands for one
    std::string_view text;   // as written

    // Word, QuotedName: the name; String: the content; otherwise the text
    std::string value() const;

    // a Word equal to keyword, ignoring case
    [[gnu::always_inline]] bool is(std::string_view keyword) const { return kind == TokenKind::Word && sameName(text, keyword); }
    [[gnu::always_inline]] bool isSymbol(std::string_view symbol) const {
        if (kind != TokenKind::Symbol || text.size() != symbol.size()) return false;
        for (std::size_t i = 0; i < symbol.size(); ++i)
            if (text[i] != symbol[i]) return false;
        return true;
    }
    bool isName() const { return kind == TokenKind::Word || kind == TokenKind::QuotedName; }
};

// A Word equal to one of the keywords, ignoring case.
// Asked of most tokens: a keyword of another length or first letter is passed
// over without comparing the rest.
template <std::size_t N>
inline bool oneOf(const Token& t, const std::array<std::string_view, N>& words) {
    if (t.kind != TokenKind::Word || t.text.empty()) return false;
    const std::size_t size = t.text.size();
    const char first = fold(t.text[0]);
    for (std::string_view w : words)
        if (w.size() == size && fold(w[0]) == first && sameName(t.text, w)) return true;
    return false;
}

// Raises std::invalid_argument on an unterminated string or bracketed name.
std::vector<Token> tokenize(std::string_view sql);

// True when the tokens of a SELECT (its own, from the SELECT on) neither sort,
// group, aggregate, remove duplicates, limit nor combine its rows, so that
// values appended to its select list are computed once for each row it
// gives, in order.
bool plainSelect(const Token* first, const Token* last);

std::string lowerCase(std::string_view s);

}  // namespace vantyr::platform::sqlite
