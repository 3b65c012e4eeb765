#pragma once

// Text widths in the desktop's interface font (Qt's general system font) at a given point size. Needs a
// QGuiApplication; main thread only.

#include "platform/TextWidthMeasurer.h"

namespace quorvane {

class QtTextWidthMeasurer final : public TextWidthMeasurer {
public:
    double width(std::string_view text, double pointSize) const override;
};

}  // namespace quorvane
