#pragma once

// Rectangles that other programs report in the X server's pixels, put into Qt's global coordinates. With a
// scale factor Qt keeps each screen's top-left corner where the X server has it and divides distances from
// there by the screen's pixel ratio. Plain functions.

#include <vector>

#include "platform/ScreenGeometry.h"
#include "platform/ScreenProvider.h"

namespace quorvane {

// The screen's area in the X server's pixels.
ScreenRect devicePixelFrame(const ScreenDescription& screen);

// `rect` (X server pixels) in device-independent pixels, scaled about the screen that holds its middle (the
// primary one when none does); unchanged without screens.
ScreenRect deviceIndependentRect(const ScreenRect& rect, const std::vector<ScreenDescription>& screens);

}  // namespace quorvane
