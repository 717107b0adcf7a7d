#pragma once
// The login object of the embedded engine: an account and a login year over
// a data directory; LoginQuery(10, key) answers from the files present.
#include <string>

#include "platform/login.h"
#include "platform/sqlite/data_directory.h"

namespace vantyr::platform::sqlite {

class SqliteLogin : public LoginObject {
public:
    SqliteLogin(DataDirectory directory, std::string account, std::string year)
        : directory_(std::move(directory)), account_(std::move(account)), year_(std::move(year)) {}

    std::string AccountNo() override { return account_; }
    std::string LoginYear() override { return year_; }
    bool LoginQuery(int code, Value& key) override;

private:
    DataDirectory directory_;
    std::string account_, year_;
};

}  // namespace vantyr::platform::sqlite
