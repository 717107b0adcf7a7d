#pragma once
// The embedded engine's one error funnel: every SQLite failure becomes a
// platform::Error here, by its extended result code.
//  * A failure of the statement itself (a constraint, a conversion refused, a
//    missing table or column, a form the engine refuses) is an ordinary
//    statement failure (-2147220991) with the server's error number and wording
//    in the description where one applies ("Msg 2627: ..."); a delete or update
//    refused by a foreign key is 3200.
//  * A failure of the storage under the statement (busy or locked after the
//    wait, read-only, I/O, disk full, cannot open, not a database or damaged,
//    out of memory) gets its own number (platform/error.h), and the description
//    names the file(s) and the cause. The run never passes one over.
//  * A failure of the engine's own bookkeeping (BEGIN, COMMIT, savepoints,
//    ROLLBACK TO, the catalogue tables) is a storage failure whatever its code.
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/sqlite/connection.h"

namespace vantyr::platform::sqlite {

// What the failing call was doing.
enum class FailureSite {
    Statement,          // a statement of the run (or a row written through a recordset)
    StatementOfDelete,  // a delete or update: a foreign-key refusal is 3200
    Bookkeeping,        // the engine's own: transaction, savepoint, catalogue, open check
};

// The files a failure may concern, named in a storage failure's description.
struct FailureFiles {
    std::vector<std::string> names;  // database names, e.g. QXDATA_001_2005
    std::vector<std::string> paths;  // their files
    int lockWaitMs = 0;              // how long the connection waits for a lock
    std::string describe() const;
};

// True for the extended result codes that are failures of storage, never of a statement.
bool storageCode(int extendedCode) noexcept;

// The platform number of a storage failure's code (kErrIo when the code is
// not one of storage, as for a failure of bookkeeping with an ordinary code).
long storageNumber(int extendedCode) noexcept;

// The one conversion. `sql` is the statement as sent (for the description of a statement failure).
Error funnel(const SqliteFailure& failure, FailureSite site, const FailureFiles& files, const std::string& sql);

}  // namespace vantyr::platform::sqlite
