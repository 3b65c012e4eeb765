#include "search/ClipboardSearchDatePreset.h"

#include <unicode/calendar.h>
#include <unicode/timezone.h>

#include <memory>

namespace quorvane {
namespace {

constexpr double kMillisecondsPerSecond = 1000.0;

// A calendar of the user's locale, in `zone`, set to `date`; nothing when ICU cannot make one.
std::unique_ptr<icu::Calendar> calendarAt(Date date, const icu::TimeZone& zone) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(zone, icu::Locale::getDefault(), status));
    if (U_FAILURE(status) || !calendar) return nullptr;
    calendar->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
    calendar->setTime(date.timeIntervalSince1970 * kMillisecondsPerSecond, status);
    if (U_FAILURE(status)) return nullptr;
    return calendar;
}

std::optional<Date> currentTime(const icu::Calendar& calendar) {
    UErrorCode status = U_ZERO_ERROR;
    const UDate time = calendar.getTime(status);
    if (U_FAILURE(status)) return std::nullopt;
    return Date(time / kMillisecondsPerSecond);
}

// Moves the calendar to the first moment of its day.
std::optional<Date> startOfDay(icu::Calendar& calendar) {
    calendar.set(UCAL_HOUR_OF_DAY, 0);
    calendar.set(UCAL_MINUTE, 0);
    calendar.set(UCAL_SECOND, 0);
    calendar.set(UCAL_MILLISECOND, 0);
    return currentTime(calendar);
}

// `start` moved by `amount` of `field` on the calendar, the wall time kept; nothing when ICU fails.
std::optional<Date> adding(Date start, UCalendarDateFields field, int amount, const icu::TimeZone& zone) {
    auto calendar = calendarAt(start, zone);
    if (!calendar) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    calendar->add(field, amount, status);
    if (U_FAILURE(status)) return std::nullopt;
    // A day that begins after a skipped midnight keeps beginning at its first valid moment.
    if (field == UCAL_DATE || field == UCAL_MONTH) return startOfDay(*calendar);
    return currentTime(*calendar);
}

}  // namespace

std::pair<Date, Date> dateRange(ClipboardSearchDatePreset preset, Date now, const icu::TimeZone& zone) {
    auto calendar = calendarAt(now, zone);
    const std::optional<Date> todayStart = calendar ? startOfDay(*calendar) : std::nullopt;
    const Date startOfToday = todayStart.value_or(now);
    switch (preset) {
        case ClipboardSearchDatePreset::today:
            return {startOfToday, adding(startOfToday, UCAL_DATE, 1, zone).value_or(now)};
        case ClipboardSearchDatePreset::yesterday: {
            const auto start = adding(startOfToday, UCAL_DATE, -1, zone);
            const auto end = start ? adding(*start, UCAL_DATE, 1, zone) : std::nullopt;
            if (!start || !end) return {now, now};
            return {*start, *end};
        }
        case ClipboardSearchDatePreset::week:
            return {adding(startOfToday, UCAL_DATE, -7, zone).value_or(startOfToday), now};
        case ClipboardSearchDatePreset::month:
            break;
    }
    return {adding(startOfToday, UCAL_MONTH, -1, zone).value_or(startOfToday), now};
}

std::pair<Date, Date> dateRange(ClipboardSearchDatePreset preset, Date now) {
    const std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    return dateRange(preset, now, *zone);
}

}  // namespace quorvane
