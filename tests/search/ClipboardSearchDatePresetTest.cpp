#include "search/ClipboardSearchDatePreset.h"

#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <memory>

namespace quorvane {
namespace {

using Range = std::pair<Date, Date>;

std::unique_ptr<icu::TimeZone> zone(const char* id) {
    return std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(id));
}

TEST(ClipboardSearchDatePresetTest, DaysFollowTheCalendarAcrossAClockChange) {
    // Berlin, 29 March 2026, 00:30: the clocks go forward at 02:00, so today lasts 23 hours.
    const auto berlin = zone("Europe/Berlin");
    const Date now(1774740600);
    EXPECT_EQ(dateRange(ClipboardSearchDatePreset::today, now, *berlin), (Range{Date(1774738800), Date(1774821600)}));
    EXPECT_EQ(dateRange(ClipboardSearchDatePreset::yesterday, now, *berlin),
              (Range{Date(1774652400), Date(1774738800)}));
    EXPECT_EQ(dateRange(ClipboardSearchDatePreset::week, now, *berlin), (Range{Date(1774134000), now}));
    EXPECT_EQ(dateRange(ClipboardSearchDatePreset::month, now, *berlin), (Range{Date(1772233200), now}));

    // One second before midnight the day is still the 28th.
    EXPECT_EQ(dateRange(ClipboardSearchDatePreset::today, Date(1774738799), *berlin).first, Date(1774652400));
}

TEST(ClipboardSearchDatePresetTest, ADayWhoseMidnightIsSkippedStartsAtItsFirstMoment) {
    // Havana, 8 March 2026: the clocks jump from 00:00 to 01:00.
    const auto havana = zone("America/Havana");
    const Date noon(1772985600);
    EXPECT_EQ(dateRange(ClipboardSearchDatePreset::today, noon, *havana), (Range{Date(1772946000), Date(1773028800)}));
    EXPECT_EQ(dateRange(ClipboardSearchDatePreset::yesterday, noon, *havana),
              (Range{Date(1772859600), Date(1772946000)}));
}

TEST(ClipboardSearchDatePresetTest, RawValuesAreExactAndCaseSensitive) {
    EXPECT_EQ(clipboardSearchDatePresetFromRawValue("week"), ClipboardSearchDatePreset::week);
    EXPECT_EQ(clipboardSearchDatePresetFromRawValue("Week"), std::nullopt);
    EXPECT_EQ(clipboardSearchDatePresetFromRawValue("tomorrow"), std::nullopt);
    EXPECT_EQ(rawValue(ClipboardSearchDatePreset::yesterday), "yesterday");
}

}  // namespace
}  // namespace quorvane
