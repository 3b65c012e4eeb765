#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "l10n/AppLanguage.h"
#include "l10n/L10n.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/NotificationCenter.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"

namespace quorvane {
namespace {

class AppLanguageTest : public ::testing::Test {
protected:
    AppLanguageTest() {
        observation = center.addObserver(AppLanguage::didChangeNotification,
                                         [this](const NotificationUserInfo& userInfo) {
                                             received.push_back(userInfo);
                                             languageSeenByObserver.push_back(AppLanguage::current());
                                         });
    }

    FakeClock clock;
    ManualRunLoop loop{clock};
    NotificationCenter center{loop};
    InMemoryUserDefaults defaults;
    StandardAppLanguage standard{defaults};
    std::vector<NotificationUserInfo> received;
    std::vector<AppLanguage> languageSeenByObserver;
    NotificationObservation observation;
};

TEST_F(AppLanguageTest, OnlyTheExactChineseRawValueSelectsChinese) {
    EXPECT_EQ(AppLanguage::stored(defaults), AppLanguage::english);
    EXPECT_EQ(AppLanguage::currentLocale(), "en");

    const std::vector<DefaultsValue> englishValues = {
        "en", "fr", "ZH-HANS", "zh-hans", "zh-Hans ",     "zh",
        "",   1,    true,      2.5,       Data{'z', 'h'}, DefaultsValue::Array{"zh-Hans"}};
    for (std::size_t index = 0; index < englishValues.size(); ++index) {
        const DefaultsValue& value = englishValues[index];
        defaults.set(AppLanguage::defaultsKey, value);
        SCOPED_TRACE(index);
        EXPECT_EQ(AppLanguage::stored(defaults), AppLanguage::english);
        EXPECT_EQ(AppLanguage::current(), AppLanguage::english);
        EXPECT_EQ(AppLanguage::currentLocale(), "en");
        EXPECT_EQ(L10n::text(L10nKey::cancel), "Cancel");
        EXPECT_EQ(defaults.object(AppLanguage::defaultsKey), value) << "an odd value is left as it is";
    }

    defaults.set(AppLanguage::defaultsKey, "zh-Hans");
    EXPECT_EQ(AppLanguage::stored(defaults), AppLanguage::simplifiedChinese);
    EXPECT_EQ(AppLanguage::currentLocale(), "zh-Hans");
    EXPECT_EQ(L10n::text(L10nKey::cancel), "取消");
}

TEST_F(AppLanguageTest, RawValuesAreExact) {
    EXPECT_EQ(AppLanguage(AppLanguage::english).rawValue(), "en");
    EXPECT_EQ(AppLanguage(AppLanguage::simplifiedChinese).rawValue(), "zh-Hans");
    EXPECT_EQ(AppLanguage::fromRawValue("zh-Hans"), AppLanguage(AppLanguage::simplifiedChinese));
    EXPECT_EQ(AppLanguage::fromRawValue("en"), AppLanguage(AppLanguage::english));
    EXPECT_EQ(AppLanguage::fromRawValue("ZH-HANS"), std::nullopt);
    EXPECT_EQ(AppLanguage::fromRawValue("fr"), std::nullopt);
}

TEST_F(AppLanguageTest, SettingAnotherLanguageTakesEffectAtOnceAndIsAnnouncedLater) {
    AppLanguage::set(AppLanguage::simplifiedChinese, defaults, center);
    EXPECT_EQ(defaults.stringValue(AppLanguage::defaultsKey), "zh-Hans");
    EXPECT_EQ(L10n::text(L10nKey::settingsWindowTitle), "设置");
    EXPECT_TRUE(received.empty()) << "observers run on a later turn of the main loop";

    loop.runUntilIdle();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], (NotificationUserInfo{{"language", "zh-Hans"}}));
    EXPECT_EQ(languageSeenByObserver[0], AppLanguage::simplifiedChinese);

    AppLanguage::set(AppLanguage::english, defaults, center);
    loop.runUntilIdle();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1], (NotificationUserInfo{{"language", "en"}}));
    EXPECT_EQ(L10n::text(L10nKey::settingsWindowTitle), "Settings");
}

TEST_F(AppLanguageTest, SettingTheLanguageAlreadyInForceWritesAndPostsNothing) {
    AppLanguage::set(AppLanguage::english, defaults, center);
    EXPECT_FALSE(defaults.contains(AppLanguage::defaultsKey));

    defaults.set(AppLanguage::defaultsKey, "fr");
    AppLanguage::set(AppLanguage::english, defaults, center);
    EXPECT_EQ(defaults.stringValue(AppLanguage::defaultsKey), "fr");

    defaults.set(AppLanguage::defaultsKey, "zh-Hans");
    AppLanguage::set(AppLanguage::simplifiedChinese, defaults, center);
    loop.runUntilIdle();
    EXPECT_TRUE(received.empty());
}

TEST_F(AppLanguageTest, SettingChineseOverAnOddValueReplacesIt) {
    defaults.set(AppLanguage::defaultsKey, "ZH-HANS");
    AppLanguage::set(AppLanguage::simplifiedChinese, defaults, center);
    EXPECT_EQ(defaults.stringValue(AppLanguage::defaultsKey), "zh-Hans");
    loop.runUntilIdle();
    EXPECT_EQ(received.size(), 1u);
}

}  // namespace
}  // namespace quorvane
