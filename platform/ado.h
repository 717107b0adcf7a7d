#pragma once
// ADO as far as the component uses it: a connection that knows its
// connection string, can be opened anew from it and runs statements and
// queries on its own (each statement commits on its own).
#include <memory>
#include <string>

#include "platform/database.h"

namespace vantyr::platform {

class AdoConnection {
public:
    virtual ~AdoConnection() = default;
    virtual std::string ConnectionString() = 0;
    // Open this (fresh) connection with a connection string. Raises on failure.
    virtual void Open(const std::string& connectionString) = 0;
    virtual void Execute(const std::string& sql) = 0;
    virtual std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) = 0;
};

}  // namespace vantyr::platform
