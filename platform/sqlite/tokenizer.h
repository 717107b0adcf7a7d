#pragma once
// Splits a SQL Server statement text into tokens, keeping each token's
// original text so that a rewrite can reassemble everything it leaves alone.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantyr::platform::sqlite {

// Names fold ASCII letters only: the process locale never changes what a name means.
constexpr char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// ASCII classes, as in the C locale: the process locale never changes how a statement splits.
inline bool digit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool letter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool blank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool wordStart(unsigned char c) { return letter(c) || c == '_' || c == '@' || c == '#' || c >= 0x80; }
inline bool wordPart(unsigned char c) { return letter(c) || digit(c) || c == '_' || c == '@' || c == '#' || c == '$' || c >= 0x80; }

// Case-insensitive comparison of names (inlined: the parser asks it of every token, keyword by keyword).
[[gnu::always_inline]] inline bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i])) return false;
    return true;
}

// The first eight characters of a word, folded, in one number: a word and a
// keyword of the same length and head are compared by one comparison (and
// only a keyword longer than eight characters by the rest of its letters).
constexpr std::uint64_t wordHead(std::string_view w) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < w.size() && i < 8; ++i)
        v |= static_cast<std::uint64_t>(static_cast<unsigned char>(fold(w[i]))) << (8 * i);
    return v;
}

// A keyword as the parser asks for it. A literal's head is worked out when
// the program is built; Keyword::of takes a text known only at run time.
struct Keyword {
    std::string_view text;
    std::uint64_t head;
    consteval Keyword(const char* literal) : text(literal), head(wordHead(text)) {}
    static Keyword of(std::string_view s) { return Keyword(s, wordHead(s)); }

private:
    constexpr Keyword(std::string_view s, std::uint64_t h) : text(s), head(h) {}
};

enum class TokenKind { Word, QuotedName, String, Number, Symbol, Space };

// A token is a view of the statement text it was read from: that text must
// outlive its tokens.
struct Token {
    TokenKind kind = TokenKind::Space;
    bool national = false;   // N'...'
    bool doubled = false;    // String, QuotedName: a doubled closing quote stands for one
    std::string_view text;   // as written
    std::uint64_t head = 0;  // Word: wordHead(text)

    // Word, QuotedName: the name; String: the content; otherwise the text
    std::string value() const;

    // a Word equal to keyword, ignoring case
    [[gnu::always_inline]] bool is(Keyword keyword) const {
        return kind == TokenKind::Word && head == keyword.head && text.size() == keyword.text.size() &&
               (text.size() <= 8 || sameName(text.substr(8), keyword.text.substr(8)));
    }
    [[gnu::always_inline]] bool isSymbol(std::string_view symbol) const {
        if (kind != TokenKind::Symbol || text.size() != symbol.size()) return false;
        for (std::size_t i = 0; i < symbol.size(); ++i)
            if (text[i] != symbol[i]) return false;
        return true;
    }
    bool isName() const { return kind == TokenKind::Word || kind == TokenKind::QuotedName; }
};

// A set of keywords with their heads worked out when the program is built.
template <std::size_t N>
struct KeywordSet {
    std::array<std::string_view, N> words;
    std::array<std::uint64_t, N> heads;
};
template <std::size_t N>
constexpr KeywordSet<N> keywordSet(const std::array<std::string_view, N>& words) {
    KeywordSet<N> set{words, {}};
    for (std::size_t i = 0; i < N; ++i) set.heads[i] = wordHead(words[i]);
    return set;
}

// A Word equal to one of the keywords, ignoring case. Asked of most tokens:
// a keyword of another head or length is passed over by one comparison.
template <std::size_t N>
inline bool oneOf(const Token& t, const KeywordSet<N>& set) {
    if (t.kind != TokenKind::Word) return false;
    for (std::size_t i = 0; i < N; ++i)
        if (set.heads[i] == t.head && set.words[i].size() == t.text.size() &&
            (t.text.size() <= 8 || sameName(t.text.substr(8), set.words[i].substr(8))))
            return true;
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
