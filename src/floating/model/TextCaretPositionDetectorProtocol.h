#pragma once

// Where the text caret of the front program is, as the floating panel's anchor resolver asks for it. Main
// queue only; synchronous.

#include <optional>

#include "platform/ScreenGeometry.h"

namespace quorvane {

class TextCaretPositionDetectorProtocol {
public:
    virtual ~TextCaretPositionDetectorProtocol() = default;

    // The caret's rectangle in global screen coordinates, or nothing when no caret can be found.
    virtual std::optional<ScreenRect> getCaretPosition() = 0;
};

}  // namespace quorvane
