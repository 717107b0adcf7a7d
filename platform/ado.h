#pragma once
// ADO as far as the component uses it: a connection that knows its connection
// string, can be opened anew from it and runs statements on its own (each
// statement commits on its own); a recordset opened on such a connection whose
// rows can be read in order and whose first row can be changed or added to;
// and the factory of new, unopened ADO objects. Every operation raises
// platform::Error on failure.
#include <memory>
#include <string>

#include "platform/database.h"

namespace vantyr::platform {

// Cursor and lock settings of an ADO recordset.
inline constexpr int kAdUseClient = 3;
inline constexpr int kAdOpenForwardOnly = 0;
inline constexpr int kAdOpenDynamic = 2;
inline constexpr int kAdLockReadOnly = 1;
inline constexpr int kAdLockOptimistic = 3;
inline constexpr int kAdUnspecified = -1;

class AdoConnection {
public:
    virtual ~AdoConnection() = default;
    virtual std::string ConnectionString() = 0;
    // Opens this (fresh) connection with a connection string, a user id, a
    // password (empty: those of the string, if any) and the open options
    // (kAdUnspecified: synchronous).
    virtual void Open(const std::string& connectionString, const std::string& userId = "",
                      const std::string& password = "", int options = kAdUnspecified) = 0;
    // Runs one statement text whole; it commits on its own.
    virtual void Execute(const std::string& sql) = 0;
    virtual std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) = 0;
};

class AdoRecordset {
public:
    virtual ~AdoRecordset() = default;
    virtual void SetCursorLocation(int location) = 0;
    virtual void SetCursorType(int type) = 0;
    virtual void SetLockType(int type) = 0;
    // Opens the query on the connection; kAdUnspecified keeps the settings made
    // before. The rows are those the query returns when it is opened.
    virtual void Open(const std::string& sql, AdoConnection& connection, int cursorType = kAdUnspecified,
                      int lockType = kAdUnspecified) = 0;
    // No current row: past the last row (or no row at all).
    virtual bool Eof() = 0;
    // Before the first row: true only for a result without rows.
    virtual bool Bof() = 0;
    // The next row becomes current; past the last one Eof is true.
    virtual void MoveNext() = 0;
    virtual Value Field(const std::string& name) = 0;
    // The value of the current row's field at a position (0: the first).
    virtual Value FieldAt(int index) = 0;
    // Begins a new row; Update saves it.
    virtual void AddNew() = 0;
    // Assigns a field of the new row, or of the first row (then Update saves the change).
    virtual void SetField(const std::string& name, const Value& value) = 0;
    // Saves the new row, or the changes to the first row. A read-only
    // recordset refuses.
    virtual void Update() = 0;
    virtual void Close() = 0;
};

// Creates new, unopened ADO objects.
class AdoFactory {
public:
    virtual ~AdoFactory() = default;
    virtual std::unique_ptr<AdoConnection> CreateAdoConnection() = 0;
    virtual std::unique_ptr<AdoRecordset> CreateAdoRecordset() = 0;
};

}  // namespace vantyr::platform
