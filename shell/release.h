#pragma once
// The release the component is built or created as. One source serves both;
// the release is a value handed in, never a compile-time switch.
#include <optional>
#include <string>
#include <string_view>

namespace vantyr {

enum class Release { V850, V861 };

inline std::string_view releaseName(Release r) { return r == Release::V850 ? "8.50" : "8.61"; }

inline std::optional<Release> parseRelease(std::string_view text) {
    if (text == "8.50") return Release::V850;
    if (text == "8.61") return Release::V861;
    return std::nullopt;
}

}  // namespace vantyr
