#include "panel/model/ClipboardRowPresentation.h"

#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <cmath>
#include <map>
#include <memory>
#include <mutex>

#include "base/Logger.h"
#include "base/Utf8.h"
#include "l10n/L10n.h"

namespace quorvane {
namespace {

constexpr std::string_view kLogCategory = "ClipboardRowPresentation";

std::string text(AppLanguage language, L10nKey key) {
    return L10n::textIn(language, key, {});
}

std::string text(AppLanguage language, L10nKey key, std::int64_t number) {
    const L10nArgument argument(number);
    return L10n::textIn(language, key, std::span<const L10nArgument>(&argument, 1));
}

// The language's best pattern for an ICU skeleton: "MMMdhmma" gives "MMM d, h:mm a" in English. Building a
// pattern generator costs milliseconds and rows are painted often, so each pattern is made once.
icu::UnicodeString bestPattern(AppLanguage language, const icu::Locale& locale, const char16_t* skeleton,
                               const char16_t* fallback) {
    static std::mutex mutex;
    static std::map<std::pair<int, std::u16string>, icu::UnicodeString> patterns;
    std::lock_guard lock(mutex);
    const auto key = std::pair(static_cast<int>(language), std::u16string(skeleton));
    const auto found = patterns.find(key);
    if (found != patterns.end()) return found->second;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale, status));
    icu::UnicodeString pattern(fallback);
    if (U_SUCCESS(status)) pattern = generator->getBestPattern(icu::UnicodeString(skeleton), status);
    if (U_FAILURE(status)) {
        Logger::error(std::string("Failed to make a date pattern: ") + u_errorName(status), kLogCategory);
        pattern = icu::UnicodeString(fallback);
    }
    patterns.emplace(key, pattern);
    return pattern;
}

std::string formattedDate(Date date, AppLanguage language, std::string_view timeZoneId,
                          const char16_t* skeleton = u"MMMdhmma",
                          const char16_t* fallback = u"MMM d, h:mm a") {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale(std::string(language.localeIdentifier()).c_str());
    icu::SimpleDateFormat format(bestPattern(language, locale, skeleton, fallback), locale, status);
    if (U_FAILURE(status)) {
        Logger::error(std::string("Failed to create a date format: ") + u_errorName(status), kLogCategory);
        return {};
    }
    if (!timeZoneId.empty()) {
        format.adoptTimeZone(icu::TimeZone::createTimeZone(toUnicodeString(timeZoneId)));
    }
    icu::UnicodeString out;
    format.format(static_cast<UDate>(date.timeIntervalSince1970 * 1000.0), out);
    return toUtf8(out);
}

}  // namespace

ClipboardRowPresentation ClipboardRowPresentation::entry(const ClipboardHistoryIndexSnapshot& item, Date now,
                                                         AppLanguage language) {
    ClipboardRowPresentation row;
    if (item.contentType == ClipboardContentType::image) {
        row.icon = ClipboardRowIcon::photo;
    } else {
        row.icon = ClipboardRowIcon::applicationIcon;
        row.bundleIdentifier = item.bundleIdentifier;
    }
    row.title = singleLine(item.preview);
    row.subtitle = kindText(item, language) + " · " + relativeTimeText(item.sortAt(), now, language);
    return row;
}

std::string ClipboardRowPresentation::spokenName(const ClipboardHistoryIndexSnapshot& item, Date now,
                                                 AppLanguage language, std::string_view applicationName,
                                                 std::string_view timeZoneId) {
    std::string title = singleLine(item.preview);
    if (item.contentType != ClipboardContentType::image) return title;
    // Pictures copied within a minute of each other would sound alike without the time to the second.
    const std::string time = relativeTimeText(item.sortAt(), now, language, timeZoneId) + " (" +
                             formattedDate(item.sortAt(), language, timeZoneId, u"jms", u"h:mm:ss a") + ")";
    if (applicationName.empty()) {
        const L10nArgument arguments[] = {L10nArgument(title), L10nArgument(time)};
        return L10n::textIn(language, L10nKey::rowImageSpokenNameWithoutApplication, arguments);
    }
    const L10nArgument arguments[] = {L10nArgument(title), L10nArgument(time), L10nArgument(applicationName)};
    return L10n::textIn(language, L10nKey::rowImageSpokenName, arguments);
}

ClipboardRowPresentation ClipboardRowPresentation::suggestion(const ClipboardFilterSuggestion& suggestion,
                                                              AppLanguage language) {
    ClipboardRowPresentation row;
    row.icon = ClipboardRowIcon::tag;
    row.title = suggestion.displayName;
    const L10nArgument argument(suggestion.insertToken);
    row.subtitle =
        L10n::textIn(language, L10nKey::rowTypeFilterSubtitle, std::span<const L10nArgument>(&argument, 1));
    return row;
}

ClipboardRowPresentation ClipboardRowPresentation::showMore(AppLanguage language) {
    ClipboardRowPresentation row;
    row.icon = ClipboardRowIcon::ellipsis;
    row.title = text(language, L10nKey::rowShowMore);
    return row;
}

std::string ClipboardRowPresentation::kindText(const ClipboardHistoryIndexSnapshot& item,
                                               AppLanguage language) {
    if (item.classification && !item.classification->empty()) return *item.classification;
    return text(language, item.contentType == ClipboardContentType::image ? L10nKey::rowKindImage
                                                                          : L10nKey::rowKindText);
}

std::string ClipboardRowPresentation::singleLine(std::string_view input) {
    std::string out;
    out.reserve(std::min<std::size_t>(input.size(), 512));
    bool inBreak = false;
    for (const char c : input) {
        if (c == '\n' || c == '\r' || c == '\t') {
            if (!inBreak) out += ' ';
            inBreak = true;
            continue;
        }
        inBreak = false;
        out += c;
    }
    return out;
}

std::string ClipboardRowPresentation::relativeTimeText(Date date, Date now, AppLanguage language,
                                                       std::string_view timeZoneId) {
    const double seconds = now.timeIntervalSince(date);
    if (seconds < 60) return text(language, L10nKey::rowJustNow);
    if (seconds < 3600) {
        const auto minutes = static_cast<std::int64_t>(seconds / 60);
        return minutes == 1 ? text(language, L10nKey::rowOneMinuteAgo)
                            : text(language, L10nKey::rowMinutesAgo, minutes);
    }
    if (seconds < 86400) {
        const auto hours = static_cast<std::int64_t>(seconds / 3600);
        return hours == 1 ? text(language, L10nKey::rowOneHourAgo)
                          : text(language, L10nKey::rowHoursAgo, hours);
    }
    if (seconds < 172800) return text(language, L10nKey::rowYesterday);
    if (seconds < 604800) {
        return text(language, L10nKey::rowDaysAgo, static_cast<std::int64_t>(seconds / 86400));
    }
    return formattedDate(date, language, timeZoneId);
}

}  // namespace quorvane
