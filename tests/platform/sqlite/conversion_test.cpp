// The pieces of the server's rules that need no database: the datetime forms
// the server reads, rounding, the result types of arithmetic, and the order
// of the text collation.
#include <gtest/gtest.h>

#include "platform/sqlite/collation.h"
#include "platform/sqlite/conversion.h"

namespace vantyr::testing {
namespace {

using namespace platform::sqlite;

TEST(ConversionTest, DateTimeLiteralFormsTheServerReads) {
    const std::pair<const char*, const char*> forms[] = {
        {"2005-1-1", "2005-01-01 00:00:00.000"},        {"2005-01-01", "2005-01-01 00:00:00.000"},
        {"20050101", "2005-01-01 00:00:00.000"},        {"2005/12/31 23:59:59", "2005-12-31 23:59:59.000"},
        {"1/31/2005", "2005-01-31 00:00:00.000"},       {"2005-01-01T08:30", "2005-01-01 08:30:00.000"},
        {"2005-01-01 08:30:00.5", "2005-01-01 08:30:00.500"}, {"2005-2-3 1:05 PM", "2005-02-03 13:05:00.000"},
        {"  2004-2-29  ", "2004-02-29 00:00:00.000"},    {"", "1900-01-01 00:00:00.000"},
        {"2005-01-01 00:00:00.001", "2005-01-01 00:00:00.000"}, {"2005-01-01 00:00:00.002", "2005-01-01 00:00:00.003"},
        {"2005-01-01 00:00:00.125", "2005-01-01 00:00:00.127"}, {"2005-12-31 23:59:59.999", "2006-01-01 00:00:00.000"},
    };
    for (const auto& [text, stored] : forms) EXPECT_EQ(canonicalDateTime(text).value_or("none"), stored) << text;
    for (const char* bad : {"2005-02-29", "2005-13-01", "abc", "2005-1-1 25:00", "1752-12-31", "2005-1-1x"})
        EXPECT_FALSE(canonicalDateTime(bad)) << bad;
}

TEST(ConversionTest, RoundingIsHalfAwayFromZeroOnTheDecimalValue) {
    EXPECT_DOUBLE_EQ(roundHalfAway(1.005, 2), 1.01);
    EXPECT_DOUBLE_EQ(roundHalfAway(-1.005, 2), -1.01);
    EXPECT_DOUBLE_EQ(roundHalfAway(2.5, 0), 3);
    EXPECT_DOUBLE_EQ(roundHalfAway(1.23455, 4), 1.2346);
    EXPECT_DOUBLE_EQ(roundHalfAway(15, -1), 20);
}

TEST(ConversionTest, TypesAndArithmeticResults) {
    EXPECT_EQ(parseServerType("[varchar] (20)").spelling(), "varchar(20)");
    EXPECT_EQ(parseServerType("numeric(18, 2)").spelling(), "decimal(18,2)");
    EXPECT_EQ(parseServerType("nvarchar(max)").length, -1);
    EXPECT_EQ(parseServerType("float(24)").kind, TypeKind::Real);
    EXPECT_FALSE(parseServerType("image").known());
    ServerType money = parseServerType("money"), integer = parseServerType("int");
    EXPECT_EQ(arithmeticType(money, integer, '/').kind, TypeKind::Money);
    EXPECT_EQ(arithmeticType(integer, parseServerType("tinyint"), '/').kind, TypeKind::Int);
    ServerType quotient = arithmeticType(parseServerType("decimal(10,2)"), parseServerType("decimal(5,0)"), '/');
    EXPECT_EQ(quotient.spelling(), "decimal(16,8)");  // scale max(6, 2 + 5 + 1), precision 10 - 2 + 0 + 8
}

TEST(CollationTest, CaseWidthAndTrailingBlanks) {
    EXPECT_EQ(compareText("ab", "AB  "), 0);
    EXPECT_EQ(compareText("\xEF\xBC\xA1\xEF\xBD\x82\xEF\xBC\x91", "ab1"), 0);    // full-width A b 1
    EXPECT_EQ(compareText("a\xE3\x80\x80", "a"), 0);                            // ideographic blank at the end
    EXPECT_EQ(compareText("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"), 0);         // Latin-1 capitals
    EXPECT_LT(compareText("a", "b"), 0);
    EXPECT_LT(compareText("a", "a!"), 0);
    EXPECT_GT(compareText("ab", "ab\t"), 0);     // a tab sorts before the padding blank
    EXPECT_LT(compareText("z", "\xC3\xA9"), 0);  // other letters by code point
    EXPECT_NE(compareText(" a", "a"), 0);        // leading blanks count
}

}  // namespace
}  // namespace vantyr::testing
