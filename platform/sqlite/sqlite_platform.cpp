#include "platform/sqlite/sqlite_platform.h"

#include "platform/sqlite/database.h"

namespace vantyr::platform::sqlite {

std::unique_ptr<Database> SqlitePlatform::CreateDatabase() { return std::make_unique<SqliteDatabase>(session_); }

}  // namespace vantyr::platform::sqlite
