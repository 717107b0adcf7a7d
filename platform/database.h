#pragma once
// The host database library as the component reaches it: a database object
// that refers to one account-year database, and the recordsets it opens.
// Every operation raises platform::Error on failure; the number says what
// kind of failure it is (kErrRelatedRecords, kErrStatementFailed, ...).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/value.h"

namespace vantyr::platform {

class AdoConnection;

// The value at a zero-based position of a recordset's current row, with ADO's
// errors: 3021 when there is no current row, 3265 when there is no such position.
inline Value valueAt(const std::optional<std::vector<Value>>& row, int index) {
    if (!row) throw Error(3021, "Either BOF or EOF is True, or the current record has been deleted.");
    if (index < 0 || static_cast<std::size_t>(index) >= row->size())
        throw Error(3265, "Item cannot be found in the collection corresponding to the requested name or ordinal.");
    return (*row)[static_cast<std::size_t>(index)];
}

// Option word of Execute: raise every error of the statement.
inline constexpr int kFailOnError = 128;

// A result opened by Database::OpenRecordset, positioned on its first row.
class Recordset {
public:
    virtual ~Recordset() = default;
    // True when there is no current row (for a fresh result: no row at all).
    virtual bool Eof() = 0;
    // Value of a column of the current row; the name is matched without
    // regard to letter case. Raises when there is no such column or row.
    virtual Value Field(const std::string& name) = 0;
    // Begin changing the current row.
    virtual void Edit() = 0;
    // Assign a column of the row being edited (ADO's Collect).
    virtual void SetField(const std::string& name, const Value& value) = 0;
    // Save the row being edited.
    virtual void Update() = 0;
    virtual void Close() = 0;
};

// The structure of one table: its column names in their defined order.
struct TableDefinition {
    std::string name;
    std::vector<std::string> fields;
    int FieldCount() const { return static_cast<int>(fields.size()); }
    const std::string& FieldName(int position) const { return fields.at(static_cast<std::size_t>(position)); }
};

// The database's table definitions, looked up by table name.
class TableDefinitions {
public:
    virtual ~TableDefinitions() = default;
    // Raises when the database has no table of that name.
    virtual TableDefinition Item(const std::string& table) = 0;
};

class Database {
public:
    virtual ~Database() = default;
    // Make this object refer to the account-year database of key.
    virtual void Open(const std::string& key) = 0;
    virtual void Close() = 0;
    // Run one SQL text. With option kFailOnError any error is raised; without
    // it the library's default handling applies (every backend here raises
    // whatever failure it detects). Returns the number of rows the statement
    // changed, or -1 when the backend cannot tell.
    virtual std::int64_t Execute(const std::string& sql, std::optional<int> option = std::nullopt) = 0;
    virtual std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) = 0;
    // The ADO connection that underlies this database object.
    virtual std::shared_ptr<AdoConnection> UnderlyingConnection() = 0;
    virtual std::unique_ptr<TableDefinitions> Tables() = 0;
};

}  // namespace vantyr::platform
