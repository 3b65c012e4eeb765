#pragma once

// Row density of the floating panel's list in the direct build. Stored in the settings by raw value. Plain
// value, safe from any thread.

#include <array>
#include <optional>
#include <string_view>

namespace quorvane {

enum class FloatingClipboardListStyle { standard, compact };

inline constexpr std::array allFloatingClipboardListStyles = {FloatingClipboardListStyle::standard,
                                                              FloatingClipboardListStyle::compact};

// "standard" or "compact".
std::string_view rawValue(FloatingClipboardListStyle style);
std::optional<FloatingClipboardListStyle> floatingClipboardListStyleFromRawValue(std::string_view rawValue);

// "Standard" or "Compact", in the interface language.
std::string_view displayName(FloatingClipboardListStyle style);

}  // namespace quorvane
