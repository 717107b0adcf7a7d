#include "platform/odbc/diagnostics.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "platform/odbc/connection_string.h"

namespace vantyr::platform::odbc {
namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool contains(std::string_view text, std::string_view part) { return lower(text).find(lower(part)) != std::string::npos; }

// A storage or connection failure known by its SQLSTATE, whatever the server.
struct StateRule {
    std::string_view state;  // a full SQLSTATE, or a two-character class
    long number;
    const char* what;
};

constexpr StateRule kStateRules[] = {
    {"08", kErrConnectionFailed, "The connection to the server was lost or refused"},
    {"40003", kErrConnectionFailed, "The connection to the server was lost while a statement ran"},
    {"HYT00", kErrTimeout, "The server did not answer in time"},
    {"HYT01", kErrTimeout, "The server did not answer in time"},
    {"40001", kErrDeadlock, "The transaction was chosen as a deadlock victim and rolled back"},
    {"HY001", kErrOutOfMemory, "Out of memory"},
};

// A storage or connection failure known by the server's own number.
struct NativeRule {
    Dialect dialect;
    long native;
    long number;
    const char* what;
};

constexpr NativeRule kNativeRules[] = {
    {Dialect::SqlServer, 1205, kErrDeadlock, "The transaction was chosen as a deadlock victim and rolled back"},
    {Dialect::SqlServer, 3960, kErrDeadlock, "The snapshot transaction was aborted by an update conflict"},
    {Dialect::SqlServer, 1222, kErrLocked, "The wait for a lock ran out"},
    {Dialect::SqlServer, 1105, kErrDiskFull, "The database is out of space"},
    {Dialect::SqlServer, 9002, kErrDiskFull, "The transaction log is full"},
    {Dialect::SqlServer, 701, kErrOutOfMemory, "The server is out of memory"},
    {Dialect::SqlServer, 3906, kErrReadOnly, "The database is read-only"},
    {Dialect::SqlServer, 4060, kErrCannotOpen, "The database cannot be opened"},
    {Dialect::SqlServer, 233, kErrConnectionFailed, "The connection to the server was lost or refused"},
    {Dialect::SqlServer, 10053, kErrConnectionFailed, "The connection to the server was lost or refused"},
    {Dialect::SqlServer, 10054, kErrConnectionFailed, "The connection to the server was lost or refused"},
    {Dialect::Sqlite, 5, kErrLocked, "The database is locked"},
    {Dialect::Sqlite, 6, kErrLocked, "A table is locked"},
    {Dialect::Sqlite, 7, kErrOutOfMemory, "Out of memory"},
    {Dialect::Sqlite, 8, kErrReadOnly, "The database is read-only"},
    {Dialect::Sqlite, 10, kErrIo, "Disk or network error"},
    {Dialect::Sqlite, 11, kErrNotADatabase, "The database file is corrupt"},
    {Dialect::Sqlite, 13, kErrDiskFull, "The disk is full"},
    {Dialect::Sqlite, 14, kErrCannotOpen, "The database file cannot be opened"},
    {Dialect::Sqlite, 26, kErrNotADatabase, "The file is not a database"},
};

// The first word of a statement, in lower case, past blanks and comments.
std::string firstWord(std::string_view sql) {
    std::size_t i = 0;
    while (i < sql.size()) {
        if (std::isspace(static_cast<unsigned char>(sql[i])) || sql[i] == '(') {
            ++i;
        } else if (sql.substr(i, 2) == "--") {
            i = sql.find('\n', i);
            if (i == std::string_view::npos) return {};
        } else if (sql.substr(i, 2) == "/*") {
            i = sql.find("*/", i + 2);
            if (i == std::string_view::npos) return {};
            i += 2;
        } else {
            break;
        }
    }
    std::size_t end = i;
    while (end < sql.size() && (std::isalpha(static_cast<unsigned char>(sql[end])) || sql[end] == '_')) ++end;
    return lower(sql.substr(i, end - i));
}

// A delete or update that a foreign key refused: the rows it touches are
// referred to by others (or, for an update, refer to rows that are missing).
bool refusedByForeignKey(const DiagnosticRecord& r, Dialect dialect, std::string_view sql) {
    std::string verb = firstWord(sql);
    if (verb != "delete" && verb != "update") return false;
    if (dialect == Dialect::SqlServer) return r.native == 547 && !contains(r.message, "CHECK constraint");
    return (r.native == 19 || r.native == 787) && contains(r.message, "FOREIGN KEY");
}

bool isWarning(const DiagnosticRecord& r) { return r.state.rfind("01", 0) == 0; }

std::string describe(const std::vector<DiagnosticRecord>& records) {
    std::string out;
    for (const auto& r : records) {
        if (isWarning(r) && records.size() > 1) continue;
        if (!out.empty()) out += "\n";
        out += "Msg " + std::to_string(r.native) + ": " + plainMessage(r.message);
    }
    return out;
}

std::optional<Error> storageFailure(const DiagnosticRecord& r, Dialect dialect, const std::string& description) {
    for (const auto& rule : kNativeRules)
        if (rule.dialect == dialect && rule.native == r.native)
            return Error(rule.number, std::string(rule.what) + " (SQLSTATE " + r.state + "): " + description);
    for (const auto& rule : kStateRules)
        if (r.state.rfind(rule.state, 0) == 0)
            return Error(rule.number, std::string(rule.what) + " (SQLSTATE " + r.state + "): " + description);
    return std::nullopt;
}

}  // namespace

std::string plainMessage(std::string_view message) {
    std::size_t i = 0;
    while (i < message.size() && message[i] == '[') {
        auto close = message.find(']', i);
        if (close == std::string_view::npos) break;
        i = close + 1;
    }
    while (i < message.size() && message[i] == ' ') ++i;
    return std::string(message.substr(i));
}

Error classify(const std::vector<DiagnosticRecord>& records, Dialect dialect, Operation operation, std::string_view sql) {
    const DiagnosticRecord* first = nullptr;
    for (const auto& r : records)
        if (!isWarning(r)) {
            first = &r;
            break;
        }
    if (!first && !records.empty()) first = &records.front();
    std::string description = maskSecrets(records.empty() ? "The driver reported a failure without a diagnostic record."
                                                          : describe(records));
    DiagnosticRecord none{"HY000", 0, ""};
    const DiagnosticRecord& r = first ? *first : none;

    if (auto failure = storageFailure(r, dialect, description)) return *failure;
    switch (operation) {
        case Operation::Connect:
            return Error(kErrConnectionFailed, "The connection to the server failed (SQLSTATE " + r.state + "): " + description);
        case Operation::Transaction:
            return Error(kErrIo, "The transaction failed on the server (SQLSTATE " + r.state + "): " + description);
        case Operation::Statement:
            break;
    }
    if (refusedByForeignKey(r, dialect, sql)) return Error(kErrRelatedRecords, description);
    return Error(kErrStatementFailed, description);
}

}  // namespace vantyr::platform::odbc
