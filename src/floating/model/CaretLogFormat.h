#pragma once

// How numbers and rectangles are written in the caret lookup's and the placement's log lines. Pure.

#include <string>

#include "platform/ScreenGeometry.h"

namespace quorvane {

// Truncated toward zero ("12"); a value that is not finite or beyond the 64-bit range is written in
// decimal form instead, so it stays recognisable.
std::string wholeNumber(double value);
// Shortest decimal form that reads back the same, always with a fraction ("12.0", "12.5", "inf").
std::string decimalNumber(double value);
// "(x, y, width, height)" in decimal form.
std::string rectDefaultForm(const ScreenRect& rect);
// "x, y, width, height" in decimal form, without parentheses.
std::string rectFields(const ScreenRect& rect);

}  // namespace quorvane
