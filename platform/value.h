#pragma once
// A variant value as the platform hands column values and login texts to the
// run: Empty, Null, integer, double, text or boolean, with the platform's
// conversion and comparison rules. Conversions raise platform::Error.
#include <cstdint>
#include <string>
#include <variant>

namespace vantyr::platform {

struct Empty {
    bool operator==(const Empty&) const = default;
};
struct Null {
    bool operator==(const Null&) const = default;
};

class Value {
public:
    Value() = default;  // Empty
    Value(Null) : v_(Null{}) {}
    Value(int i) : v_(std::int64_t{i}) {}
    Value(std::int64_t i) : v_(i) {}
    Value(double d) : v_(d) {}
    Value(bool b) : v_(b) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(const char* s) : v_(std::string(s)) {}

    static Value null() { return Value(Null{}); }

    bool isEmpty() const { return std::holds_alternative<Empty>(v_); }
    bool isNull() const { return std::holds_alternative<Null>(v_); }
    bool isText() const { return std::holds_alternative<std::string>(v_); }
    bool isBoolean() const { return std::holds_alternative<bool>(v_); }

    // 16-bit signed integer: doubles round half to even, texts are parsed as
    // numbers (error 13 when they are not), Empty is 0, Null is error 94,
    // anything outside -32768..32767 is error 6.
    std::int16_t toInt16() const;
    // Double: the same rules without the range check.
    double toDouble() const;
    // Text: numbers in plain decimal, booleans "True"/"False", Empty "", Null error 94.
    std::string toText() const;

    // Comparison with a number: Null is never equal; Empty counts as 0; a
    // boolean True is -1; a text is compared by its numeric value and raises
    // error 13 when it is not a number.
    bool equalsNumber(double n) const;
    // Comparison with a text: Null and Empty are never equal to a non-empty
    // text; a text compares exactly; a number compares by its decimal text.
    bool equalsText(const std::string& s) const;

    bool operator==(const Value& other) const = default;

private:
    std::variant<Empty, Null, std::int64_t, double, bool, std::string> v_;
};

}  // namespace vantyr::platform
