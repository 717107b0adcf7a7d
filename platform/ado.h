#pragma once
// ADO as far as the component uses it: a connection that knows its connection
// string, can be opened anew from it and runs statements on its own (each
// statement commits on its own); and a recordset opened on such a connection
// whose first row can be read, changed, or added to. Every operation raises
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
    // Open this (fresh) connection with a connection string.
    virtual void Open(const std::string& connectionString) = 0;
    virtual void Execute(const std::string& sql) = 0;
    virtual std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) = 0;
};

class AdoRecordset {
public:
    virtual ~AdoRecordset() = default;
    virtual void SetCursorLocation(int location) = 0;
    virtual void SetCursorType(int type) = 0;
    virtual void SetLockType(int type) = 0;
    // Opens the query on the connection; kAdUnspecified keeps the settings made before.
    virtual void Open(const std::string& sql, AdoConnection& connection, int cursorType = kAdUnspecified,
                      int lockType = kAdUnspecified) = 0;
    virtual bool Eof() = 0;
    virtual Value Field(const std::string& name) = 0;
    // Begins a new row; Update saves it.
    virtual void AddNew() = 0;
    virtual void SetField(const std::string& name, const Value& value) = 0;
    // Saves the new row, or the changes to the current row. A read-only
    // recordset refuses.
    virtual void Update() = 0;
    virtual void Close() = 0;
};

}  // namespace vantyr::platform
