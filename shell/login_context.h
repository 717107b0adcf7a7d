#pragma once
// The keys and names a run derives from the login object. Each function reads
// AccountNo and LoginYear afresh (they are never cached) and raises whatever
// the login object or the conversion raises.
#include <cstdint>
#include <string>

#include "platform/login.h"

namespace vantyr::shell {

// AccountNo followed by (LoginYear as a 16-bit integer, minus 1) in decimal.
std::string previousYearKey(platform::LoginObject& login);
// AccountNo followed by LoginYear exactly as returned.
std::string currentYearKey(platform::LoginObject& login);
// "QXDATA_" + AccountNo + "_" + LoginYear: the prefix of three-part names.
std::string currentDatabaseName(platform::LoginObject& login);
// LoginYear as a 16-bit integer.
std::int16_t currentYear(platform::LoginObject& login);
// The previous year's number as messages show it: LoginYear as a double,
// minus 1, as a 16-bit integer, in decimal.
std::string previousYearNumber(platform::LoginObject& login);

}  // namespace vantyr::shell
