#pragma once

// The ways the caret lookup asks a program where its caret is, tried in a per-program order. Plain value.

#include <array>
#include <optional>
#include <string_view>

namespace quorvane {

enum class CaretDetectionStrategy : int {
    boundsForRange = 1,
    selectionEnd = 2,
    zeroRange = 3,
    visibleRange = 4,
    lineInfo = 5,
    elementAndWindow = 6,
    textMarkerRange = 7,
    lastLineFallback = 8,
};

inline constexpr std::array<CaretDetectionStrategy, 8> allCaretDetectionStrategies = {
    CaretDetectionStrategy::boundsForRange,  CaretDetectionStrategy::selectionEnd,
    CaretDetectionStrategy::zeroRange,       CaretDetectionStrategy::visibleRange,
    CaretDetectionStrategy::lineInfo,        CaretDetectionStrategy::elementAndWindow,
    CaretDetectionStrategy::textMarkerRange, CaretDetectionStrategy::lastLineFallback,
};

constexpr int rawValue(CaretDetectionStrategy strategy) {
    return static_cast<int>(strategy);
}
// Nothing outside 1...8.
std::optional<CaretDetectionStrategy> caretDetectionStrategy(int rawValue);
// The name every log line uses for the strategy.
std::string_view logName(CaretDetectionStrategy strategy);

}  // namespace quorvane
