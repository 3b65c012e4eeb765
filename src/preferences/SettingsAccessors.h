#pragma once

// Typed readers and writers of the settings shared by capture, retention, recognition, search indexing,
// paste-back, the panels and the menu bar: one reader per key, with its default and clamp. A missing key and
// a value of another type both read as the default. Callers pass the settings object they hold; every call
// reads afresh, so a changed setting takes effect at the next use. Safe from any thread.

#include <cstdint>

#include "model/ClipboardContentType.h"
#include "platform/UserDefaults.h"
#include "preferences/ClipboardHistoryAutoCleanupPolicy.h"
#include "preferences/ClipboardOCRConfiguration.h"
#include "preferences/DirectClipboardPresentationMode.h"
#include "preferences/DistributionChannel.h"
#include "preferences/FloatingClipboardListStyle.h"

namespace quorvane {

namespace SettingsKey {
inline constexpr char menuBarShowIcon[] = "MenuBarShowIcon";
inline constexpr char menuBarStatusItemHiddenBySystem[] = "MenuBarStatusItemHiddenBySystem";
inline constexpr char textCaptureEnabled[] = "ClipboardMonitorTextCaptureEnabled";
inline constexpr char imageCaptureEnabled[] = "ClipboardMonitorImageCaptureEnabled";
inline constexpr char maxItemSizeInMB[] = "ClipboardMonitorMaxItemSizeInMB";
inline constexpr char textAutoCleanupPolicy[] = "ClipboardMonitorTextAutoCleanupPolicy";
inline constexpr char imageAutoCleanupPolicy[] = "ClipboardMonitorImageAutoCleanupPolicy";
inline constexpr char imageOCREnabled[] = "ClipboardMonitorImageOCREnabled";
inline constexpr char ocrLanguageMode[] = "ClipboardMonitorOCRLanguageMode";
inline constexpr char ocrSpecifiedLanguage[] = "ClipboardMonitorOCRSpecifiedLanguage";
inline constexpr char searchPinyinIndexEnabled[] = "ClipboardSearchPinyinIndexEnabled";
inline constexpr char directPasteReturnKeyAutoPasteEnabled[] = "DirectPasteReturnKeyAutoPasteEnabled";
inline constexpr char directClipboardPresentationMode[] = "DirectClipboardPresentationMode";
inline constexpr char floatingClipboardListStyle[] = "FloatingClipboardListStyle";
inline constexpr char ignoredAppBundleIdentifiers[] = "ClipboardIgnoredAppBundleIdentifiers";
inline constexpr char ignoredAppDefaultOptOut[] = "ClipboardIgnoredAppBundleIdentifiersDefaultOptOut";
inline constexpr char ignoredAppDefaultsVersion[] = "ClipboardIgnoredAppBundleIdentifiersDefaultsVersion";
inline constexpr char ignoredAppDefaultsApplied[] = "ClipboardIgnoredAppBundleIdentifiersDefaultsApplied";
inline constexpr char didCompleteOnboarding[] = "DidCompleteOnboarding";
inline constexpr char didPresentInitialSettingsWindow[] = "DidPresentInitialSettingsWindow";
}  // namespace SettingsKey

inline constexpr std::int64_t defaultMaxItemSizeInMB = 10;
inline constexpr std::int64_t minimumMaxItemSizeInMB = 1;
inline constexpr std::int64_t maximumMaxItemSizeInMB = 500;

// Menu bar icon; true by default.
bool menuBarShowIcon(const UserDefaults& userDefaults);
// Stores `show`; hiding the icon also clears the "hidden by the system" mark, which no longer applies.
// Returns the value stored.
bool setMenuBarShowIcon(UserDefaults& userDefaults, bool show);
// Whether the desktop hid the icon; false by default.
bool menuBarStatusItemHiddenBySystem(const UserDefaults& userDefaults);
void setMenuBarStatusItemHiddenBySystem(UserDefaults& userDefaults, bool hidden);

// Whether the first-run wizard is done: "DidCompleteOnboarding" when it holds a Bool, else
// "DidPresentInitialSettingsWindow" (false if missing).
bool hasCompletedOnboarding(const UserDefaults& userDefaults);
// Finishing the wizard sets both.
void setOnboardingCompleted(UserDefaults& userDefaults);

bool clipboardMonitorTextCaptureEnabled(const UserDefaults& userDefaults);   // true by default
bool clipboardMonitorImageCaptureEnabled(const UserDefaults& userDefaults);  // true by default
void setClipboardMonitorTextCaptureEnabled(UserDefaults& userDefaults, bool enabled);
void setClipboardMonitorImageCaptureEnabled(UserDefaults& userDefaults, bool enabled);
// Largest item captured, in MB: 10 by default, a stored number clamped to 1 ... 500. A whole number stored as
// a floating-point value counts as that integer.
std::int64_t clipboardMonitorMaxItemSizeInMB(const UserDefaults& userDefaults);
// Stores `megabytes` clamped to 1 ... 500; returns the value stored.
std::int64_t setClipboardMonitorMaxItemSizeInMB(UserDefaults& userDefaults, std::int64_t megabytes);

// Retention of entries of one content type (images read the image setting, everything else the text one);
// never by default and for an unrecognised value.
ClipboardHistoryAutoCleanupPolicy autoCleanupPolicy(const UserDefaults& userDefaults,
                                                    ClipboardContentType contentType);
ClipboardHistoryAutoCleanupPolicy textAutoCleanupPolicy(const UserDefaults& userDefaults);
ClipboardHistoryAutoCleanupPolicy imageAutoCleanupPolicy(const UserDefaults& userDefaults);
// Store the policy's raw value; return the policy stored.
ClipboardHistoryAutoCleanupPolicy setClipboardMonitorTextAutoCleanupPolicy(
    UserDefaults& userDefaults, ClipboardHistoryAutoCleanupPolicy policy);
ClipboardHistoryAutoCleanupPolicy setClipboardMonitorImageAutoCleanupPolicy(
    UserDefaults& userDefaults, ClipboardHistoryAutoCleanupPolicy policy);

bool clipboardMonitorImageOCREnabled(const UserDefaults& userDefaults);  // true by default
void setClipboardMonitorImageOCREnabled(UserDefaults& userDefaults, bool enabled);
// Language mode (automatic only for exactly "automatic") and specified language (English (US) unless a known
// tag is stored).
ClipboardOCRConfiguration clipboardOCRConfiguration(const UserDefaults& userDefaults);
void setClipboardMonitorOCRLanguageMode(UserDefaults& userDefaults, ClipboardOCRLanguageMode mode);
void setClipboardMonitorOCRSpecifiedLanguage(UserDefaults& userDefaults, ClipboardOCRLanguage language);

bool clipboardSearchPinyinIndexEnabled(const UserDefaults& userDefaults);  // false by default
void setClipboardSearchPinyinIndexEnabled(UserDefaults& userDefaults, bool enabled);
bool directPasteReturnKeyAutoPasteEnabled(const UserDefaults& userDefaults);  // false by default
void setDirectPasteReturnKeyAutoPasteEnabled(UserDefaults& userDefaults, bool enabled);

// Only the direct build offers the floating panel and its list styles: any other channel gives centered and
// standard without reading the settings.
DirectClipboardPresentationMode directClipboardPresentationMode(const UserDefaults& userDefaults,
                                                                DistributionChannel channel);
FloatingClipboardListStyle floatingClipboardListStyle(const UserDefaults& userDefaults,
                                                      DistributionChannel channel);
// Stored only by the direct build; return what the setting reads afterwards.
DirectClipboardPresentationMode setDirectClipboardPresentationMode(UserDefaults& userDefaults,
                                                                   DistributionChannel channel,
                                                                   DirectClipboardPresentationMode mode);
FloatingClipboardListStyle setFloatingClipboardListStyle(UserDefaults& userDefaults,
                                                         DistributionChannel channel,
                                                         FloatingClipboardListStyle style);

}  // namespace quorvane
