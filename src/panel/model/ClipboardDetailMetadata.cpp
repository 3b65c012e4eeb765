#include "panel/model/ClipboardDetailMetadata.h"

#include <fmt/format.h>
#include <unicode/reldatefmt.h>

#include <cmath>
#include <vector>

#include "base/Logger.h"
#include "base/Utf8.h"
#include "l10n/L10n.h"

namespace quorvane {
namespace {

constexpr std::string_view kLogCategory = "ClipboardDetailMetadata";

std::string integerText(AppLanguage language, L10nKey key, std::int64_t number) {
    const L10nArgument argument(number);
    return L10n::textIn(language, key, std::span<const L10nArgument>(&argument, 1));
}

std::size_t optionalSize(const std::optional<std::vector<std::uint8_t>>& data) {
    return data ? data->size() : 0;
}

}  // namespace

std::string ClipboardDetailMetadata::compose(const ClipboardHistoryIndexSnapshot& item,
                                             const ClipboardHistoryContentSnapshot& content,
                                             std::optional<ImagePixelSize> imagePixelSize, Date now,
                                             AppLanguage language) {
    std::vector<std::string> parts;
    if (item.classification && !item.classification->empty()) parts.push_back(*item.classification);
    if (item.contentType == ClipboardContentType::text) {
        const std::uint64_t size = content.content.size() + optionalSize(content.richTextRTFData) +
                                   optionalSize(content.richTextHTMLData);
        parts.push_back(formsWord(content) + " - " + byteCountText(size, language));
    } else if (!content.imageData) {
        parts.push_back("IMG");
    } else {
        const std::uint64_t size = content.imageData->size();
        if (imagePixelSize && imagePixelSize->width > 0 && imagePixelSize->height > 0) {
            parts.push_back(fmt::format("IMG - {}x{} - {}", imagePixelSize->width, imagePixelSize->height,
                                        byteCountText(size, language)));
        } else if (size > 0) {
            parts.push_back("IMG - " + byteCountText(size, language));
        } else {
            parts.push_back("IMG");
        }
    }
    parts.push_back(
        integerText(language, L10nKey::detailUsedCount, std::max<std::int64_t>(item.accessCount, 0)));
    if (item.lastAccessedAt) {
        const std::string ago = abbreviatedRelativeTime(*item.lastAccessedAt, now, language);
        const L10nArgument argument(ago);
        parts.push_back(
            L10n::textIn(language, L10nKey::detailLastUsed, std::span<const L10nArgument>(&argument, 1)));
    } else {
        parts.push_back(L10n::textIn(language, L10nKey::detailLastUsedNever, {}));
    }
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += " · ";
        out += parts[i];
    }
    return out;
}

std::string ClipboardDetailMetadata::labelText(Date createdAt, const std::optional<std::string>& metadataText,
                                               Date now, AppLanguage language) {
    std::string label = abbreviatedRelativeTime(createdAt, now, language);
    if (metadataText && !metadataText->empty()) label += " | " + *metadataText;
    return label;
}

std::string ClipboardDetailMetadata::formsWord(const ClipboardHistoryContentSnapshot& content) {
    const bool rtf = content.richTextRTFData.has_value();
    const bool html = content.richTextHTMLData.has_value();
    if (rtf && html) return "RTF/HTML";
    if (html) return "HTML";
    if (rtf) return "RTF";
    return "TXT";
}

std::string ClipboardDetailMetadata::byteCountText(std::uint64_t bytes, AppLanguage language) {
    if (bytes == 0) return L10n::textIn(language, L10nKey::detailZeroBytes, {});
    if (bytes == 1) return L10n::textIn(language, L10nKey::detailOneByte, {});
    if (bytes < 1000)
        return integerText(language, L10nKey::detailByteCount, static_cast<std::int64_t>(bytes));
    const double value = static_cast<double>(bytes);
    if (value < 999.5e3) return fmt::format("{} KB", static_cast<std::int64_t>(std::lround(value / 1e3)));
    if (value < 999.95e6) return fmt::format("{:.1f} MB", value / 1e6);
    if (value < 999.995e9) return fmt::format("{:.2f} GB", value / 1e9);
    return fmt::format("{:.2f} TB", value / 1e12);
}

std::string ClipboardDetailMetadata::abbreviatedRelativeTime(Date date, Date now, AppLanguage language) {
    const double seconds = now.timeIntervalSince(date);
    const double magnitude = std::abs(seconds);
    URelativeDateTimeUnit unit = UDAT_REL_UNIT_SECOND;
    double amount = magnitude;
    if (magnitude >= 365 * 86400.0) {
        unit = UDAT_REL_UNIT_YEAR;
        amount = magnitude / (365 * 86400.0);
    } else if (magnitude >= 30 * 86400.0) {
        unit = UDAT_REL_UNIT_MONTH;
        amount = magnitude / (30 * 86400.0);
    } else if (magnitude >= 7 * 86400.0) {
        unit = UDAT_REL_UNIT_WEEK;
        amount = magnitude / (7 * 86400.0);
    } else if (magnitude >= 86400.0) {
        unit = UDAT_REL_UNIT_DAY;
        amount = magnitude / 86400.0;
    } else if (magnitude >= 3600.0) {
        unit = UDAT_REL_UNIT_HOUR;
        amount = magnitude / 3600.0;
    } else if (magnitude >= 60.0) {
        unit = UDAT_REL_UNIT_MINUTE;
        amount = magnitude / 60.0;
    }
    const double signedAmount = std::floor(amount) * (seconds < 0 ? 1 : -1);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale(std::string(language.localeIdentifier()).c_str());
    icu::RelativeDateTimeFormatter formatter(locale, nullptr, UDAT_STYLE_SHORT, UDISPCTX_CAPITALIZATION_NONE,
                                             status);
    icu::UnicodeString out;
    if (U_SUCCESS(status)) formatter.formatNumeric(signedAmount, unit, out, status);
    if (U_FAILURE(status)) {
        Logger::error(std::string("Failed to format a relative time: ") + u_errorName(status), kLogCategory);
        return {};
    }
    return toUtf8(out);
}

}  // namespace quorvane
