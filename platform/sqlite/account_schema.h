#pragma once
// The suite's cost-accounting schema of one account-year database, as the
// suite's own DDL in the server's dialect, for release 8.50 or 8.61: every
// table and column the carry-over clears, copies, resets or reads, with the
// identity columns, keys, the unique menu index, the cost-object uniqueness
// constraints (8.61) and the default object of CA_OnPQu.iQuot; then the
// cost-accounting rows of accinformation.
#include <string>
#include <vector>

namespace vantyr::platform::sqlite {

std::vector<std::string> accountSchema(bool release861);

}  // namespace vantyr::platform::sqlite
