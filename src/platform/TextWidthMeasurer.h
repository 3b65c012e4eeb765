#pragma once

// Measures how wide a text is drawn in the desktop's interface font. The caret lookup estimates a caret from
// the text before it when a program reports no caret geometry. Call on the main queue.

#include <string_view>

namespace quorvane {

class TextWidthMeasurer {
public:
    virtual ~TextWidthMeasurer() = default;

    // The advance width of `text` (UTF-8) in the system font at `pointSize`; 0 for an empty text.
    virtual double width(std::string_view text, double pointSize) const = 0;
};

}  // namespace quorvane
