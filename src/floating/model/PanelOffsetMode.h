#pragma once

// How far the caret rectangle is moved before the floating panel is placed at it. Plain value.

#include <array>
#include <optional>

namespace quorvane {

enum class PanelOffsetMode : int {
    none = 0,
    // By the caret's own height.
    caretHeight = 1,
    // By the program's custom amount.
    custom = 2,
};

inline constexpr std::array<PanelOffsetMode, 3> allPanelOffsetModes = {
    PanelOffsetMode::none, PanelOffsetMode::caretHeight, PanelOffsetMode::custom};

// Nothing outside 0...2.
constexpr std::optional<PanelOffsetMode> panelOffsetMode(int rawValue) {
    if (rawValue < 0 || rawValue > 2) return std::nullopt;
    return static_cast<PanelOffsetMode>(rawValue);
}

}  // namespace quorvane
