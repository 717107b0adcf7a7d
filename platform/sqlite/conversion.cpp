#include "platform/sqlite/conversion.h"

#include <algorithm>
#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "platform/sqlite/collation.h"
#include "platform/sqlite/datetime_parts.h"
#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

struct NamedKind {
    std::string_view name;
    TypeKind kind;
};
// The most used first: a type is looked up for every column a statement names.
constexpr NamedKind kKinds[] = {
    {"varchar", TypeKind::VarChar},   {"float", TypeKind::Float},       {"int", TypeKind::Int},
    {"tinyint", TypeKind::TinyInt},   {"datetime", TypeKind::DateTime}, {"bit", TypeKind::Bit},
    {"money", TypeKind::Money},       {"nvarchar", TypeKind::VarChar},  {"smallint", TypeKind::SmallInt},
    {"decimal", TypeKind::Decimal},   {"char", TypeKind::Char},         {"nchar", TypeKind::Char},
    {"integer", TypeKind::Int},       {"bigint", TypeKind::BigInt},     {"smallmoney", TypeKind::SmallMoney},
    {"numeric", TypeKind::Decimal},   {"real", TypeKind::Real},         {"sysname", TypeKind::VarChar},
    {"text", TypeKind::Text},         {"ntext", TypeKind::Text},        {"smalldatetime", TypeKind::DateTime},
};

std::string trimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return std::string(s.substr(b, e - b));
}

std::size_t characters(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++n) nextCharacter(s, i);
    return n;
}

}  // namespace

std::string ServerType::spelling() const {
    switch (kind) {
        case TypeKind::Bit: return "bit";
        case TypeKind::TinyInt: return "tinyint";
        case TypeKind::SmallInt: return "smallint";
        case TypeKind::Int: return "int";
        case TypeKind::BigInt: return "bigint";
        case TypeKind::SmallMoney: return "smallmoney";
        case TypeKind::Money: return "money";
        case TypeKind::Decimal: return "decimal(" + std::to_string(precision) + "," + std::to_string(scale) + ")";
        case TypeKind::Real: return "real";
        case TypeKind::Float: return "float";
        case TypeKind::Char: return std::string(national ? "nchar(" : "char(") + std::to_string(length) + ")";
        case TypeKind::VarChar:
            return std::string(national ? "nvarchar(" : "varchar(") + (length < 0 ? "max" : std::to_string(length)) + ")";
        case TypeKind::Text: return national ? "ntext" : "text";
        case TypeKind::DateTime: return "datetime";
        case TypeKind::Null: return "null";
        case TypeKind::Unknown: break;
    }
    return "";
}

ServerType parseServerType(std::string_view spelling) {
    // parsed for every column a statement names: folded into a buffer on the
    // stack, without blanks or brackets (a longer spelling is no type)
    char buffer[64];
    std::size_t size = 0;
    for (char c : spelling) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '[' || c == ']') continue;
        if (size == sizeof buffer) return ServerType{};
        buffer[size++] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    std::string_view all(buffer, size);
    std::string_view name = all.substr(0, all.find('('));
    std::string_view args[2];
    std::size_t argCount = 0;
    if (auto open = all.find('('); open != std::string_view::npos) {
        std::string_view inner = all.substr(open + 1, all.find(')') - open - 1);
        for (std::size_t p = 0; p <= inner.size();) {
            std::size_t comma = std::min(inner.find(',', p), inner.size());
            if (argCount < 2) args[argCount] = inner.substr(p, comma - p);
            ++argCount;
            p = comma + 1;
        }
    }
    ServerType t;
    for (const auto& k : kKinds)
        if (name == k.name) {
            t.kind = k.kind;
            break;
        }
    t.national = (!name.empty() && name.front() == 'n') || name == "sysname";
    auto number = [&](std::size_t i, int fallback) {
        if (i >= std::min<std::size_t>(argCount, 2) || args[i].empty() || !std::isdigit(static_cast<unsigned char>(args[i][0])))
            return fallback;
        int n = fallback;
        std::from_chars(args[i].data(), args[i].data() + args[i].size(), n);
        return n;
    };
    switch (t.kind) {
        case TypeKind::Decimal:
            t.precision = number(0, 18);
            t.scale = number(1, 0);
            break;
        case TypeKind::Float:
            if (number(0, 53) <= 24) t.kind = TypeKind::Real;
            break;
        case TypeKind::Char:
            t.length = number(0, 1);
            break;
        case TypeKind::VarChar:
            t.length = name == "sysname" ? 128 : argCount > 0 && args[0] == "max" ? -1 : number(0, 30);
            break;
        default: break;
    }
    return t;
}

ServerType literalType(std::string_view text, bool isText, bool national) {
    ServerType t;
    if (isText) {
        t.kind = TypeKind::VarChar;
        t.national = national;
        t.length = static_cast<int>(std::max<std::size_t>(1, characters(text)));
        return t;
    }
    if (text.find_first_of("eE") != std::string_view::npos) {
        t.kind = TypeKind::Float;
    } else if (auto dot = text.find('.'); dot != std::string_view::npos) {
        t.kind = TypeKind::Decimal;
        t.scale = static_cast<int>(text.size() - dot - 1);
        t.precision = std::max(1, static_cast<int>(text.size()) - 1);
    } else {
        // an integer within int's range is an int; a longer one is numeric(n,0)
        bool fitsInt = text.size() < 10 || (text.size() == 10 && text <= "2147483647");
        t.kind = fitsInt ? TypeKind::Int : TypeKind::Decimal;
        if (!fitsInt) t.precision = static_cast<int>(text.size());
    }
    return t;
}

namespace {
int rank(TypeKind k) { return static_cast<int>(k); }
ServerType asDecimal(const ServerType& t) {
    switch (t.kind) {
        case TypeKind::Bit: return {TypeKind::Decimal, 1, 0};
        case TypeKind::TinyInt: return {TypeKind::Decimal, 3, 0};
        case TypeKind::SmallInt: return {TypeKind::Decimal, 5, 0};
        case TypeKind::Int: return {TypeKind::Decimal, 10, 0};
        case TypeKind::BigInt: return {TypeKind::Decimal, 19, 0};
        case TypeKind::SmallMoney: return {TypeKind::Decimal, 10, 4};
        case TypeKind::Money: return {TypeKind::Decimal, 19, 4};
        default: return t;
    }
}
}  // namespace

ServerType arithmeticType(const ServerType& a, const ServerType& b, char op) {
    if (!a.isNumber() || !b.isNumber()) return {};
    if (a.kind == TypeKind::Float || b.kind == TypeKind::Float) return {TypeKind::Float};
    if (a.kind == TypeKind::Real || b.kind == TypeKind::Real) return {TypeKind::Real};
    bool decimal = a.kind == TypeKind::Decimal || b.kind == TypeKind::Decimal;
    if (!decimal) {
        ServerType r = rank(a.kind) >= rank(b.kind) ? a : b;
        if (r.kind == TypeKind::Bit) r.kind = TypeKind::Int;
        return r;
    }
    ServerType x = asDecimal(a), y = asDecimal(b);
    int p1 = x.precision, s1 = x.scale, p2 = y.precision, s2 = y.scale, p = 0, s = 0;
    switch (op) {
        case '*': p = p1 + p2 + 1; s = s1 + s2; break;
        case '/': s = std::max(6, s1 + p2 + 1); p = p1 - s1 + s2 + s; break;
        default: s = std::max(s1, s2); p = std::max(p1 - s1, p2 - s2) + s + 1; break;
    }
    if (p > 38) {
        int integral = p - s;
        s = std::max(std::min(s, 6), 38 - integral);
        p = 38;
    }
    return {TypeKind::Decimal, p, s};
}

bool keepsEveryValue(const ServerType& source, const ServerType& target) {
    if (source.kind == TypeKind::Null || source == target) return true;
    if (!source.known()) return false;
    if (source.isText() && target.isText()) {
        if (target.kind == TypeKind::Char) return source.kind == TypeKind::Char && source.length == target.length;
        return target.length < 0 || (source.length >= 0 && source.length <= target.length);
    }
    if (source.isInteger() && target.isInteger())
        return target.kind != TypeKind::Bit && static_cast<int>(source.kind) <= static_cast<int>(target.kind);
    if (target.kind == TypeKind::Float) return source.isNumber();
    if (target.kind == TypeKind::Money) return source.isInteger() && source.kind != TypeKind::BigInt;
    if (target.kind == TypeKind::Decimal && source.kind == TypeKind::Decimal)
        return source.scale <= target.scale && source.precision - source.scale <= target.precision - target.scale;
    return false;
}

double roundHalfAway(double value, int places) {
    double factor = std::pow(10.0, places);
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value * factor);  // drops the binary noise of 1.005 * 100
    return std::round(std::strtod(text, nullptr)) / factor;
}

std::optional<std::string> canonicalDateTime(std::string_view input) {
    std::string s = trimBlanks(input);
    if (s.empty()) return std::string("1900-01-01 00:00:00.000");
    DateTimeParts d;
    std::size_t i = 0;
    auto digits = [&](int& out, std::size_t maxCount) {
        std::size_t start = i;
        out = 0;
        while (i < s.size() && i - start < maxCount && std::isdigit(static_cast<unsigned char>(s[i]))) out = out * 10 + (s[i++] - '0');
        return i - start;
    };
    auto separator = [&] {
        if (i < s.size() && (s[i] == '-' || s[i] == '/' || s[i] == '.')) return s[i++];
        return '\0';
    };
    int a = 0, b = 0, c = 0;
    std::size_t first = digits(a, 8);
    bool timeOnly = i < s.size() && s[i] == ':';
    if (timeOnly) {
        i = 0;
        d.year = 1900, d.month = 1, d.day = 1;
    } else if (first == 8) {
        d.year = a / 10000, d.month = a / 100 % 100, d.day = a % 100;
    } else if (first == 4) {
        char sep = separator();
        if (!sep || !digits(b, 2) || separator() != sep || !digits(c, 2)) return std::nullopt;
        d.year = a, d.month = b, d.day = c;
    } else if (first == 1 || first == 2) {
        char sep = separator();
        if (!sep || !digits(b, 2) || separator() != sep || digits(c, 4) != 4) return std::nullopt;
        d.month = a, d.day = b, d.year = c;
    } else {
        return std::nullopt;
    }
    if (i < s.size() && !timeOnly) {
        if (s[i] != ' ' && s[i] != 'T') return std::nullopt;
        while (i < s.size() && (s[i] == ' ' || s[i] == 'T')) ++i;
    }
    if (i < s.size()) {
        if (!digits(d.hour, 2) || i >= s.size() || s[i++] != ':' || !digits(d.minute, 2)) return std::nullopt;
        if (i < s.size() && s[i] == ':') {
            ++i;
            if (!digits(d.second, 2)) return std::nullopt;
            if (i < s.size() && s[i] == '.') {
                ++i;
                int fraction = 0;
                std::size_t n = digits(fraction, 3);
                while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
                for (; n < 3; ++n) fraction *= 10;
                d.millisecond = fraction;
            }
        }
        while (i < s.size() && s[i] == ' ') ++i;
        std::string rest = lowerCase(s.substr(i));
        if (rest == "pm" && d.hour < 12) d.hour += 12;
        else if (rest == "am" && d.hour == 12) d.hour = 0;
        else if (!rest.empty() && rest != "am" && rest != "pm") return std::nullopt;
    }
    if (!d.valid()) return std::nullopt;
    // The server keeps a datetime to 1/300 s: milliseconds end in 0, 3 or 7.
    constexpr int kToNearest[] = {0, 0, 3, 3, 3, 7, 7, 7, 7, 10};
    int ms = d.millisecond - d.millisecond % 10 + kToNearest[d.millisecond % 10];
    if (ms == 1000) {
        double days = static_cast<double>(d.daysSince1900()) + (d.hour * 3600 + d.minute * 60 + d.second + 1) / 86400.0;
        d = DateTimeParts::fromDaysSince1900(days);
        if (!d.valid()) return std::nullopt;
    } else {
        d.millisecond = ms;
    }
    return d.text();
}

}  // namespace vantyr::platform::sqlite
