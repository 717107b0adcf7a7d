#pragma once
// The account-year databases of a server, found by the suite's naming rule
// "QXDATA_" + account + "_" + year, and the login object that answers
// LoginQuery(10, key) from the server's list of databases.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/login.h"

namespace vantyr::platform::odbc {

class Session;

// The database named by the rule whose account followed by its year is
// `key`, when exactly one of `names` is; a key that two names could make
// ("QXDATA_01_12005" and "QXDATA_011_2005" both give 0112005) is answered as
// missing rather than guessed. Names compare without regard to case.
std::optional<std::string> databaseForKey(const std::vector<std::string>& names, const std::string& key);

// "QXDATA_" + account + "_" + year.
std::string accountYearName(const std::string& account, const std::string& year);

class OdbcLogin : public LoginObject {
public:
    OdbcLogin(std::shared_ptr<Session> session, std::string account, std::string year)
        : session_(std::move(session)), account_(std::move(account)), year_(std::move(year)) {}

    std::string AccountNo() override { return account_; }
    std::string LoginYear() override { return year_; }
    // Code 10: asks the server for its databases each time. Raises the
    // server's failure when the list cannot be read.
    bool LoginQuery(int code, Value& key) override;

private:
    std::shared_ptr<Session> session_;
    std::string account_, year_;
};

}  // namespace vantyr::platform::odbc
