#include "floating/model/CaretDetectionStrategy.h"

namespace quorvane {

std::optional<CaretDetectionStrategy> caretDetectionStrategy(int raw) {
    for (const auto strategy : allCaretDetectionStrategies) {
        if (rawValue(strategy) == raw) return strategy;
    }
    return std::nullopt;
}

std::string_view logName(CaretDetectionStrategy strategy) {
    switch (strategy) {
        case CaretDetectionStrategy::boundsForRange:
            return "BoundsForRange";
        case CaretDetectionStrategy::selectionEnd:
            return "SelectionEnd";
        case CaretDetectionStrategy::zeroRange:
            return "ZeroRange";
        case CaretDetectionStrategy::visibleRange:
            return "VisibleRange";
        case CaretDetectionStrategy::lineInfo:
            return "LineInfo";
        case CaretDetectionStrategy::elementAndWindow:
            return "ElementAndWindow";
        case CaretDetectionStrategy::textMarkerRange:
            return "TextMarkerRange";
        case CaretDetectionStrategy::lastLineFallback:
            return "LastLineFallback";
    }
    return "Unknown";
}

}  // namespace quorvane
