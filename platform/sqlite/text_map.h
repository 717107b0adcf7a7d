#pragma once
// A hash map keyed by text that is also searched with a std::string_view, so
// that a lookup builds no key on the heap. For the engine's hot lookups
// (models, catalogue statements), where a tree would compare long common
// prefixes ("cur.ca_…") at every level. Iteration order is unspecified.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vantyr::platform::sqlite {

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view>{}(text); }
};

template <class Value>
using TextMap = std::unordered_map<std::string, Value, TextHash, std::equal_to<>>;

}  // namespace vantyr::platform::sqlite
