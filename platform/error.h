#pragma once
// The one error type of the component: a number and a description, as the
// platform's structured errors carry them. The run dispatches on the number.
#include <stdexcept>
#include <string>

namespace vantyr::platform {

// Error numbers the run and the conversions know by name.
inline constexpr long kErrOverflow = 6;             // conversion out of range
inline constexpr long kErrTypeMismatch = 13;        // text that is no number
inline constexpr long kErrInternal = 51;            // a failure outside the platform's own
inline constexpr long kErrObjectNotSet = 91;        // object variable not set
inline constexpr long kErrInvalidUseOfNull = 94;    // Null where a value is needed
inline constexpr long kErrRelatedRecords = 3200;    // delete/change refused: related rows exist
inline constexpr long kErrStatementFailed = -2147220991;  // 0x80040201: an ordinary statement failure

class Error : public std::runtime_error {
public:
    Error(long number, std::string description)
        : std::runtime_error(description), number_(number), description_(std::move(description)) {}

    long number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }

    static Error objectNotSet() {
        return Error(kErrObjectNotSet, "Object variable or With block variable not set");
    }

private:
    long number_;
    std::string description_;
};

}  // namespace vantyr::platform
