#pragma once
// The reference of the carry-over bench: the data movement of a traced
// carry-over done again by plain SQLite statements on copies of the two
// account-year files, with no translator, catalogue or identity rules: the
// queries it reads, the closing-month mark committed on its own, then in one
// transaction the deletes, inserts and updates of the trace with the current
// year attached as "cur", SELECT INTO as the engine's CREATE TABLE and one
// INSERT ... SELECT, keys as CREATE
// UNIQUE INDEX, a dropped key or index as DROP INDEX, identity columns
// numbered from the source rows' rowid, and metadata-only statements left out.
#include <filesystem>
#include <string>
#include <vector>

namespace vantyr::bench {

struct ReferenceStep {
    std::string sql;
    bool read = false;        // a query: its first row is read
    bool ownCommit = false;   // runs before the transaction, committed on its own
    int record = -1;          // the statement of the run it replays (its line in the trace, from 0)
};

// The plain SQLite steps for a trace (JSON lines of a run that committed).
// `curDatabase` is the current year's database name as the statements spell it;
// `curFile` the current year as the traced run left it (its table definitions).
std::vector<ReferenceStep> referenceStatements(const std::string& trace, const std::string& curDatabase,
                                               const std::filesystem::path& curFile);

// Runs them on prevFile with curFile attached as "cur": the transaction
// begins at the first write that is not committed on its own. With
// `stepCpuMs`, it receives the CPU time of this thread spent opening the
// files, then of each step in turn, then of the commit and the closing of
// the files (steps.size() + 2 figures).
void runReference(const std::vector<ReferenceStep>& steps, const std::filesystem::path& prevFile,
                  const std::filesystem::path& curFile, std::vector<double>* stepCpuMs = nullptr);

// CPU time of the calling thread, in milliseconds.
double threadCpuMs();

}  // namespace vantyr::bench
