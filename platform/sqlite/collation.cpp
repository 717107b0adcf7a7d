#include "platform/sqlite/collation.h"

#include <sqlite3.h>

namespace vantyr::platform::sqlite {
namespace {

constexpr char32_t kBlank = U' ';

int collate(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return compareText(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(lengthA)),
                       std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(lengthB)));
}

}  // namespace

char32_t nextCharacter(std::string_view s, std::size_t& i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = byte(i);
    int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra == 0 || i + static_cast<std::size_t>(extra) >= s.size()) {
        ++i;
        return c;
    }
    char32_t cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        unsigned char part = byte(i + static_cast<std::size_t>(k));
        if ((part & 0xC0) != 0x80) {
            ++i;
            return c;
        }
        cp = (cp << 6) | (part & 0x3F);
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

char32_t foldCharacter(char32_t c) {
    if (c == 0x3000) return kBlank;                               // ideographic blank
    if (c >= 0xFF01 && c <= 0xFF5E) c = c - 0xFF01 + 0x21;        // full-width forms of ASCII
    if (c >= U'A' && c <= U'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;     // Latin-1 capitals
    return c;
}

int compareText(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        char32_t x, y;
        auto ca = i < a.size() ? static_cast<unsigned char>(a[i]) : 0x20u;
        auto cb = j < b.size() ? static_cast<unsigned char>(b[j]) : 0x20u;
        if (ca < 0x80 && cb < 0x80) {  // plain ASCII: the common case, without decoding
            x = ca >= 'A' && ca <= 'Z' ? ca + 0x20 : ca;
            y = cb >= 'A' && cb <= 'Z' ? cb + 0x20 : cb;
            i += i < a.size();
            j += j < b.size();
        } else {
            x = i < a.size() ? foldCharacter(nextCharacter(a, i)) : kBlank;
            y = j < b.size() ? foldCharacter(nextCharacter(b, j)) : kBlank;
        }
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

void registerCollation(sqlite3* db) {
    sqlite3_create_collation_v2(db, kTextCollation, SQLITE_UTF8, nullptr, collate, nullptr);
}

}  // namespace vantyr::platform::sqlite
