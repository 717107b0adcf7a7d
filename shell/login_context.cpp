#include "shell/login_context.h"

#include "platform/error.h"
#include "platform/value.h"

namespace vantyr::shell {

using platform::Value;

std::string previousYearKey(platform::LoginObject& login) {
    std::string account = login.AccountNo();
    int previous = Value(login.LoginYear()).toInt16() - 1;
    if (previous < -32768) throw platform::Error(platform::kErrOverflow, "Overflow");
    return account + std::to_string(previous);
}

std::string currentYearKey(platform::LoginObject& login) {
    std::string account = login.AccountNo();
    return account + login.LoginYear();
}

std::string currentDatabaseName(platform::LoginObject& login) {
    std::string account = login.AccountNo();
    return "QXDATA_" + account + "_" + login.LoginYear();
}

std::int16_t currentYear(platform::LoginObject& login) { return Value(login.LoginYear()).toInt16(); }

std::string previousYearNumber(platform::LoginObject& login) {
    double previous = Value(login.LoginYear()).toDouble() - 1;
    return std::to_string(Value(previous).toInt16());
}

}  // namespace vantyr::shell
