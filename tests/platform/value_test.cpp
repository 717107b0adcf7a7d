// The platform's variant rules the run relies on.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/value.h"

namespace vantyr::platform {
namespace {

long errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

TEST(ValueTest, ToInt16RoundsHalfToEvenAndChecksRange) {
    EXPECT_EQ(Value(2.5).toInt16(), 2);
    EXPECT_EQ(Value(3.5).toInt16(), 4);
    EXPECT_EQ(Value(-2.5).toInt16(), -2);
    EXPECT_EQ(Value("2005").toInt16(), 2005);
    EXPECT_EQ(Value(" 12 ").toInt16(), 12);
    EXPECT_EQ(Value().toInt16(), 0);
    EXPECT_EQ(Value(true).toInt16(), -1);
    EXPECT_EQ(Value(32767).toInt16(), 32767);
    EXPECT_EQ(errorOf([] { Value(32768).toInt16(); }), kErrOverflow);
    EXPECT_EQ(errorOf([] { Value(32767.5).toInt16(); }), kErrOverflow);
    EXPECT_EQ(errorOf([] { Value("20x5").toInt16(); }), kErrTypeMismatch);
    EXPECT_EQ(errorOf([] { Value("").toInt16(); }), kErrTypeMismatch);
    EXPECT_EQ(errorOf([] { Value::null().toInt16(); }), kErrInvalidUseOfNull);
}

TEST(ValueTest, ToText) {
    EXPECT_EQ(Value(2004).toText(), "2004");
    EXPECT_EQ(Value(12.0).toText(), "12");
    EXPECT_EQ(Value(0.1).toText(), "0.1");
    EXPECT_EQ(Value().toText(), "");
    EXPECT_EQ(Value(false).toText(), "False");
    EXPECT_EQ(errorOf([] { Value::null().toText(); }), kErrInvalidUseOfNull);
}

TEST(ValueTest, ComparisonWithTheNumberOne) {
    EXPECT_TRUE(Value(1).equalsNumber(1));
    EXPECT_TRUE(Value(1.0).equalsNumber(1));
    EXPECT_TRUE(Value("1").equalsNumber(1));
    EXPECT_FALSE(Value(0).equalsNumber(1));
    EXPECT_FALSE(Value::null().equalsNumber(1));
    EXPECT_FALSE(Value().equalsNumber(1));
    EXPECT_FALSE(Value(true).equalsNumber(1));  // True is -1
    EXPECT_EQ(errorOf([] { Value("yes").equalsNumber(1); }), kErrTypeMismatch);
}

TEST(ValueTest, ComparisonWithTheTextOne) {
    EXPECT_TRUE(Value("1").equalsText("1"));
    EXPECT_TRUE(Value(1).equalsText("1"));
    EXPECT_FALSE(Value("0").equalsText("1"));
    EXPECT_FALSE(Value(" 1").equalsText("1"));
    EXPECT_FALSE(Value::null().equalsText("1"));
    EXPECT_FALSE(Value().equalsText("1"));
}

}  // namespace
}  // namespace vantyr::platform
