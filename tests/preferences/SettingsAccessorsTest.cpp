#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <set>

#include "platform/memory/InMemoryUserDefaults.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {
namespace {

// Records which keys were read, to prove a reader leaves a setting alone.
class ReadRecordingDefaults : public InMemoryUserDefaults {
public:
    std::optional<DefaultsValue> object(const std::string& key) const override {
        readKeys.insert(key);
        return InMemoryUserDefaults::object(key);
    }
    mutable std::set<std::string> readKeys;
};

struct BoolSetting {
    const char* key;
    bool (*read)(const UserDefaults&);
    bool fallback;
};

const BoolSetting boolSettings[] = {
    {SettingsKey::menuBarShowIcon, menuBarShowIcon, true},
    {SettingsKey::menuBarStatusItemHiddenBySystem, menuBarStatusItemHiddenBySystem, false},
    {SettingsKey::textCaptureEnabled, clipboardMonitorTextCaptureEnabled, true},
    {SettingsKey::imageCaptureEnabled, clipboardMonitorImageCaptureEnabled, true},
    {SettingsKey::imageOCREnabled, clipboardMonitorImageOCREnabled, true},
    {SettingsKey::searchPinyinIndexEnabled, clipboardSearchPinyinIndexEnabled, false},
    {SettingsKey::directPasteReturnKeyAutoPasteEnabled, directPasteReturnKeyAutoPasteEnabled, false},
};

TEST(SettingsAccessorsTest, BooleansReadTheirDefaultWhenMissingOrOfAnotherType) {
    const DefaultsValue wrongTypes[] = {"true", 1, 0, 1.0, DefaultsValue::Array{true}, Data{1}};
    for (const auto& setting : boolSettings) {
        SCOPED_TRACE(setting.key);
        InMemoryUserDefaults defaults;
        EXPECT_EQ(setting.read(defaults), setting.fallback);
        for (const auto& wrong : wrongTypes) {
            defaults.set(setting.key, wrong);
            EXPECT_EQ(setting.read(defaults), setting.fallback);
        }
        defaults.set(setting.key, !setting.fallback);
        EXPECT_EQ(setting.read(defaults), !setting.fallback);
        // Each reader reads its own key only.
        defaults.remove(setting.key);
        for (const auto& other : boolSettings) {
            if (other.key != setting.key) defaults.set(other.key, !other.fallback);
        }
        EXPECT_EQ(setting.read(defaults), setting.fallback);
    }
}

TEST(SettingsAccessorsTest, MaxItemSizeIsClampedToOneThroughFiveHundred) {
    InMemoryUserDefaults defaults;
    EXPECT_EQ(clipboardMonitorMaxItemSizeInMB(defaults), 10);
    const std::pair<DefaultsValue, std::int64_t> cases[] = {
        {0, 1},
        {1, 1},
        {2, 2},
        {-7, 1},
        {499, 499},
        {500, 500},
        {501, 500},
        {1000, 500},
        {INT64_MIN, 1},
        {INT64_MAX, 500},
        {20.0, 20},
        {0.0, 1},
        {1e300, 500},
        {20.5, 10},
        {-0.0, 1},
        {std::nan(""), 10},
        {"20", 10},
        {true, 10},
        {DefaultsValue::Array{20}, 10},
    };
    for (const auto& [stored, expected] : cases) {
        defaults.set(SettingsKey::maxItemSizeInMB, stored);
        EXPECT_EQ(clipboardMonitorMaxItemSizeInMB(defaults), expected) << stored.toJson().dump();
    }
}

TEST(SettingsAccessorsTest, HidingTheMenuBarIconClearsTheHiddenBySystemMark) {
    InMemoryUserDefaults defaults;
    defaults.set(SettingsKey::menuBarStatusItemHiddenBySystem, true);
    EXPECT_TRUE(setMenuBarShowIcon(defaults, true));
    EXPECT_TRUE(menuBarShowIcon(defaults));
    EXPECT_TRUE(menuBarStatusItemHiddenBySystem(defaults));

    EXPECT_FALSE(setMenuBarShowIcon(defaults, false));
    EXPECT_FALSE(menuBarShowIcon(defaults));
    EXPECT_EQ(defaults.boolValue(SettingsKey::menuBarStatusItemHiddenBySystem), false);

    // A mark that was never set, or holds another type, is not written.
    InMemoryUserDefaults fresh;
    setMenuBarShowIcon(fresh, false);
    EXPECT_FALSE(fresh.contains(SettingsKey::menuBarStatusItemHiddenBySystem));
    fresh.set(SettingsKey::menuBarStatusItemHiddenBySystem, "yes");
    setMenuBarShowIcon(fresh, false);
    EXPECT_EQ(fresh.stringValue(SettingsKey::menuBarStatusItemHiddenBySystem), "yes");
}

TEST(SettingsAccessorsTest, RetentionPoliciesReadTheirOwnKeyAndFallBackToNever) {
    InMemoryUserDefaults defaults;
    EXPECT_EQ(textAutoCleanupPolicy(defaults), ClipboardHistoryAutoCleanupPolicy::never);
    EXPECT_EQ(imageAutoCleanupPolicy(defaults), ClipboardHistoryAutoCleanupPolicy::never);

    EXPECT_EQ(
        setClipboardMonitorTextAutoCleanupPolicy(defaults, ClipboardHistoryAutoCleanupPolicy::sevenDays),
        ClipboardHistoryAutoCleanupPolicy::sevenDays);
    EXPECT_EQ(defaults.stringValue(SettingsKey::textAutoCleanupPolicy), "sevenDays");
    EXPECT_EQ(textAutoCleanupPolicy(defaults), ClipboardHistoryAutoCleanupPolicy::sevenDays);
    EXPECT_EQ(imageAutoCleanupPolicy(defaults), ClipboardHistoryAutoCleanupPolicy::never);

    setClipboardMonitorImageAutoCleanupPolicy(defaults, ClipboardHistoryAutoCleanupPolicy::ninetyDays);
    EXPECT_EQ(defaults.stringValue(SettingsKey::imageAutoCleanupPolicy), "ninetyDays");
    EXPECT_EQ(imageAutoCleanupPolicy(defaults), ClipboardHistoryAutoCleanupPolicy::ninetyDays);
    EXPECT_EQ(textAutoCleanupPolicy(defaults), ClipboardHistoryAutoCleanupPolicy::sevenDays);
    EXPECT_EQ(autoCleanupPolicy(defaults, ClipboardContentType::text),
              ClipboardHistoryAutoCleanupPolicy::sevenDays);
    EXPECT_EQ(autoCleanupPolicy(defaults, ClipboardContentType::image),
              ClipboardHistoryAutoCleanupPolicy::ninetyDays);

    for (const DefaultsValue& odd :
         {DefaultsValue("SevenDays"), DefaultsValue(" sevenDays"), DefaultsValue(7), DefaultsValue("")}) {
        defaults.set(SettingsKey::textAutoCleanupPolicy, odd);
        EXPECT_EQ(textAutoCleanupPolicy(defaults), ClipboardHistoryAutoCleanupPolicy::never);
    }
}

TEST(SettingsAccessorsTest, RetentionPolicyRawValuesAndPeriodsRoundTrip) {
    const std::pair<const char*, std::optional<double>> expected[] = {
        {"never", std::nullopt},   {"oneDay", 86'400},        {"sevenDays", 604'800},
        {"thirtyDays", 2'592'000}, {"ninetyDays", 7'776'000},
    };
    ASSERT_EQ(std::size(allClipboardHistoryAutoCleanupPolicies), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto policy = allClipboardHistoryAutoCleanupPolicies[i];
        EXPECT_EQ(rawValue(policy), expected[i].first);
        EXPECT_EQ(clipboardHistoryAutoCleanupPolicyFromRawValue(expected[i].first), policy);
        EXPECT_EQ(retentionPeriod(policy), expected[i].second);
    }
    EXPECT_FALSE(clipboardHistoryAutoCleanupPolicyFromRawValue("NEVER"));
}

TEST(SettingsAccessorsTest, RecognitionConfigurationTakesOnlyExactRawValues) {
    InMemoryUserDefaults defaults;
    EXPECT_EQ(
        clipboardOCRConfiguration(defaults),
        (ClipboardOCRConfiguration{ClipboardOCRLanguageMode::specified, ClipboardOCRLanguage::englishUS}));

    defaults.set(SettingsKey::ocrLanguageMode, "Automatic");
    EXPECT_EQ(clipboardOCRConfiguration(defaults).languageMode, ClipboardOCRLanguageMode::specified);
    defaults.set(SettingsKey::ocrLanguageMode, "automatic");
    EXPECT_EQ(clipboardOCRConfiguration(defaults).languageMode, ClipboardOCRLanguageMode::automatic);

    for (const auto language : allClipboardOCRLanguages) {
        setClipboardMonitorOCRSpecifiedLanguage(defaults, language);
        EXPECT_EQ(defaults.stringValue(SettingsKey::ocrSpecifiedLanguage), rawValue(language));
        EXPECT_EQ(clipboardOCRConfiguration(defaults),
                  (ClipboardOCRConfiguration{ClipboardOCRLanguageMode::automatic, language}));
    }
    for (const DefaultsValue& odd : {DefaultsValue("ja-jp"), DefaultsValue("fr-FR"), DefaultsValue(3)}) {
        defaults.set(SettingsKey::ocrSpecifiedLanguage, odd);
        EXPECT_EQ(clipboardOCRConfiguration(defaults).specifiedLanguage, ClipboardOCRLanguage::englishUS);
    }
}

TEST(SettingsAccessorsTest, PresentationSettingsAreReadOnlyInTheDirectChannel) {
    ReadRecordingDefaults defaults;
    defaults.set(SettingsKey::directClipboardPresentationMode, "floating");
    defaults.set(SettingsKey::floatingClipboardListStyle, "compact");

    for (const auto channel : {DistributionChannel::appStore, DistributionChannel::unknown}) {
        EXPECT_EQ(directClipboardPresentationMode(defaults, channel),
                  DirectClipboardPresentationMode::centered);
        EXPECT_EQ(floatingClipboardListStyle(defaults, channel), FloatingClipboardListStyle::standard);
    }
    EXPECT_TRUE(defaults.readKeys.empty());

    EXPECT_EQ(directClipboardPresentationMode(defaults, DistributionChannel::direct),
              DirectClipboardPresentationMode::floating);
    EXPECT_EQ(floatingClipboardListStyle(defaults, DistributionChannel::direct),
              FloatingClipboardListStyle::compact);
    EXPECT_EQ(defaults.readKeys, (std::set<std::string>{SettingsKey::directClipboardPresentationMode,
                                                        SettingsKey::floatingClipboardListStyle}));

    defaults.set(SettingsKey::directClipboardPresentationMode, "Floating");
    defaults.set(SettingsKey::floatingClipboardListStyle, true);
    EXPECT_EQ(directClipboardPresentationMode(defaults, DistributionChannel::direct),
              DirectClipboardPresentationMode::centered);
    EXPECT_EQ(floatingClipboardListStyle(defaults, DistributionChannel::direct),
              FloatingClipboardListStyle::standard);
}

// Each writer stores under the key its reader reads, in the type the reader takes.
TEST(SettingsAccessorsTest, WritersAreReadBackByTheirReaders) {
    const std::pair<void (*)(UserDefaults&, bool), bool (*)(const UserDefaults&)> booleans[] = {
        {setClipboardMonitorTextCaptureEnabled, clipboardMonitorTextCaptureEnabled},
        {setClipboardMonitorImageCaptureEnabled, clipboardMonitorImageCaptureEnabled},
        {setClipboardMonitorImageOCREnabled, clipboardMonitorImageOCREnabled},
        {setClipboardSearchPinyinIndexEnabled, clipboardSearchPinyinIndexEnabled},
        {setDirectPasteReturnKeyAutoPasteEnabled, directPasteReturnKeyAutoPasteEnabled},
        {setMenuBarStatusItemHiddenBySystem, menuBarStatusItemHiddenBySystem},
    };
    for (const auto& [write, read] : booleans) {
        InMemoryUserDefaults defaults;
        for (const bool value : {!read(defaults), read(defaults)}) {
            write(defaults, value);
            EXPECT_EQ(read(defaults), value);
        }
        EXPECT_EQ(defaults.keys().size(), 1u);
    }

    InMemoryUserDefaults defaults;
    EXPECT_EQ(setClipboardMonitorMaxItemSizeInMB(defaults, 0), 1);
    EXPECT_EQ(clipboardMonitorMaxItemSizeInMB(defaults), 1);
    EXPECT_EQ(setClipboardMonitorMaxItemSizeInMB(defaults, INT64_MAX), 500);
    EXPECT_EQ(clipboardMonitorMaxItemSizeInMB(defaults), 500);
    EXPECT_EQ(setClipboardMonitorMaxItemSizeInMB(defaults, 42), 42);
    EXPECT_EQ(defaults.integerValue(SettingsKey::maxItemSizeInMB), 42);

    setClipboardMonitorOCRLanguageMode(defaults, ClipboardOCRLanguageMode::automatic);
    EXPECT_EQ(clipboardOCRConfiguration(defaults).languageMode, ClipboardOCRLanguageMode::automatic);
    setClipboardMonitorOCRLanguageMode(defaults, ClipboardOCRLanguageMode::specified);
    EXPECT_EQ(clipboardOCRConfiguration(defaults).languageMode, ClipboardOCRLanguageMode::specified);
}

TEST(SettingsAccessorsTest, PresentationSettingsAreStoredOnlyByTheDirectChannel) {
    InMemoryUserDefaults defaults;
    EXPECT_EQ(setDirectClipboardPresentationMode(defaults, DistributionChannel::appStore,
                                                 DirectClipboardPresentationMode::floating),
              DirectClipboardPresentationMode::centered);
    EXPECT_EQ(setFloatingClipboardListStyle(defaults, DistributionChannel::unknown,
                                            FloatingClipboardListStyle::compact),
              FloatingClipboardListStyle::standard);
    EXPECT_TRUE(defaults.keys().empty());

    EXPECT_EQ(setDirectClipboardPresentationMode(defaults, DistributionChannel::direct,
                                                 DirectClipboardPresentationMode::floating),
              DirectClipboardPresentationMode::floating);
    EXPECT_EQ(setFloatingClipboardListStyle(defaults, DistributionChannel::direct,
                                            FloatingClipboardListStyle::compact),
              FloatingClipboardListStyle::compact);
    EXPECT_EQ(directClipboardPresentationMode(defaults, DistributionChannel::direct),
              DirectClipboardPresentationMode::floating);
    EXPECT_EQ(floatingClipboardListStyle(defaults, DistributionChannel::direct),
              FloatingClipboardListStyle::compact);
}

}  // namespace
}  // namespace quorvane
