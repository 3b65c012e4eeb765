#pragma once

// Which languages text recognition looks for: one specified language, or every language it knows. Stored in
// the settings by raw value and read afresh for every recognition request. Plain values, safe from any
// thread.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

namespace quorvane {

enum class ClipboardOCRLanguageMode { specified, automatic };

enum class ClipboardOCRLanguage { englishUS, simplifiedChinese, traditionalChinese, japanese, korean };

inline constexpr std::array allClipboardOCRLanguageModes = {ClipboardOCRLanguageMode::specified,
                                                            ClipboardOCRLanguageMode::automatic};

inline constexpr std::array allClipboardOCRLanguages = {
    ClipboardOCRLanguage::englishUS,
    ClipboardOCRLanguage::simplifiedChinese,
    ClipboardOCRLanguage::traditionalChinese,
    ClipboardOCRLanguage::japanese,
    ClipboardOCRLanguage::korean,
};

struct ClipboardOCRConfiguration {
    ClipboardOCRLanguageMode languageMode = ClipboardOCRLanguageMode::specified;
    ClipboardOCRLanguage specifiedLanguage = ClipboardOCRLanguage::englishUS;

    friend bool operator==(const ClipboardOCRConfiguration&, const ClipboardOCRConfiguration&) = default;
};

// "specified" or "automatic".
std::string_view rawValue(ClipboardOCRLanguageMode mode);
std::optional<ClipboardOCRLanguageMode> clipboardOCRLanguageModeFromRawValue(std::string_view rawValue);

// A language tag: "en-US", "zh-Hans", "zh-Hant", "ja-JP" or "ko-KR".
std::string_view rawValue(ClipboardOCRLanguage language);
// Exact match of the tag, or nothing.
std::optional<ClipboardOCRLanguage> clipboardOCRLanguageFromRawValue(std::string_view rawValue);

// Titles for the settings pages, in the interface language.
std::string_view displayName(ClipboardOCRLanguageMode mode);
std::string_view displayName(ClipboardOCRLanguage language);

}  // namespace quorvane

template <>
struct std::hash<quorvane::ClipboardOCRConfiguration> {
    std::size_t operator()(const quorvane::ClipboardOCRConfiguration& configuration) const noexcept {
        return static_cast<std::size_t>(configuration.languageMode) * 31 +
               static_cast<std::size_t>(configuration.specifiedLanguage);
    }
};
