#pragma once

// The case of an enumeration stored by raw value: the one whose rawValue() equals `raw` exactly, or nothing.
// Each settings enumeration lists its cases in an array and defines rawValue() beside it.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace quorvane {

template <class Enum, std::size_t count>
constexpr std::optional<Enum> caseWithRawValue(const std::array<Enum, count>& allCases, std::string_view raw) {
    for (const auto value : allCases) {
        if (rawValue(value) == raw) return value;
    }
    return std::nullopt;
}

}  // namespace quorvane
