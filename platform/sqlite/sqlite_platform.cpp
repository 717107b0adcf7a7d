#include "platform/sqlite/sqlite_platform.h"

#include "platform/sqlite/database.h"

namespace vantyr::platform::sqlite {

std::unique_ptr<Database> SqlitePlatform::CreateDatabase() { return std::make_unique<SqliteDatabase>(session_); }

std::unique_ptr<AdoConnection> SqlitePlatform::CreateAdoConnection() { return std::make_unique<SqliteAdoConnection>(session_->directory().options(), session_); }

std::unique_ptr<AdoRecordset> SqlitePlatform::CreateAdoRecordset() { return std::make_unique<SqliteAdoRecordset>(); }

}  // namespace vantyr::platform::sqlite
