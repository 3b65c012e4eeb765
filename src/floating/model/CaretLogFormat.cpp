#include "floating/model/CaretLogFormat.h"

#include <fmt/format.h>

#include <cmath>
#include <cstdint>

namespace quorvane {

std::string wholeNumber(double value) {
    // 2^63 itself does not fit, so the bound is exclusive.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(value) || value >= limit || value <= -limit) return decimalNumber(value);
    return std::to_string(static_cast<std::int64_t>(value));
}

std::string decimalNumber(double value) {
    std::string text = fmt::format("{}", value);
    if (text.find_first_of(".eEn") == std::string::npos) text += ".0";
    return text;
}

std::string rectFields(const ScreenRect& rect) {
    return decimalNumber(rect.x) + ", " + decimalNumber(rect.y) + ", " + decimalNumber(rect.width) + ", " +
           decimalNumber(rect.height);
}

std::string rectDefaultForm(const ScreenRect& rect) {
    return "(" + rectFields(rect) + ")";
}

}  // namespace quorvane
