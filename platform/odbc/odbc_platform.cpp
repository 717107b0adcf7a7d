#include "platform/odbc/odbc_platform.h"

#include "platform/odbc/database.h"

namespace vantyr::platform::odbc {

std::unique_ptr<Database> OdbcPlatform::CreateDatabase() { return std::make_unique<OdbcDatabase>(session_); }

std::unique_ptr<AdoConnection> OdbcPlatform::CreateAdoConnection() { return std::make_unique<OdbcAdoConnection>(); }

std::unique_ptr<AdoRecordset> OdbcPlatform::CreateAdoRecordset() { return std::make_unique<OdbcAdoRecordset>(); }

}  // namespace vantyr::platform::odbc
