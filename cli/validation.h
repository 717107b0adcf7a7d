#pragma once
// Checks of what operators type before anything is opened: account numbers and
// years are spliced into statement texts and database names.
#include <optional>
#include <string>

namespace vantyr::cli {

// An error message, or nothing when the value is fine.
std::optional<std::string> checkAccount(const std::string& account);
std::optional<std::string> checkYear(const std::string& year);

}  // namespace vantyr::cli
