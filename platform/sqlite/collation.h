#pragma once
// The text collation of the account-year databases, with the server's default
// rules: case-insensitive (ASCII and Latin-1 letters), width-insensitive for the
// full-width Latin letters, digits, signs and the ideographic blank, and blind
// to trailing blanks (the shorter text compares as if padded with blanks).
// Every text column of a modelled table is declared with it, so equality,
// ordering, unique keys, GROUP BY and DISTINCT follow these rules; LIKE does
// not use it. registerCollation must run on every connection that opens an
// account-year file: SQLite refuses statements that need a collation it does
// not know.
#include <string_view>

struct sqlite3;

namespace vantyr::platform::sqlite {

inline constexpr const char* kTextCollation = "VANTYR_CI";

// <0, 0, >0 as a sorts before, equal to or after b under the collation.
int compareText(std::string_view a, std::string_view b);

// One character of UTF-8 text at i (advancing i); a byte that starts no
// valid sequence stands for itself.
char32_t nextCharacter(std::string_view text, std::size_t& i);
// The character the collation compares in place of c.
char32_t foldCharacter(char32_t c);

void registerCollation(sqlite3* db);

}  // namespace vantyr::platform::sqlite
