#pragma once
// Release 8.61's carry-over options 8601 and 8602 of the previous year's
// accinformation, and the value of gOption they give.
#include <cstdint>

namespace vantyr::platform {
class Database;
}

namespace vantyr::shell {

inline constexpr const char* kOption8601Query = "select * from accinformation where csysid=N'ca' and cid=N'8601'";
inline constexpr const char* kOption8602Query = "select * from accinformation where csysid=N'ca' and cid=N'8602'";

// On when the query finds a row whose cvalue equals the text "1". Raises
// whatever the query or the read raises.
bool optionOn(platform::Database& prev, const char* query);

// Both on: 2; 8601 only: 1; neither: 0; 8602 only: the current value stays.
std::int16_t chooseOption(bool option8601, bool option8602, std::int16_t current);

}  // namespace vantyr::shell
