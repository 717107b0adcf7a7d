#pragma once
// What every statement group of the schema upgrade works with: the upgrade's
// own ADO connection (never in a transaction, so each statement commits on
// its own) and the upgrade's one error rule: every statement, read and field
// assignment passes over its own failure and the next one runs. Only a
// failure of the storage (platform::isStorageFailure) leaves these
// operations: the run ends on it.
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado.h"

namespace vantyr::upgrade {

class UpgradeSession {
public:
    using RecordsetFactory = std::function<std::unique_ptr<platform::AdoRecordset>()>;

    UpgradeSession(platform::AdoConnection& connection, RecordsetFactory newRecordset)
        : connection_(connection), newRecordset_(std::move(newRecordset)) {}

    // Sends one statement text whole; its failure is passed over.
    void execute(const std::string& sql);
    // Sends each text in order, each passing over its own failure.
    void executeAll(std::initializer_list<std::string_view> statements);
    // A guard's count query, read from the first column named `field` of a
    // forward-only, read-only recordset. Empty when the query or the read
    // failed (a failed guard inserts nothing).
    std::optional<long> count(const std::string& sql, const std::string& field);
    // A guard on report definitions, read from the first field of a
    // forward-only, read-only recordset: true (insert) when the query gives no
    // row, or a Null, or a count not above 0; false when it counts a row or
    // when the query or a read of it failed.
    bool noneCounted(const std::string& sql);

    // For the operations that keep their own error rules (key normalisation).
    platform::AdoConnection& connection() { return connection_; }
    std::unique_ptr<platform::AdoRecordset> newRecordset() { return newRecordset_(); }

private:
    platform::AdoConnection& connection_;
    RecordsetFactory newRecordset_;
};

// Runs one step (a read, a field assignment, an operation that stops at its
// first failure) and passes over its failure. False when it failed.
bool passingOver(const std::function<void()>& step);

// Lines joined as procedure bodies and work-table definitions are built: each
// line followed by CR LF (an empty line is just CR LF).
std::string crlfLines(std::initializer_list<std::string_view> lines);
// Lines joined with CR LF between them: the last line has none.
std::string crlfJoined(const std::vector<std::string>& lines);

}  // namespace vantyr::upgrade
