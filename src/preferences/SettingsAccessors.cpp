#include "preferences/SettingsAccessors.h"

#include <algorithm>
#include <cmath>

#include "base/RawValueEnum.h"

namespace quorvane {
namespace {

bool boolSetting(const UserDefaults& userDefaults, const char* key, bool fallback) {
    const auto value = userDefaults.object(key);
    if (!value) return fallback;
    return value->boolValue().value_or(fallback);
}

// A setting stored by raw value; a missing, ill-typed or unknown value gives `fallback`.
template <class Enum, std::size_t count>
Enum rawValueSetting(const UserDefaults& userDefaults, const char* key,
                     const std::array<Enum, count>& allCases, Enum fallback) {
    const auto raw = userDefaults.stringValue(key);
    if (!raw) return fallback;
    return caseWithRawValue(allCases, *raw).value_or(fallback);
}

ClipboardHistoryAutoCleanupPolicy policySetting(const UserDefaults& userDefaults, const char* key) {
    return rawValueSetting(userDefaults, key, allClipboardHistoryAutoCleanupPolicies,
                           ClipboardHistoryAutoCleanupPolicy::never);
}

}  // namespace

bool menuBarShowIcon(const UserDefaults& userDefaults) {
    return boolSetting(userDefaults, SettingsKey::menuBarShowIcon, true);
}

bool setMenuBarShowIcon(UserDefaults& userDefaults, bool show) {
    userDefaults.set(SettingsKey::menuBarShowIcon, show);
    if (!show && userDefaults.boolValue(SettingsKey::menuBarStatusItemHiddenBySystem) == true) {
        userDefaults.set(SettingsKey::menuBarStatusItemHiddenBySystem, false);
    }
    return show;
}

bool menuBarStatusItemHiddenBySystem(const UserDefaults& userDefaults) {
    return boolSetting(userDefaults, SettingsKey::menuBarStatusItemHiddenBySystem, false);
}

void setMenuBarStatusItemHiddenBySystem(UserDefaults& userDefaults, bool hidden) {
    userDefaults.set(SettingsKey::menuBarStatusItemHiddenBySystem, hidden);
}

bool hasCompletedOnboarding(const UserDefaults& userDefaults) {
    if (const auto completed = userDefaults.boolValue(SettingsKey::didCompleteOnboarding)) return *completed;
    return userDefaults.boolValue(SettingsKey::didPresentInitialSettingsWindow).value_or(false);
}

void setOnboardingCompleted(UserDefaults& userDefaults) {
    userDefaults.set(SettingsKey::didCompleteOnboarding, true);
    userDefaults.set(SettingsKey::didPresentInitialSettingsWindow, true);
}

bool clipboardMonitorTextCaptureEnabled(const UserDefaults& userDefaults) {
    return boolSetting(userDefaults, SettingsKey::textCaptureEnabled, true);
}

bool clipboardMonitorImageCaptureEnabled(const UserDefaults& userDefaults) {
    return boolSetting(userDefaults, SettingsKey::imageCaptureEnabled, true);
}

void setClipboardMonitorTextCaptureEnabled(UserDefaults& userDefaults, bool enabled) {
    userDefaults.set(SettingsKey::textCaptureEnabled, enabled);
}

void setClipboardMonitorImageCaptureEnabled(UserDefaults& userDefaults, bool enabled) {
    userDefaults.set(SettingsKey::imageCaptureEnabled, enabled);
}

std::int64_t clipboardMonitorMaxItemSizeInMB(const UserDefaults& userDefaults) {
    const auto value = userDefaults.object(SettingsKey::maxItemSizeInMB);
    if (!value) return defaultMaxItemSizeInMB;
    if (const auto integer = value->integerValue()) {
        return std::clamp(*integer, minimumMaxItemSizeInMB, maximumMaxItemSizeInMB);
    }
    // A settings file edited by hand may hold "20.0"; a fraction is no size.
    if (const auto real = value->doubleValue(); real && std::isfinite(*real) && std::trunc(*real) == *real) {
        return static_cast<std::int64_t>(std::clamp(*real, static_cast<double>(minimumMaxItemSizeInMB),
                                                    static_cast<double>(maximumMaxItemSizeInMB)));
    }
    return defaultMaxItemSizeInMB;
}

std::int64_t setClipboardMonitorMaxItemSizeInMB(UserDefaults& userDefaults, std::int64_t megabytes) {
    const std::int64_t clamped = std::clamp(megabytes, minimumMaxItemSizeInMB, maximumMaxItemSizeInMB);
    userDefaults.set(SettingsKey::maxItemSizeInMB, clamped);
    return clamped;
}

ClipboardHistoryAutoCleanupPolicy autoCleanupPolicy(const UserDefaults& userDefaults,
                                                    ClipboardContentType contentType) {
    return contentType == ClipboardContentType::image ? imageAutoCleanupPolicy(userDefaults)
                                                      : textAutoCleanupPolicy(userDefaults);
}

ClipboardHistoryAutoCleanupPolicy textAutoCleanupPolicy(const UserDefaults& userDefaults) {
    return policySetting(userDefaults, SettingsKey::textAutoCleanupPolicy);
}

ClipboardHistoryAutoCleanupPolicy imageAutoCleanupPolicy(const UserDefaults& userDefaults) {
    return policySetting(userDefaults, SettingsKey::imageAutoCleanupPolicy);
}

ClipboardHistoryAutoCleanupPolicy setClipboardMonitorTextAutoCleanupPolicy(
    UserDefaults& userDefaults, ClipboardHistoryAutoCleanupPolicy policy) {
    userDefaults.set(SettingsKey::textAutoCleanupPolicy, std::string(rawValue(policy)));
    return policy;
}

ClipboardHistoryAutoCleanupPolicy setClipboardMonitorImageAutoCleanupPolicy(
    UserDefaults& userDefaults, ClipboardHistoryAutoCleanupPolicy policy) {
    userDefaults.set(SettingsKey::imageAutoCleanupPolicy, std::string(rawValue(policy)));
    return policy;
}

bool clipboardMonitorImageOCREnabled(const UserDefaults& userDefaults) {
    return boolSetting(userDefaults, SettingsKey::imageOCREnabled, true);
}

void setClipboardMonitorImageOCREnabled(UserDefaults& userDefaults, bool enabled) {
    userDefaults.set(SettingsKey::imageOCREnabled, enabled);
}

ClipboardOCRConfiguration clipboardOCRConfiguration(const UserDefaults& userDefaults) {
    ClipboardOCRConfiguration configuration;
    if (userDefaults.stringValue(SettingsKey::ocrLanguageMode) == "automatic") {
        configuration.languageMode = ClipboardOCRLanguageMode::automatic;
    }
    if (const auto tag = userDefaults.stringValue(SettingsKey::ocrSpecifiedLanguage)) {
        configuration.specifiedLanguage =
            clipboardOCRLanguageFromRawValue(*tag).value_or(ClipboardOCRLanguage::englishUS);
    }
    return configuration;
}

void setClipboardMonitorOCRLanguageMode(UserDefaults& userDefaults, ClipboardOCRLanguageMode mode) {
    userDefaults.set(SettingsKey::ocrLanguageMode, std::string(rawValue(mode)));
}

void setClipboardMonitorOCRSpecifiedLanguage(UserDefaults& userDefaults, ClipboardOCRLanguage language) {
    userDefaults.set(SettingsKey::ocrSpecifiedLanguage, std::string(rawValue(language)));
}

bool clipboardSearchPinyinIndexEnabled(const UserDefaults& userDefaults) {
    return boolSetting(userDefaults, SettingsKey::searchPinyinIndexEnabled, false);
}

void setClipboardSearchPinyinIndexEnabled(UserDefaults& userDefaults, bool enabled) {
    userDefaults.set(SettingsKey::searchPinyinIndexEnabled, enabled);
}

bool directPasteReturnKeyAutoPasteEnabled(const UserDefaults& userDefaults) {
    return boolSetting(userDefaults, SettingsKey::directPasteReturnKeyAutoPasteEnabled, false);
}

void setDirectPasteReturnKeyAutoPasteEnabled(UserDefaults& userDefaults, bool enabled) {
    userDefaults.set(SettingsKey::directPasteReturnKeyAutoPasteEnabled, enabled);
}

DirectClipboardPresentationMode directClipboardPresentationMode(const UserDefaults& userDefaults,
                                                                DistributionChannel channel) {
    if (channel != DistributionChannel::direct) return DirectClipboardPresentationMode::centered;
    return rawValueSetting(userDefaults, SettingsKey::directClipboardPresentationMode,
                           allDirectClipboardPresentationModes, DirectClipboardPresentationMode::centered);
}

FloatingClipboardListStyle floatingClipboardListStyle(const UserDefaults& userDefaults,
                                                      DistributionChannel channel) {
    if (channel != DistributionChannel::direct) return FloatingClipboardListStyle::standard;
    return rawValueSetting(userDefaults, SettingsKey::floatingClipboardListStyle,
                           allFloatingClipboardListStyles, FloatingClipboardListStyle::standard);
}

DirectClipboardPresentationMode setDirectClipboardPresentationMode(UserDefaults& userDefaults,
                                                                   DistributionChannel channel,
                                                                   DirectClipboardPresentationMode mode) {
    if (channel != DistributionChannel::direct) return DirectClipboardPresentationMode::centered;
    userDefaults.set(SettingsKey::directClipboardPresentationMode, std::string(rawValue(mode)));
    return mode;
}

FloatingClipboardListStyle setFloatingClipboardListStyle(UserDefaults& userDefaults,
                                                         DistributionChannel channel,
                                                         FloatingClipboardListStyle style) {
    if (channel != DistributionChannel::direct) return FloatingClipboardListStyle::standard;
    userDefaults.set(SettingsKey::floatingClipboardListStyle, std::string(rawValue(style)));
    return style;
}

}  // namespace quorvane
