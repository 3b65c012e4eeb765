#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <memory>

#include "searchindex/ClipboardSearchDatePreset.h"

namespace quorvane {
namespace {

std::unique_ptr<icu::TimeZone> zone(const char* id) {
    return std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(id));
}

// Epoch seconds below were taken from `TZ=<zone> date -d "<local time>" +%s`.
constexpr double newYorkMarch8Start = 1772946000;  // 2026-03-08 00:00 EST, the day clocks spring forward
constexpr double newYorkMarch9Start = 1773028800;  // 2026-03-09 00:00 EDT
constexpr double newYorkMarch7Start = 1772859600;  // 2026-03-07 00:00 EST
constexpr double newYorkMarch8Noon = 1772985600;
constexpr double newYorkNovember1Start = 1793505600;  // 2026-11-01 00:00 EDT, the day clocks fall back
constexpr double newYorkNovember2Start = 1793595600;
constexpr double newYorkNovember1Noon = 1793552400;

TEST(ClipboardSearchDatePresetTest, RawValuesRoundTripAndRejectOtherSpellings) {
    for (auto preset : allClipboardSearchDatePresets) {
        EXPECT_EQ(clipboardSearchDatePreset(rawValue(preset)), preset);
    }
    EXPECT_EQ(clipboardSearchDatePreset("Today"), std::nullopt);
    EXPECT_EQ(clipboardSearchDatePreset("tomorrow"), std::nullopt);
    EXPECT_EQ(clipboardSearchDatePreset(""), std::nullopt);
}

TEST(ClipboardSearchDatePresetTest, TodayOnSpringForwardDayLastsTwentyThreeHours) {
    auto newYork = zone("America/New_York");
    auto range = dateRange(ClipboardSearchDatePreset::today, Date(newYorkMarch8Noon), *newYork);
    EXPECT_EQ(range.start, Date(newYorkMarch8Start));
    EXPECT_EQ(range.end, Date(newYorkMarch9Start));
    EXPECT_EQ(range.end.timeIntervalSince(range.start), 23 * 3600);
}

TEST(ClipboardSearchDatePresetTest, TodayOnFallBackDayLastsTwentyFiveHours) {
    auto newYork = zone("America/New_York");
    auto range = dateRange(ClipboardSearchDatePreset::today, Date(newYorkNovember1Noon), *newYork);
    EXPECT_EQ(range.start, Date(newYorkNovember1Start));
    EXPECT_EQ(range.end, Date(newYorkNovember2Start));
    EXPECT_EQ(range.end.timeIntervalSince(range.start), 25 * 3600);
}

TEST(ClipboardSearchDatePresetTest, YesterdayEndsWhereTodayStartsAcrossDaylightChange) {
    auto newYork = zone("America/New_York");
    auto yesterday =
        dateRange(ClipboardSearchDatePreset::yesterday, Date(newYorkMarch9Start + 3600), *newYork);
    EXPECT_EQ(yesterday.start, Date(newYorkMarch8Start));
    EXPECT_EQ(yesterday.end, Date(newYorkMarch9Start));
    auto dayBefore = dateRange(ClipboardSearchDatePreset::yesterday, Date(newYorkMarch8Noon), *newYork);
    EXPECT_EQ(dayBefore.start, Date(newYorkMarch7Start));
    EXPECT_EQ(dayBefore.end, Date(newYorkMarch8Start));
}

TEST(ClipboardSearchDatePresetTest, DayBoundariesFollowTheGivenTimeZoneAroundMidnight) {
    auto tokyo = zone("Asia/Tokyo");
    constexpr double june15Start = 1781449200;  // 2026-06-15 00:00 JST
    constexpr double june16Start = 1781535600;
    constexpr double june14Start = 1781362800;
    // Exactly midnight belongs to the day it opens; one second before it to the day before.
    auto atMidnight = dateRange(ClipboardSearchDatePreset::today, Date(june15Start), *tokyo);
    EXPECT_EQ(atMidnight.start, Date(june15Start));
    EXPECT_EQ(atMidnight.end, Date(june16Start));
    auto justBefore = dateRange(ClipboardSearchDatePreset::today, Date(june15Start - 1), *tokyo);
    EXPECT_EQ(justBefore.start, Date(june14Start));
    EXPECT_EQ(justBefore.end, Date(june15Start));
    auto utc = zone("UTC");
    auto sameInstantInUtc = dateRange(ClipboardSearchDatePreset::today, Date(june15Start), *utc);
    EXPECT_EQ(sameInstantInUtc.start, Date(june15Start - 15 * 3600));
}

TEST(ClipboardSearchDatePresetTest, SkippedMidnightStartsTheDayAtTheEndOfTheGap) {
    // Chile springs forward at midnight: 2026-09-06 has no 00:00 and begins at 01:00.
    auto santiago = zone("America/Santiago");
    constexpr double september6Start = 1788667200;  // 01:00 -03
    constexpr double september7Start = 1788750000;  // 00:00 -03
    constexpr double september5Start = 1788580800;  // 00:00 -04
    constexpr double september6Noon = 1788706800;
    auto today = dateRange(ClipboardSearchDatePreset::today, Date(september6Noon), *santiago);
    EXPECT_EQ(today.start, Date(september6Start));
    EXPECT_EQ(today.end, Date(september7Start));
    auto yesterday = dateRange(ClipboardSearchDatePreset::yesterday, Date(september6Noon), *santiago);
    EXPECT_EQ(yesterday.start, Date(september5Start));
    EXPECT_EQ(yesterday.end, Date(september6Start));
}

TEST(ClipboardSearchDatePresetTest, WeekAndMonthCountCalendarDaysBackAndEndNow) {
    auto newYork = zone("America/New_York");
    constexpr double march10Noon = 1773158400;
    constexpr double march3Start = 1772514000;  // seven calendar days back, before the clocks changed
    auto week = dateRange(ClipboardSearchDatePreset::week, Date(march10Noon), *newYork);
    EXPECT_EQ(week.start, Date(march3Start));
    EXPECT_EQ(week.end, Date(march10Noon));

    constexpr double march31Morning = 1774965600;
    constexpr double february28Start = 1772254800;  // March 31 minus one month is pinned to February 28
    auto month = dateRange(ClipboardSearchDatePreset::month, Date(march31Morning), *newYork);
    EXPECT_EQ(month.start, Date(february28Start));
    EXPECT_EQ(month.end, Date(march31Morning));
}

}  // namespace
}  // namespace quorvane
