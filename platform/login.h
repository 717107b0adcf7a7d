#pragma once
// The host's login object, as handed to the component through caLogin.
// Every operation may raise platform::Error (for instance when the host's
// object is gone); the run decides how to treat that.
#include <string>

#include "platform/value.h"

namespace vantyr::platform {

inline constexpr int kQueryDatabaseExists = 10;

class LoginObject {
public:
    virtual ~LoginObject() = default;
    // The company account number, exactly as the host keeps it.
    virtual std::string AccountNo() = 0;
    // The fiscal year of the login, as digits.
    virtual std::string LoginYear() = 0;
    // Code 10: true when the account-year database named by key exists.
    // The key is passed by reference; the host may rewrite it, and the
    // caller hands on whatever it then holds.
    virtual bool LoginQuery(int code, Value& key) = 0;
};

}  // namespace vantyr::platform
