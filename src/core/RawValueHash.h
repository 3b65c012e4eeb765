#pragma once

// Hashes an enumeration stored by raw value through its raw string, so equal raw values hash equally across
// builds. Each such enumeration defines rawValue() beside it.

#include <cstddef>
#include <functional>
#include <string_view>

namespace quorvane {

template <class E>
struct RawValueHash {
    std::size_t operator()(E value) const noexcept { return std::hash<std::string_view>{}(rawValue(value)); }
};

}  // namespace quorvane
