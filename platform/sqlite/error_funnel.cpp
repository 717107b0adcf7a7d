#include "platform/sqlite/error_funnel.h"

#include <sqlite3.h>

namespace vantyr::platform::sqlite {
namespace {

// The text after "prefix" in SQLite's message, or empty.
std::string after(const std::string& message, const std::string& prefix) {
    auto at = message.find(prefix);
    return at == std::string::npos ? std::string() : message.substr(at + prefix.size());
}

// "main.ca_x" or "ca_x.icol, ca_x.icol2" -> the table of the first name.
std::string tableOf(const std::string& qualified) {
    std::string first = qualified.substr(0, qualified.find(','));
    auto dot = first.find('.');
    return dot == std::string::npos ? first : first.substr(0, dot);
}

std::string columnOf(const std::string& qualified) {
    auto dot = qualified.find('.');
    return dot == std::string::npos ? qualified : qualified.substr(dot + 1);
}

std::string lastNamePart(const std::string& name) {
    auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

// The server's number and wording for a statement failure, where there is one.
std::string serverWording(int code, const std::string& message) {
    switch (code) {
        case SQLITE_CONSTRAINT_PRIMARYKEY:
            return "Msg 2627: Violation of PRIMARY KEY constraint. Cannot insert duplicate key in object '" +
                   tableOf(after(message, "failed: ")) + "'. (" + message + ")";
        case SQLITE_CONSTRAINT_UNIQUE:
            return "Msg 2601: Cannot insert duplicate key row in object '" + tableOf(after(message, "failed: ")) +
                   "' with unique index. (" + message + ")";
        case SQLITE_CONSTRAINT_NOTNULL: {
            std::string qualified = after(message, "failed: ");
            return "Msg 515: Cannot insert the value NULL into column '" + columnOf(qualified) + "', table '" +
                   tableOf(qualified) + "'; column does not allow nulls. The statement fails. (" + message + ")";
        }
        case SQLITE_CONSTRAINT_CHECK:
            return "Msg 547: The statement conflicted with the CHECK constraint \"" + after(message, "failed: ") +
                   "\". (" + message + ")";
        case SQLITE_CONSTRAINT_FOREIGNKEY:
            return "Msg 547: The statement conflicted with a FOREIGN KEY constraint. (" + message + ")";
        case SQLITE_MISMATCH:
            return "Msg 245: Conversion failed: the value does not fit the column's data type. (" + message + ")";
        case SQLITE_TOOBIG:
            return "Msg 8152: String or binary data would be truncated. (" + message + ")";
        default: break;
    }
    if (std::string t = after(message, "no such table: "); !t.empty())
        return "Msg 208: Invalid object name '" + lastNamePart(t) + "'.";
    if (std::string c = after(message, "no such column: "); !c.empty())
        return "Msg 207: Invalid column name '" + lastNamePart(c) + "'.";
    if (std::string t = after(message, "table "); !t.empty() && message.find(" already exists") != std::string::npos)
        return "Msg 2714: There is already an object named '" + lastNamePart(t.substr(0, t.find(' '))) +
               "' in the database.";
    if (message.find("syntax error") != std::string::npos)
        return "Msg 102: Incorrect syntax (" + message + ").";
    return message;
}

std::string storageCause(long number, int lockWaitMs) {
    switch (number) {
        case kErrLocked:
            return "is locked by another user or process, and the wait of " + std::to_string(lockWaitMs) +
                   " ms for the lock ran out";
        case kErrReadOnly: return "is read-only: the file or its folder cannot be written";
        case kErrDiskFull: return "could not be written: the disk is full";
        case kErrNotADatabase: return "is not a database or is damaged";
        case kErrCannotOpen: return "cannot be opened (a missing file or folder, or no permission)";
        case kErrOutOfMemory: return "could not be worked on: out of memory";
        default: return "could not be read or written: disk or I/O error";
    }
}

}  // namespace

std::string FailureFiles::describe() const {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i) out += i + 1 == names.size() ? " or " : ", ";
        out += names[i] + " (" + (i < paths.size() ? paths[i] : std::string()) + ")";
    }
    return out.empty() ? std::string("of this run") : out;
}

bool storageCode(int extendedCode) noexcept {
    switch (extendedCode & 0xff) {
        case SQLITE_BUSY: case SQLITE_LOCKED: case SQLITE_READONLY: case SQLITE_IOERR: case SQLITE_FULL:
        case SQLITE_NOTADB: case SQLITE_CORRUPT: case SQLITE_CANTOPEN: case SQLITE_NOMEM: case SQLITE_PERM:
        case SQLITE_PROTOCOL: case SQLITE_NOLFS: case SQLITE_AUTH: case SQLITE_ABORT: case SQLITE_INTERRUPT:
        case SQLITE_INTERNAL: case SQLITE_MISUSE:
            return true;
        default:
            return false;
    }
}

long storageNumber(int extendedCode) noexcept {
    if (extendedCode == SQLITE_IOERR_NOMEM) return kErrOutOfMemory;
    switch (extendedCode & 0xff) {
        case SQLITE_BUSY: case SQLITE_LOCKED: case SQLITE_PROTOCOL: return kErrLocked;
        case SQLITE_READONLY: case SQLITE_PERM: case SQLITE_AUTH: return kErrReadOnly;
        case SQLITE_FULL: return kErrDiskFull;
        case SQLITE_NOTADB: case SQLITE_CORRUPT: return kErrNotADatabase;
        case SQLITE_CANTOPEN: case SQLITE_NOLFS: return kErrCannotOpen;
        case SQLITE_NOMEM: return kErrOutOfMemory;
        default: return kErrIo;  // I/O, an abort or interrupt, the engine's own misuse: the state is not known
    }
}

Error funnel(const SqliteFailure& failure, FailureSite site, const FailureFiles& files, const std::string& sql) {
    int code = failure.code();
    std::string message = failure.what();
    // The engine's catalogue tables (vantyr_tables, vantyr_defaults) are its own bookkeeping: no
    // statement of the component names them, so a failure naming one is a damaged file.
    bool catalogue = message.find("vantyr_") != std::string::npos;
    if (dynamic_cast<const BookkeepingFailure*>(&failure)) site = FailureSite::Bookkeeping;
    if (site == FailureSite::Bookkeeping || storageCode(code) || catalogue) {
        long number = catalogue && !storageCode(code) ? kErrNotADatabase : storageNumber(code);
        std::string description = "The account-year database " + files.describe() + " " + storageCause(number, files.lockWaitMs) +
                                  " (" + message + ", SQLite code " + std::to_string(code) + ")";
        if (!sql.empty()) description += " [statement: " + sql + "]";
        return Error(number, description + ".");
    }
    if (code == SQLITE_CONSTRAINT_FOREIGNKEY && site == FailureSite::StatementOfDelete)
        return Error(kErrRelatedRecords, "The record cannot be deleted or changed because another table includes "
                                         "related records (" + message + ").");
    return Error(kErrStatementFailed, serverWording(code, message) + " [statement: " + sql + "]");
}

}  // namespace vantyr::platform::sqlite
