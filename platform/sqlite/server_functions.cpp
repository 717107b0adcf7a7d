// The SQLite functions through which translated statements apply the
// server's conversions and operators (see conversion.h). A refusal ends the
// statement with the server's message number and wording.
#include <sqlite3.h>

#include <chrono>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <stdexcept>
#include <string>

#include "platform/sqlite/collation.h"
#include "platform/sqlite/conversion.h"
#include "platform/sqlite/datetime_parts.h"
#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

class Refusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void refuse(int number, const std::string& text) {
    throw Refusal("Msg " + std::to_string(number) + ", Level 16: " + text);
}
[[noreturn]] void overflow(const ServerType& t) {
    refuse(8115, "Arithmetic overflow error converting expression to data type " +
                     std::string(t.kind == TypeKind::Decimal ? "numeric" : t.spelling()) + ".");
}

std::string textOf(sqlite3_value* v) {
    auto p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return std::string(p ? p : "", static_cast<std::size_t>(sqlite3_value_bytes(v)));
}

std::string trimmed(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

// [sign] digits [. digits] [e [sign] digits]: the number forms a text may hold.
bool numberText(const std::string& s, bool fraction, bool exponent) {
    std::size_t i = 0, digits = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    if (fraction && i < s.size() && s[i] == '.')
        for (++i; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) ++digits;
    if (digits == 0) return false;
    if (exponent && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i]))) return false;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
    }
    return i == s.size();
}

std::int64_t toInteger(sqlite3_value* v, const ServerType& t) {
    double d = 0;
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER: {
            std::int64_t i = sqlite3_value_int64(v);
            d = static_cast<double>(i);
            if (t.kind == TypeKind::BigInt) return i;
            break;
        }
        case SQLITE_FLOAT:
            d = sqlite3_value_double(v);
            if (t.kind == TypeKind::Bit) return d != 0;  // 0.5 is 1: any value but zero
            d = std::trunc(d);
            break;
        default: {
            std::string s = trimmed(textOf(v));
            if (t.kind == TypeKind::Bit && (sameName(s, "true") || sameName(s, "false"))) return sameName(s, "true");
            if (!numberText(s, false, false))
                refuse(245, "Conversion failed when converting the varchar value '" + textOf(v) + "' to data type " +
                                t.spelling() + ".");
            d = std::strtod(s.c_str(), nullptr);
            if (t.kind == TypeKind::BigInt && std::fabs(d) < 9e18) return std::strtoll(s.c_str(), nullptr, 10);
        }
    }
    if (t.kind == TypeKind::Bit) return d != 0;
    double lo = -9223372036854775808.0, hi = 9223372036854775807.0;
    if (t.kind == TypeKind::TinyInt) lo = 0, hi = 255;
    if (t.kind == TypeKind::SmallInt) lo = -32768, hi = 32767;
    if (t.kind == TypeKind::Int) lo = -2147483648.0, hi = 2147483647.0;
    if (d < lo || d > hi || (t.kind == TypeKind::BigInt && d >= hi)) overflow(t);
    return static_cast<std::int64_t>(d);
}

double toNumber(sqlite3_value* v, const ServerType& t) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER: return static_cast<double>(sqlite3_value_int64(v));
        case SQLITE_FLOAT: return sqlite3_value_double(v);
        default: break;
    }
    std::string s = trimmed(textOf(v));
    bool floating = t.kind == TypeKind::Float || t.kind == TypeKind::Real;
    if (!numberText(s, true, floating)) {
        if (t.kind == TypeKind::Money || t.kind == TypeKind::SmallMoney)
            refuse(235, "Cannot convert a char value to money. The char value has incorrect syntax.");
        refuse(8114, std::string("Error converting data type varchar to ") + (floating ? "float." : "numeric."));
    }
    return std::strtod(s.c_str(), nullptr);
}

std::string toText(sqlite3_value* v) {
    if (sqlite3_value_type(v) == SQLITE_FLOAT) {
        char out[40];
        std::snprintf(out, sizeof out, "%.15g", sqlite3_value_double(v));
        return out;
    }
    return textOf(v);
}

DateTimeParts toDateTime(sqlite3_value* v) {
    if (sqlite3_value_type(v) == SQLITE_INTEGER || sqlite3_value_type(v) == SQLITE_FLOAT) {
        DateTimeParts p = DateTimeParts::fromDaysSince1900(sqlite3_value_double(v));
        if (!p.valid()) refuse(8115, "Arithmetic overflow error converting expression to data type datetime.");
        return p;
    }
    std::string s = textOf(v);
    if (auto p = DateTimeParts::ofCanonical(s); p && p->valid() && (p->millisecond % 10 == 0 || p->millisecond % 10 == 3 || p->millisecond % 10 == 7))
        return *p;  // already in the stored form
    auto canonical = canonicalDateTime(s);
    if (!canonical) refuse(241, "Conversion failed when converting date and/or time from character string.");
    return *DateTimeParts::ofCanonical(*canonical);
}

// The value of v converted to t; `assignment` refuses a text longer than t
// where a cast cuts it.
void convert(sqlite3_context* ctx, sqlite3_value* v, const ServerType& t, bool assignment) {
    if (sqlite3_value_type(v) == SQLITE_NULL || !t.known()) return sqlite3_result_value(ctx, v);
    switch (t.kind) {
        case TypeKind::Bit: case TypeKind::TinyInt: case TypeKind::SmallInt: case TypeKind::Int: case TypeKind::BigInt:
            return sqlite3_result_int64(ctx, toInteger(v, t));
        case TypeKind::SmallMoney: case TypeKind::Money: {
            double d = roundHalfAway(toNumber(v, t), 4);
            double limit = t.kind == TypeKind::Money ? 922337203685477.5807 : 214748.3647;
            if (d > limit || d < -limit - 0.0001) overflow(t);
            return sqlite3_result_double(ctx, d);
        }
        case TypeKind::Decimal: {
            double d = roundHalfAway(toNumber(v, t), t.scale);
            if (std::fabs(d) >= std::pow(10.0, t.precision - t.scale)) overflow(t);
            if (t.scale == 0 && std::fabs(d) < 9e18) return sqlite3_result_int64(ctx, static_cast<std::int64_t>(d));
            return sqlite3_result_double(ctx, d);
        }
        case TypeKind::Real: return sqlite3_result_double(ctx, static_cast<float>(toNumber(v, t)));
        case TypeKind::Float: return sqlite3_result_double(ctx, toNumber(v, t));
        case TypeKind::DateTime: {
            std::string text = toDateTime(v).text();
            return sqlite3_result_text(ctx, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        }
        default: break;
    }
    std::string s = toText(v);
    if (t.length >= 0) {
        std::size_t i = 0, n = 0;
        while (i < s.size() && n < static_cast<std::size_t>(t.length)) nextCharacter(s, i), ++n;
        if (i < s.size()) {
            if (assignment && s.find_first_not_of(' ', i) != std::string::npos)
                refuse(8152, "String or binary data would be truncated.");
            s.resize(i);
        }
        if (t.kind == TypeKind::Char) s.append(static_cast<std::size_t>(t.length) - n, ' ');
    }
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// The parsed type of a constant type argument, kept with the statement.
ServerType typeArgument(sqlite3_context* ctx, sqlite3_value** argv, int index) {
    if (auto* cached = static_cast<ServerType*>(sqlite3_get_auxdata(ctx, index))) return *cached;
    ServerType t = parseServerType(textOf(argv[index]));
    sqlite3_set_auxdata(ctx, index, new ServerType(t), [](void* p) { delete static_cast<ServerType*>(p); });
    return t;
}

template <class F>
void guarded(sqlite3_context* ctx, F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        sqlite3_result_error(ctx, e.what(), -1);
    }
}

bool anyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
    return false;
}

void assignFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    guarded(ctx, [&] { convert(ctx, argv[0], typeArgument(ctx, argv, 1), true); });
}
void castFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    guarded(ctx, [&] { convert(ctx, argv[0], typeArgument(ctx, argv, 1), false); });
}

// a / b: mode -1 integer division when both are integers, -2 real division,
// n >= 0 real division rounded to n places, -3 the remainder.
void divideFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        int mode = sqlite3_value_int(argv[2]);
        int ta = sqlite3_value_numeric_type(argv[0]), tb = sqlite3_value_numeric_type(argv[1]);
        bool integers = ta == SQLITE_INTEGER && tb == SQLITE_INTEGER;
        double divisor = sqlite3_value_double(argv[1]);
        if (divisor == 0) refuse(8134, "Divide by zero error encountered.");
        if (integers && (mode == -1 || mode == -3)) {
            std::int64_t a = sqlite3_value_int64(argv[0]), b = sqlite3_value_int64(argv[1]);
            if (b == -1 && mode == -3) return sqlite3_result_int64(ctx, 0);
            if (b == -1 && a == std::numeric_limits<std::int64_t>::min()) overflow({TypeKind::BigInt});
            return sqlite3_result_int64(ctx, mode == -3 ? a % b : a / b);
        }
        double a = sqlite3_value_double(argv[0]);
        if (mode == -3) return sqlite3_result_double(ctx, std::fmod(a, divisor));
        double r = a / divisor;
        sqlite3_result_double(ctx, mode >= 0 ? roundHalfAway(r, mode) : r);
    });
}

// a + b where the operands' types are not known before the statement runs:
// two texts are joined, anything else is added.
void addFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        int ta = sqlite3_value_type(argv[0]), tb = sqlite3_value_type(argv[1]);
        if (ta == SQLITE_TEXT && tb == SQLITE_TEXT) {
            std::string s = textOf(argv[0]) + textOf(argv[1]);
            return sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        }
        for (int k = 0; k < 2; ++k)
            if (sqlite3_value_numeric_type(argv[k]) == SQLITE_TEXT)
                refuse(245, "Conversion failed when converting the varchar value '" + textOf(argv[k]) +
                                "' to data type int.");
        if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_type(argv[1]) == SQLITE_INTEGER) {
            std::int64_t r = 0;
            if (__builtin_add_overflow(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), &r))
                overflow({TypeKind::BigInt});
            return sqlite3_result_int64(ctx, r);
        }
        sqlite3_result_double(ctx, sqlite3_value_double(argv[0]) + sqlite3_value_double(argv[1]));
    });
}

void rightFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        std::int64_t n = sqlite3_value_int64(argv[1]);
        if (n < 0) refuse(536, "Invalid length parameter passed to the right function.");
        std::string s = toText(argv[0]);
        std::size_t count = 0;
        for (std::size_t i = 0; i < s.size(); ++count) nextCharacter(s, i);
        std::size_t skip = count > static_cast<std::size_t>(n) ? count - static_cast<std::size_t>(n) : 0, i = 0;
        for (std::size_t k = 0; k < skip; ++k) nextCharacter(s, i);
        sqlite3_result_text(ctx, s.c_str() + i, static_cast<int>(s.size() - i), SQLITE_TRANSIENT);
    });
}

// CHARINDEX(find, in [, start]): the 1-based position under the collation's
// rules for case and width, 0 when absent.
void charindexFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(2, argv)) return sqlite3_result_null(ctx);
    auto folded = [](const std::string& s) {
        std::u32string out;
        for (std::size_t i = 0; i < s.size();) out += foldCharacter(nextCharacter(s, i));
        return out;
    };
    std::u32string find = folded(toText(argv[0])), in = folded(toText(argv[1]));
    std::int64_t start = argc > 2 && sqlite3_value_type(argv[2]) != SQLITE_NULL ? sqlite3_value_int64(argv[2]) : 1;
    if (start < 1) start = 1;
    if (find.empty() || static_cast<std::size_t>(start - 1) > in.size()) return sqlite3_result_int64(ctx, 0);
    auto at = in.find(find, static_cast<std::size_t>(start - 1));
    sqlite3_result_int64(ctx, at == std::u32string::npos ? 0 : static_cast<std::int64_t>(at) + 1);
}

// ROUND(x, n [, f]): half away from zero; f other than 0 cuts instead.
void roundFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(2, argv)) return sqlite3_result_null(ctx);
    int places = sqlite3_value_int(argv[1]);
    bool cut = argc > 2 && sqlite3_value_int(argv[2]) != 0;
    int type = sqlite3_value_numeric_type(argv[0]);
    if (type == SQLITE_INTEGER && places >= 0) return sqlite3_result_value(ctx, argv[0]);
    double x = sqlite3_value_double(argv[0]);
    double factor = std::pow(10.0, places);
    double r = cut ? std::trunc(x * factor) / factor : roundHalfAway(x, places);
    if (type == SQLITE_INTEGER) return sqlite3_result_int64(ctx, static_cast<std::int64_t>(r));
    sqlite3_result_double(ctx, r);
}

void getdateFunction(sqlite3_context* ctx, int, sqlite3_value**) {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    DateTimeParts p{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                    local.tm_sec, static_cast<int>(ms)};
    std::string text = p.text();
    sqlite3_result_text(ctx, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// DATEPART with the part spelt in full (the translator maps abbreviations).
void datepartFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (sqlite3_value_type(argv[1]) == SQLITE_NULL) return sqlite3_result_null(ctx);
        DateTimeParts d = toDateTime(argv[1]);
        std::string part = textOf(argv[0]);
        int r = part == "year" ? d.year : part == "quarter" ? (d.month + 2) / 3 : part == "month" ? d.month
              : part == "dayofyear" ? d.dayOfYear() : part == "day" ? d.day : part == "weekday" ? d.weekday()
              : part == "hour" ? d.hour : part == "minute" ? d.minute : part == "second" ? d.second : d.millisecond;
        sqlite3_result_int(ctx, r);
    });
}

}  // namespace

void registerConversions(sqlite3* db) {
    struct Function {
        const char* name;
        int arguments;
        void (*body)(sqlite3_context*, int, sqlite3_value**);
        bool deterministic;
    };
    constexpr Function functions[] = {
        {"vantyr_assign", 2, assignFunction, true},     {"vantyr_cast", 2, castFunction, true},
        {"vantyr_divide", 3, divideFunction, true},     {"vantyr_add", 2, addFunction, true},
        {"vantyr_right", 2, rightFunction, true},       {"vantyr_charindex", 2, charindexFunction, true},
        {"vantyr_charindex", 3, charindexFunction, true}, {"vantyr_round", 2, roundFunction, true},
        {"vantyr_round", 3, roundFunction, true},       {"vantyr_getdate", 0, getdateFunction, false},
        {"vantyr_datepart", 2, datepartFunction, true},
    };
    for (const auto& f : functions)
        sqlite3_create_function_v2(db, f.name, f.arguments,
                                   SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0), nullptr, f.body,
                                   nullptr, nullptr, nullptr);
}

}  // namespace vantyr::platform::sqlite
