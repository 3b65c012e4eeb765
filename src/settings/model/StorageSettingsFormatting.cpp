#include "settings/model/StorageSettingsFormatting.h"

#include <unicode/measunit.h>
#include <unicode/numberformatter.h>

#include <string>

#include "base/Logger.h"
#include "base/Utf8.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardDetailMetadata.h"

namespace quorvane {
namespace {

constexpr const char* kLogCategory = "StorageSettings";

icu::Locale localeOf(AppLanguage language) {
    return icu::Locale(std::string(language.localeIdentifier()).c_str());
}

// `value` formatted by `formatter`; nothing when ICU fails (logged).
std::optional<std::string> format(const icu::number::LocalizedNumberFormatter& formatter, double value) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString text = formatter.formatDouble(value, status).toString(status);
    if (U_FAILURE(status)) {
        Logger::error(std::string("Failed to format a storage figure: ") + u_errorName(status), kLogCategory);
        return std::nullopt;
    }
    return toUtf8(text);
}

}  // namespace

std::string StorageSettingsFormatting::countText(std::int64_t count, AppLanguage language) {
    const auto formatter = icu::number::NumberFormatter::withLocale(localeOf(language))
                               .grouping(UNUM_GROUPING_AUTO)
                               .precision(icu::number::Precision::integer());
    return format(formatter, static_cast<double>(count)).value_or(std::to_string(count));
}

std::string StorageSettingsFormatting::byteCountText(std::int64_t bytes, AppLanguage language) {
    if (bytes <= 0) return L10n::textIn(language, L10nKey::storageZeroBytes, {});
    const double value = static_cast<double>(bytes);
    struct Step {
        double limit;  // the first value shown in the next unit
        double divisor;
        icu::MeasureUnit unit;
        int fractionDigits;
        UNumberUnitWidth width;
    };
    const Step steps[] = {
        {1e3, 1, icu::MeasureUnit::getByte(), 0, UNUM_UNIT_WIDTH_FULL_NAME},
        {999.5e3, 1e3, icu::MeasureUnit::getKilobyte(), 0, UNUM_UNIT_WIDTH_SHORT},
        {999.95e6, 1e6, icu::MeasureUnit::getMegabyte(), 1, UNUM_UNIT_WIDTH_SHORT},
        {0, 1e9, icu::MeasureUnit::getGigabyte(), 2, UNUM_UNIT_WIDTH_SHORT},
    };
    for (const Step& step : steps) {
        if (step.limit != 0 && value >= step.limit) continue;
        const double amount = value / step.divisor;
        const auto formatter = icu::number::NumberFormatter::withLocale(localeOf(language))
                                   .unit(step.unit)
                                   .unitWidth(step.width)
                                   .precision(icu::number::Precision::maxFraction(step.fractionDigits));
        if (auto text = format(formatter, amount)) return *text;
        return std::to_string(bytes) + " bytes";
    }
    return std::to_string(bytes) + " bytes";
}

std::string StorageSettingsFormatting::relativeTimeText(Date date, Date now, AppLanguage language) {
    return ClipboardDetailMetadata::abbreviatedRelativeTime(date, now, language);
}

}  // namespace quorvane
