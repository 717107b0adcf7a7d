#include "platform/sqlite/login.h"

namespace vantyr::platform::sqlite {

bool SqliteLogin::LoginQuery(int code, Value& key) {
    if (code != kQueryDatabaseExists) return false;
    return directory_.byKey(key.toText()).has_value();
}

}  // namespace vantyr::platform::sqlite
