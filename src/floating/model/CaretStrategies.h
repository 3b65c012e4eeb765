#pragma once

// The eight ways of finding a caret rectangle: asking the program for the bounds of the caret in several
// forms, or estimating the caret from the element's text and frame. Each only produces a rectangle; the
// detector judges it. Stateless; main queue only (the accessibility reads block until the program answers
// or the port's time-out passes).

#include <cstdint>
#include <optional>
#include <string>

#include "floating/model/CaretDetectionStrategy.h"
#include "floating/model/CaretGeometry.h"
#include "platform/AccessibleElementPort.h"
#include "platform/ScreenProvider.h"
#include "platform/TextWidthMeasurer.h"

namespace quorvane {

class CaretStrategies {
public:
    struct WindowInfo {
        // After convertToScreenCoordinates.
        ScreenRect frame;
        AccessibleElement element;
    };

    // Estimated carets: 2 wide, 16 high, on lines 18 apart, text measured at 13 points.
    static constexpr double estimatedCaretWidth = 2;
    static constexpr double estimatedCaretHeight = 16;
    static constexpr double assumedLineHeight = 18;
    static constexpr double textPointSize = 13;

    CaretStrategies(AccessibleElementPort& elements, const CaretGeometry& geometry,
                    const ScreenProvider& screens, const TextWidthMeasurer& textMeasurer)
        : elements_(elements), geometry_(geometry), screens_(screens), textMeasurer_(textMeasurer) {}

    // The search-field correction is meant for programs that report single-line fields bottom-up. AT-SPI
    // programs always answer top-down, so on Linux it stays off: applied there it would mirror every caret
    // in the upper half of the screen to the lower half.
    void setSearchFieldAdjustmentEnabled(bool enabled) { searchFieldAdjustmentEnabled_ = enabled; }
    bool searchFieldAdjustmentEnabled() const { return searchFieldAdjustmentEnabled_; }

    // The rectangle `strategy` produces for the caret at the selection (location, length) of `element`.
    std::optional<ScreenRect> run(CaretDetectionStrategy strategy, const AccessibleElement& element,
                                  std::int64_t location, std::int64_t length, const std::string& role);

    // The element's window and its frame, or nothing when either read fails.
    std::optional<WindowInfo> windowInfo(const AccessibleElement& element);

    std::optional<ScreenRect> boundsForRangeRect(const AccessibleElement& element, std::int64_t location);
    // Only for a selection (length > 0): the caret at its end.
    std::optional<ScreenRect> selectionEndRect(const AccessibleElement& element, std::int64_t location,
                                               std::int64_t length);
    std::optional<ScreenRect> zeroRangeRect(const AccessibleElement& element, std::int64_t location);
    // The caret at `location`, or at the start of the visible text when that lies further on.
    std::optional<ScreenRect> visibleRangeRect(const AccessibleElement& element, std::int64_t location);
    // Estimated from the caret's line and the width of the text before it on that line.
    std::optional<ScreenRect> lineInfoRect(const AccessibleElement& element, std::int64_t location);
    // Estimated inside the element's frame (vertically centred for single-line roles).
    std::optional<ScreenRect> elementAndWindowRect(const AccessibleElement& element, std::int64_t location,
                                                   const std::string& role);
    std::optional<ScreenRect> textMarkerRangeRect(const AccessibleElement& element);
    // Near the bottom of the element, or near the top of the window for editors taller than two screens.
    // Already in screen coordinates: the detector passes it on unconverted.
    std::optional<ScreenRect> lastLineFallbackRect(const AccessibleElement& element, std::int64_t location);

private:
    // The element's text, or an empty one when it cannot be read.
    std::string textOf(const AccessibleElement& element);

    AccessibleElementPort& elements_;
    const CaretGeometry& geometry_;
    const ScreenProvider& screens_;
    const TextWidthMeasurer& textMeasurer_;
    bool searchFieldAdjustmentEnabled_ = false;
};

}  // namespace quorvane
