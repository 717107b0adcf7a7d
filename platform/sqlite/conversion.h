#pragma once
// The server's data types as the embedded engine converts values to them.
// Assignment (insert, update) converts a value to the target column's type:
// bit to 0/1, integers truncated toward zero and range-checked, money rounded
// to 4 places, decimal(p,s) rounded half away from zero to s places and
// range-checked, char(n) padded, longer texts refused, texts that are no
// number refused, datetime stored as "YYYY-MM-DD hh:mm:ss.fff". A cast
// (CAST, CONVERT, ISNULL's second argument) differs only in cutting a longer
// text instead of refusing it. The refusals carry the server's message
// number and wording. The SQLite functions that apply these rules are
// registered on every connection by registerConversions.
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;

namespace vantyr::platform::sqlite {

enum class TypeKind {
    Unknown, Null, Bit, TinyInt, SmallInt, Int, BigInt, SmallMoney, Money, Decimal, Real, Float,
    Char, VarChar, Text, DateTime
};

struct ServerType {
    TypeKind kind = TypeKind::Unknown;
    int precision = 0;     // Decimal
    int scale = 0;         // Decimal
    int length = -1;       // Char/VarChar: characters; -1 without limit
    bool national = false; // nchar, nvarchar, ntext

    bool known() const { return kind != TypeKind::Unknown && kind != TypeKind::Null; }
    bool isText() const { return kind == TypeKind::Char || kind == TypeKind::VarChar || kind == TypeKind::Text; }
    bool isInteger() const { return kind >= TypeKind::Bit && kind <= TypeKind::BigInt; }
    bool isExact() const { return kind >= TypeKind::Bit && kind <= TypeKind::Decimal; }
    bool isNumber() const { return kind >= TypeKind::Bit && kind <= TypeKind::Float; }
    // The type as the server spells it ("varchar(2)", "decimal(18,2)").
    std::string spelling() const;
    bool operator==(const ServerType&) const = default;
};

// Parses a type as a column definition or CAST spells it; Unknown when it is
// none of the types above (image, uniqueidentifier ...).
ServerType parseServerType(std::string_view spelling);

// The type of a numeric or text literal as written in a statement.
ServerType literalType(std::string_view numberOrText, bool isText, bool national = false);

// The result type of an arithmetic operator on two numeric types (the one
// of higher precedence; decimal precision and scale as the server derives them).
ServerType arithmeticType(const ServerType& a, const ServerType& b, char op);

// "YYYY-MM-DD hh:mm:ss.fff" from the literal forms the server accepts
// ('2005-1-1', '2005-01-01', '20050101', '2005/1/1', '1/31/2005', each with an
// optional time); nullopt when the text is no date.
std::optional<std::string> canonicalDateTime(std::string_view text);

// True when storing any value of `source` in a column of `target` changes
// nothing and refuses nothing, so the copy needs no conversion.
bool keepsEveryValue(const ServerType& source, const ServerType& target);

// Rounds half away from zero to `places` decimal places (negative: to tens ...).
double roundHalfAway(double value, int places);

// Registers the conversion and operator functions on a connection:
//   vantyr_assign(x, 'type')  vantyr_cast(x, 'type')  vantyr_divide(a, b, scale)
//   vantyr_add(a, b)  vantyr_right(s, n)  vantyr_charindex(find, in [, start])
//   vantyr_round(x, n)  vantyr_getdate()  vantyr_datepart('part', d)
void registerConversions(sqlite3* db);

}  // namespace vantyr::platform::sqlite
