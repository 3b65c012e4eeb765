#pragma once

// The date words of the after: and before: filters ("today", "yesterday", "week", "month") and the span of
// time each stands for in the user's calendar. Used by the query parser and the index store's date bounds.
// Pure functions of their arguments (the no-argument forms read the clock and the default time zone).

#include <unicode/timezone.h>

#include <array>
#include <optional>
#include <string_view>

#include "base/Date.h"

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
            return "month";
    }
    return "today";
}

// The preset whose raw value is exactly `raw` (case-sensitive).
constexpr std::optional<ClipboardSearchDatePreset> clipboardSearchDatePreset(std::string_view raw) {
    for (auto preset : allClipboardSearchDatePresets) {
        if (rawValue(preset) == raw) return preset;
    }
    return std::nullopt;
}

struct ClipboardSearchDateRange {
    Date start;
    Date end;
    friend bool operator==(const ClipboardSearchDateRange&, const ClipboardSearchDateRange&) = default;
};

// The span of `preset` seen at `now` in `timeZone` with the default locale's calendar:
// today = [start of today, start of tomorrow); yesterday = [start of yesterday, start of today);
// week = [start of today - 7 days, now]; month = [start of today - 1 month, now].
// Days are calendar days, so a day across a daylight-saving change lasts 23 or 25 hours.
ClipboardSearchDateRange dateRange(ClipboardSearchDatePreset preset, Date now, const icu::TimeZone& timeZone);
// The same at the current time in the user's time zone.
ClipboardSearchDateRange dateRange(ClipboardSearchDatePreset preset);

}  // namespace quorvane
