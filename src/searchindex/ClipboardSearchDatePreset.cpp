#include "searchindex/ClipboardSearchDatePreset.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>

#include <memory>
#include <optional>

#include "platform/Clock.h"

namespace quorvane {
namespace {

constexpr double millisecondsPerSecond = 1000.0;

std::unique_ptr<icu::Calendar> makeCalendar(const icu::TimeZone& timeZone) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(
        icu::Calendar::createInstance(timeZone.clone(), icu::Locale::getDefault(), status));
    if (U_FAILURE(status) || !calendar) return nullptr;
    // The start of a day is its first existing moment: a skipped midnight starts the day at the end of the
    // gap, a repeated one at its first occurrence.
    calendar->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
    calendar->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
    return calendar;
}

std::optional<Date> startOfDay(icu::Calendar& calendar, Date date) {
    UErrorCode status = U_ZERO_ERROR;
    calendar.setTime(date.timeIntervalSince1970 * millisecondsPerSecond, status);
    calendar.set(UCAL_HOUR_OF_DAY, 0);
    calendar.set(UCAL_MINUTE, 0);
    calendar.set(UCAL_SECOND, 0);
    calendar.set(UCAL_MILLISECOND, 0);
    const UDate start = calendar.getTime(status);
    if (U_FAILURE(status)) return std::nullopt;
    return Date(start / millisecondsPerSecond);
}

std::optional<Date> adding(icu::Calendar& calendar, Date date, UCalendarDateFields field, int32_t amount) {
    UErrorCode status = U_ZERO_ERROR;
    calendar.setTime(date.timeIntervalSince1970 * millisecondsPerSecond, status);
    calendar.add(field, amount, status);
    const UDate result = calendar.getTime(status);
    if (U_FAILURE(status)) return std::nullopt;
    return Date(result / millisecondsPerSecond);
}

// The start of the calendar day `days` away from the day that begins at `dayStart`.
std::optional<Date> startOfDayAway(icu::Calendar& calendar, Date dayStart, int32_t days) {
    auto shifted = adding(calendar, dayStart, UCAL_DATE, days);
    if (!shifted) return std::nullopt;
    // A day whose midnight is skipped starts later than midnight; re-anchor so that the neighbouring day
    // starts at its own first moment, not at the same wall time.
    return startOfDay(calendar, *shifted);
}

}  // namespace

ClipboardSearchDateRange dateRange(ClipboardSearchDatePreset preset, Date now,
                                   const icu::TimeZone& timeZone) {
    auto calendar = makeCalendar(timeZone);
    if (!calendar) return {now, now};
    const Date todayStart = startOfDay(*calendar, now).value_or(now);
    switch (preset) {
        case ClipboardSearchDatePreset::today:
            return {todayStart, startOfDayAway(*calendar, todayStart, 1).value_or(now)};
        case ClipboardSearchDatePreset::yesterday: {
            auto start = startOfDayAway(*calendar, todayStart, -1);
            if (!start) return {now, now};
            auto end = startOfDayAway(*calendar, *start, 1);
            if (!end) return {now, now};
            return {*start, *end};
        }
        case ClipboardSearchDatePreset::week:
            return {adding(*calendar, todayStart, UCAL_DATE, -7).value_or(todayStart), now};
        case ClipboardSearchDatePreset::month:
            return {adding(*calendar, todayStart, UCAL_MONTH, -1).value_or(todayStart), now};
    }
    return {now, now};
}

ClipboardSearchDateRange dateRange(ClipboardSearchDatePreset preset) {
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    return dateRange(preset, SystemClock().now(), *zone);
}

}  // namespace quorvane
