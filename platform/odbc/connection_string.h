#pragma once
// ODBC connection strings ("KEY=value;KEY={value; with braces}") as the
// backend handles them: masking the credentials in any text that could echo
// one, and naming the database a second connection opens.
#include <string>
#include <string_view>

namespace vantyr::platform::odbc {

// `text` with the value of every credential attribute (PWD, Password, ...)
// of a connection string replaced by "***". Everything that could echo a
// connection string passes through here before it is shown or raised.
std::string maskSecrets(std::string_view text);

// The connection string with its DATABASE (or Initial Catalog) attribute
// replaced by `database`, every other attribute kept as written.
std::string withDatabase(std::string_view connectionString, const std::string& database);

// The connection string of a data source name configured in odbc.ini.
std::string dsnConnectionString(const std::string& dsn);

}  // namespace vantyr::platform::odbc
