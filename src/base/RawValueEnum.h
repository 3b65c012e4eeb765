#pragma once

// Helpers for enumerations that are stored and compared by a raw string: each such enumeration offers a
// constexpr rawValue(E) and an array of all its cases. Pure.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

namespace quorvane {

// The case of `allCases` whose raw value is exactly `raw` (case-sensitive), or nothing.
template <class E, std::size_t N>
constexpr std::optional<E> caseWithRawValue(const std::array<E, N>& allCases, std::string_view raw) {
    for (const E value : allCases) {
        if (rawValue(value) == raw) return value;
    }
    return std::nullopt;
}

// Hashes a case by its raw string, so equal raw values hash equally across builds.
template <class E>
struct RawValueHash {
    std::size_t operator()(E value) const noexcept { return std::hash<std::string_view>{}(rawValue(value)); }
};

}  // namespace quorvane
