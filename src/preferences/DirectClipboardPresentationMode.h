#pragma once

// How the clipboard history opens in the direct build: the centred standard panel or the floating panel at
// the caret. Stored in the settings by raw value. Plain value, safe from any thread.

#include <array>
#include <optional>
#include <string_view>

namespace quorvane {

enum class DirectClipboardPresentationMode { centered, floating };

inline constexpr std::array allDirectClipboardPresentationModes = {DirectClipboardPresentationMode::centered,
                                                                   DirectClipboardPresentationMode::floating};

// "centered" or "floating".
std::string_view rawValue(DirectClipboardPresentationMode mode);
std::optional<DirectClipboardPresentationMode> directClipboardPresentationModeFromRawValue(
    std::string_view rawValue);

// "Standard Panel" or "Floating Panel", in the interface language.
std::string_view displayName(DirectClipboardPresentationMode mode);

}  // namespace quorvane
