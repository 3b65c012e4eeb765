#pragma once

// The date words of the "after:" and "before:" filters, and the span of time each stands for, on the user's
// calendar in the user's time zone. Pure: safe from any thread.

#include <array>
#include <optional>
#include <string_view>

#include "core/RawValueEnum.h"
#include <utility>

#include "platform/Date.h"

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class TimeZone;
U_NAMESPACE_END

namespace quorvane {

enum class ClipboardSearchDatePreset { today, yesterday, week, month };

inline constexpr std::array<ClipboardSearchDatePreset, 4> allClipboardSearchDatePresets = {
    ClipboardSearchDatePreset::today, ClipboardSearchDatePreset::yesterday, ClipboardSearchDatePreset::week,
    ClipboardSearchDatePreset::month};

constexpr std::string_view rawValue(ClipboardSearchDatePreset preset) {
    switch (preset) {
        case ClipboardSearchDatePreset::today:
            return "today";
        case ClipboardSearchDatePreset::yesterday:
            return "yesterday";
        case ClipboardSearchDatePreset::week:
            return "week";
        case ClipboardSearchDatePreset::month:
            break;
    }
    return "month";
}

constexpr std::optional<ClipboardSearchDatePreset> clipboardSearchDatePresetFromRawValue(std::string_view raw) {
    return caseWithRawValue(allClipboardSearchDatePresets, raw);
}

// (start, end) of the preset at `now` in `zone`. Days are calendar days, so a day across a clock change lasts
// 23 or 25 hours; the start of a day is its first moment even where midnight is skipped.
// today: [start of today, start of tomorrow); yesterday: [start of yesterday, start of today);
// week: [start of today - 7 days, now); month: [start of today - 1 month, now).
std::pair<Date, Date> dateRange(ClipboardSearchDatePreset preset, Date now, const icu::TimeZone& zone);
// The same in the user's current time zone.
std::pair<Date, Date> dateRange(ClipboardSearchDatePreset preset, Date now);

}  // namespace quorvane
