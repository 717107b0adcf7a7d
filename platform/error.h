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

// Failures of the storage or the connection under a statement, numbered as the
// suite's database engine numbers them. None is a failure of the statement
// itself, so the run never passes one over: it rolls back and names the file
// or connection in the description.
inline constexpr long kErrOutOfMemory = 7;          // out of memory
inline constexpr long kErrDiskFull = 3026;          // not enough space on disk
inline constexpr long kErrReadOnly = 3027;          // database or object is read-only
inline constexpr long kErrIo = 3043;                // disk or network error
inline constexpr long kErrNotADatabase = 3049;      // not a database, or the file is corrupt
inline constexpr long kErrCannotOpen = 3051;        // the file cannot be opened (missing, permission)
inline constexpr long kErrLocked = 3218;            // currently locked (the wait for the lock ran out)
inline constexpr long kErrConnectionFailed = 3151;  // the connection to the server was lost or refused
inline constexpr long kErrTimeout = 3234;           // the server did not answer in time
inline constexpr long kErrDeadlock = 3146;          // chosen as a deadlock victim; the transaction is gone

// True for the numbers above: failures of storage or connection, never of a statement.
inline constexpr bool isStorageFailure(long number) noexcept {
    switch (number) {
    case kErrOutOfMemory: case kErrDiskFull: case kErrReadOnly: case kErrIo: case kErrNotADatabase:
    case kErrCannotOpen: case kErrLocked: case kErrConnectionFailed: case kErrTimeout: case kErrDeadlock:
        return true;
    default:
        return false;
    }
}

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
