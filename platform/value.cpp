#include "platform/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/error.h"

namespace vantyr::platform {
namespace {

Error typeMismatch() { return Error(kErrTypeMismatch, "Type mismatch"); }
Error invalidNull() { return Error(kErrInvalidUseOfNull, "Invalid use of Null"); }

double parseNumber(const std::string& text) {
    std::size_t b = text.find_first_not_of(" \t");
    std::size_t e = text.find_last_not_of(" \t");
    if (b == std::string::npos) throw typeMismatch();
    std::string t = text.substr(b, e - b + 1);
    if (!t.empty() && t[0] == '+') t.erase(0, 1);
    double d = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
    if (ec != std::errc() || ptr != t.data() + t.size()) throw typeMismatch();
    return d;
}

std::string formatDouble(double d) {
    if (d == std::floor(d) && std::fabs(d) < 1e15) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", d);
        return buf;
    }
    char buf[64];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, d);
        if (std::strtod(buf, nullptr) == d) break;
    }
    return buf;
}

}  // namespace

double Value::toDouble() const {
    return std::visit(
        [](const auto& x) -> double {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, Empty>) return 0;
            else if constexpr (std::is_same_v<T, Null>) throw invalidNull();
            else if constexpr (std::is_same_v<T, bool>) return x ? -1 : 0;
            else if constexpr (std::is_same_v<T, std::string>) return parseNumber(x);
            else return static_cast<double>(x);
        },
        v_);
}

std::int16_t Value::toInt16() const {
    double d = toDouble();
    double r = std::nearbyint(d);  // default rounding mode: half to even
    if (!(r >= -32768.0 && r <= 32767.0)) throw Error(kErrOverflow, "Overflow");
    return static_cast<std::int16_t>(r);
}

std::string Value::toText() const {
    return std::visit(
        [](const auto& x) -> std::string {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, Empty>) return "";
            else if constexpr (std::is_same_v<T, Null>) throw invalidNull();
            else if constexpr (std::is_same_v<T, bool>) return x ? "True" : "False";
            else if constexpr (std::is_same_v<T, std::string>) return x;
            else if constexpr (std::is_same_v<T, double>) return formatDouble(x);
            else return std::to_string(x);
        },
        v_);
}

bool Value::equalsNumber(double n) const {
    if (isNull()) return false;
    return toDouble() == n;
}

bool Value::equalsText(const std::string& s) const {
    if (isNull()) return false;
    return toText() == s;
}

}  // namespace vantyr::platform
