#pragma once

// Which way the caret offset moves the rectangle: up or down on screen. Plain value.

#include <array>
#include <optional>

namespace quorvane {

enum class PanelOffsetDirection : int { up = 0, down = 1 };

inline constexpr std::array<PanelOffsetDirection, 2> allPanelOffsetDirections = {PanelOffsetDirection::up,
                                                                                 PanelOffsetDirection::down};

// Nothing outside 0...1.
constexpr std::optional<PanelOffsetDirection> panelOffsetDirection(int rawValue) {
    if (rawValue < 0 || rawValue > 1) return std::nullopt;
    return static_cast<PanelOffsetDirection>(rawValue);
}

}  // namespace quorvane
