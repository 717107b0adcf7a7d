#pragma once
// The one place where what an ODBC driver says becomes what the run
// dispatches on. A failure arrives as diagnostic records (SQLSTATE, the
// server's native error number, the message); classify() turns them into a
// platform::Error:
//   - a delete or update refused by a foreign key: kErrRelatedRecords (3200);
//   - a lost or refused connection, a timeout, a lock wait that ran out, a
//     deadlock victim, a full disk or log, any failure of connecting or of
//     the transaction itself: one of the storage numbers of platform/error.h,
//     which the run never passes over;
//   - any other failure of a statement (constraint, conversion, missing
//     object, syntax): kErrStatementFailed with "Msg N: text".
// The native numbers differ by server, so the rules are per dialect.
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace vantyr::platform::odbc {

struct DiagnosticRecord {
    std::string state;    // five-character SQLSTATE, e.g. "23000"
    long native = 0;      // the server's own error number
    std::string message;  // as the driver gives it, with its [vendor][driver] prefix
};

// The server behind a connection, as far as the backend treats servers apart.
enum class Dialect { SqlServer, Sqlite };

// What was being done when the failure came.
enum class Operation { Connect, Statement, Transaction };

// Turns the records of one failure into the error the run sees. `sql` is the
// statement text (empty outside a statement); its first word tells a delete
// or update from other statements.
Error classify(const std::vector<DiagnosticRecord>& records, Dialect dialect, Operation operation,
               std::string_view sql = {});

// The message without the driver's leading "[vendor][driver][server]" tags.
std::string plainMessage(std::string_view message);

}  // namespace vantyr::platform::odbc
