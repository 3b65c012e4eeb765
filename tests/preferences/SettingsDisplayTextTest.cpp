#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "l10n/StandardAppLanguage.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "preferences/ClipboardOCRConfiguration.h"
#include "preferences/DirectClipboardPresentationMode.h"
#include "preferences/FloatingClipboardListStyle.h"
#include "preferences/SettingsDisplayText.h"

namespace quorvane {
namespace {

std::vector<std::string> allDisplayNames() {
    std::vector<std::string> names;
    for (const auto mode : allDirectClipboardPresentationModes) names.emplace_back(displayName(mode));
    for (const auto style : allFloatingClipboardListStyles) names.emplace_back(displayName(style));
    for (const auto mode : allClipboardOCRLanguageModes) names.emplace_back(displayName(mode));
    for (const auto language : allClipboardOCRLanguages) names.emplace_back(displayName(language));
    return names;
}

const std::vector<std::string> english = {
    "Standard Panel",        "Floating Panel", "Standard",     "Compact",
    "Specified Language",    "Automatic",      "English (US)", "Chinese (Simplified)",
    "Chinese (Traditional)", "Japanese",       "Korean",
};

TEST(SettingsDisplayTextTest, DisplayNamesFollowTheInterfaceLanguageOfTheStandardSettings) {
    InMemoryUserDefaults defaults;
    EXPECT_EQ(allDisplayNames(), english);
    StandardAppLanguage language{defaults};
    EXPECT_EQ(allDisplayNames(), english);
    for (const DefaultsValue& notChinese :
         {DefaultsValue("en"), DefaultsValue("ZH-HANS"), DefaultsValue(1)}) {
        defaults.set("AppLanguage", notChinese);
        EXPECT_EQ(allDisplayNames(), english) << notChinese.toJson().dump();
    }
    defaults.set("AppLanguage", "zh-Hans");
    EXPECT_EQ(allDisplayNames(),
              (std::vector<std::string>{"普通面板", "浮动面板", "标准", "紧凑", "指定语言", "自动",
                                        "英语（美国）", "中文（简体）", "中文（繁体）", "日语", "韩语"}));
}

TEST(SettingsDisplayTextTest, RawValuesRoundTripAndRejectOtherSpellings) {
    for (const auto mode : allDirectClipboardPresentationModes) {
        EXPECT_EQ(directClipboardPresentationModeFromRawValue(rawValue(mode)), mode);
    }
    for (const auto style : allFloatingClipboardListStyles) {
        EXPECT_EQ(floatingClipboardListStyleFromRawValue(rawValue(style)), style);
    }
    for (const auto mode : allClipboardOCRLanguageModes) {
        EXPECT_EQ(clipboardOCRLanguageModeFromRawValue(rawValue(mode)), mode);
    }
    std::vector<std::string_view> tags;
    for (const auto language : allClipboardOCRLanguages) {
        EXPECT_EQ(clipboardOCRLanguageFromRawValue(rawValue(language)), language);
        tags.push_back(rawValue(language));
    }
    EXPECT_EQ(tags, (std::vector<std::string_view>{"en-US", "zh-Hans", "zh-Hant", "ja-JP", "ko-KR"}));
    EXPECT_EQ(rawValue(DirectClipboardPresentationMode::floating), "floating");
    EXPECT_EQ(rawValue(FloatingClipboardListStyle::compact), "compact");
    EXPECT_FALSE(directClipboardPresentationModeFromRawValue("Centered"));
    EXPECT_FALSE(floatingClipboardListStyleFromRawValue(""));
    EXPECT_FALSE(clipboardOCRLanguageFromRawValue("en_US"));
}

}  // namespace
}  // namespace quorvane
