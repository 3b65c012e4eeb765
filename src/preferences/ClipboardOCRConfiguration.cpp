#include "preferences/ClipboardOCRConfiguration.h"

#include "base/RawValueEnum.h"
#include "preferences/SettingsDisplayText.h"

namespace quorvane {

std::string_view rawValue(ClipboardOCRLanguageMode mode) {
    return mode == ClipboardOCRLanguageMode::automatic ? "automatic" : "specified";
}

std::optional<ClipboardOCRLanguageMode> clipboardOCRLanguageModeFromRawValue(std::string_view raw) {
    return caseWithRawValue(allClipboardOCRLanguageModes, raw);
}

std::string_view rawValue(ClipboardOCRLanguage language) {
    switch (language) {
        case ClipboardOCRLanguage::englishUS:
            return "en-US";
        case ClipboardOCRLanguage::simplifiedChinese:
            return "zh-Hans";
        case ClipboardOCRLanguage::traditionalChinese:
            return "zh-Hant";
        case ClipboardOCRLanguage::japanese:
            return "ja-JP";
        case ClipboardOCRLanguage::korean:
            return "ko-KR";
    }
    return "en-US";
}

std::optional<ClipboardOCRLanguage> clipboardOCRLanguageFromRawValue(std::string_view raw) {
    return caseWithRawValue(allClipboardOCRLanguages, raw);
}

std::string_view displayName(ClipboardOCRLanguageMode mode) {
    if (mode == ClipboardOCRLanguageMode::automatic) return settingsDisplayText("Automatic", "自动");
    return settingsDisplayText("Specified Language", "指定语言");
}

std::string_view displayName(ClipboardOCRLanguage language) {
    switch (language) {
        case ClipboardOCRLanguage::englishUS:
            return settingsDisplayText("English (US)", "英语（美国）");
        case ClipboardOCRLanguage::simplifiedChinese:
            return settingsDisplayText("Chinese (Simplified)", "中文（简体）");
        case ClipboardOCRLanguage::traditionalChinese:
            return settingsDisplayText("Chinese (Traditional)", "中文（繁体）");
        case ClipboardOCRLanguage::japanese:
            return settingsDisplayText("Japanese", "日语");
        case ClipboardOCRLanguage::korean:
            return settingsDisplayText("Korean", "韩语");
    }
    return settingsDisplayText("English (US)", "英语（美国）");
}

}  // namespace quorvane
