#pragma once
// RAII over the ODBC handles (environment, connection, statement) and the
// reading of a handle's diagnostic records. <sql.h> stays in the backend's
// own headers; nothing outside platform/odbc/ includes this file.
#ifdef _WIN32
#include <windows.h>  // the driver manager's headers need its types
#endif
#include <sql.h>
#include <sqlext.h>

#include <utility>
#include <vector>

#include "platform/odbc/diagnostics.h"

namespace vantyr::platform::odbc {

// One ODBC handle of a given type, freed with SQLFreeHandle when it goes.
// A connection handle is disconnected first if it is still connected.
template <SQLSMALLINT Type>
class Handle {
public:
    Handle() = default;
    // Allocates a handle under `parent` (SQL_NULL_HANDLE for an environment).
    // Returns false when the driver manager refuses.
    bool allocate(SQLHANDLE parent) {
        reset();
        return SQL_SUCCEEDED(SQLAllocHandle(Type, parent, &h_));
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : h_(std::exchange(other.h_, SQLHANDLE{})), connected_(other.connected_) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            h_ = std::exchange(other.h_, SQLHANDLE{});
            connected_ = other.connected_;
        }
        return *this;
    }
    ~Handle() { reset(); }

    SQLHANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    // For connection handles: remember that SQLDisconnect is owed.
    void markConnected() { connected_ = true; }
    void reset() {
        if (h_ == nullptr) return;
        if constexpr (Type == SQL_HANDLE_DBC) {
            if (connected_) SQLDisconnect(h_);
        }
        SQLFreeHandle(Type, h_);
        h_ = nullptr;
        connected_ = false;
    }

private:
    SQLHANDLE h_ = nullptr;
    bool connected_ = false;
};

using EnvironmentHandle = Handle<SQL_HANDLE_ENV>;
using ConnectionHandle = Handle<SQL_HANDLE_DBC>;
using StatementHandle = Handle<SQL_HANDLE_STMT>;

// Every diagnostic record the handle holds for its last call.
std::vector<DiagnosticRecord> readDiagnostics(SQLSMALLINT type, SQLHANDLE handle);

}  // namespace vantyr::platform::odbc
