#include "onboarding/model/OnboardingViewModel.h"

#include <exception>

#include "base/Logger.h"
#include "hotkeys/model/ClipboardHotkeyStatus.h"
#include "l10n/L10n.h"
#include "platform/UserDefaults.h"
#include "preferences/SettingsAccessors.h"
#include "system/AccessibilityPermissionManagerProtocol.h"

namespace quorvane {

namespace {
constexpr const char* kCategory = "Onboarding";
}

OnboardingViewModel::OnboardingViewModel(UserDefaults& defaults, DistributionChannel channel,
                                         AccessibilityPermissionManagerProtocol& accessibility)
    : defaults_(defaults), channel_(channel), accessibility_(accessibility) {}

DirectClipboardPresentationMode OnboardingViewModel::presentationMode() const {
    if (channel_ != DistributionChannel::direct) return DirectClipboardPresentationMode::centered;
    const auto stored = defaults_.stringValue(SettingsKey::directClipboardPresentationMode);
    if (stored && *stored == rawValue(DirectClipboardPresentationMode::floating)) {
        return DirectClipboardPresentationMode::floating;
    }
    return DirectClipboardPresentationMode::centered;
}

DirectClipboardPresentationMode OnboardingViewModel::setPresentationMode(
    DirectClipboardPresentationMode mode) {
    if (channel_ != DistributionChannel::direct) return DirectClipboardPresentationMode::centered;
    defaults_.set(SettingsKey::directClipboardPresentationMode, std::string(rawValue(mode)));
    return mode;
}

AccessibilityPermissionStatus OnboardingViewModel::accessibilityPermissionStatus() const {
    if (accessibility_.isTrusted()) return AccessibilityPermissionStatus::authorized;
    return accessibility_.hasRequestedPermission() ? AccessibilityPermissionStatus::denied
                                                   : AccessibilityPermissionStatus::notDetermined;
}

OnboardingAccessibilityPresentation OnboardingViewModel::accessibilityPresentation(
    AccessibilityPermissionStatus status, const std::string& appName) const {
    OnboardingAccessibilityPresentation presentation;
    presentation.requestButtonTitle = L10n::text(L10nKey::advancedRequestAccessibilityPermission);
    presentation.buttonsVisible = true;
    switch (status) {
        case AccessibilityPermissionStatus::authorized:
            presentation.statusText = L10n::text(L10nKey::accessibilityStatusAuthorized);
            presentation.tone = OnboardingStatusTone::positive;
            presentation.description = L10n::text(L10nKey::accessibilityTrustedDescription, appName);
            presentation.buttonsVisible = false;
            break;
        case AccessibilityPermissionStatus::denied:
            presentation.statusText = L10n::text(L10nKey::accessibilityStatusNotAuthorized);
            presentation.tone = OnboardingStatusTone::negative;
            presentation.description = L10n::text(L10nKey::accessibilityNotTrustedDescription, appName);
            break;
        case AccessibilityPermissionStatus::notDetermined:
            presentation.statusText = L10n::text(L10nKey::accessibilityStatusNotDetermined);
            presentation.tone = OnboardingStatusTone::caution;
            presentation.description = L10n::text(L10nKey::accessibilityCanRequestDescription, appName);
            break;
        case AccessibilityPermissionStatus::unknown:
            presentation.statusText = L10n::text(L10nKey::accessibilityStatusUnknown);
            presentation.tone = OnboardingStatusTone::neutral;
            presentation.description = L10n::text(L10nKey::accessibilityStatusUnknownDescription);
            presentation.requestButtonTitle = L10n::text(L10nKey::advancedRecheckAccessibility);
            break;
    }
    return presentation;
}

void OnboardingViewModel::requestAccessibilityPermission() {
    if (channel_ == DistributionChannel::direct) accessibility_.requestPermission();
}

void OnboardingViewModel::openAccessibilitySettings() {
    if (channel_ == DistributionChannel::direct) accessibility_.openSystemSettings();
}

std::optional<std::string> OnboardingViewModel::clipboardHotkeyFailureText() const {
    return clipboardHotkeyStatus ? ClipboardHotkeyStatus::failureText(*clipboardHotkeyStatus) : std::nullopt;
}

std::optional<KeyCombo> OnboardingViewModel::loadClipboardHotkey() {
    const auto data = defaults_.dataValue(clipboardHotkeyKey);
    if (!data) {
        // A value of another kind is as unreadable as bad data.
        if (defaults_.contains(clipboardHotkeyKey)) {
            Logger::error("Failed to read onboarding clipboard hotkey: stored value is not data", kCategory);
            defaults_.remove(clipboardHotkeyKey);
        }
        return std::nullopt;
    }
    try {
        return KeyCombo::decode(*data);
    } catch (const KeyComboDecodingError& error) {
        Logger::error(std::string("Failed to read onboarding clipboard hotkey: ") + error.what(), kCategory);
        defaults_.remove(clipboardHotkeyKey);
        return std::nullopt;
    }
}

void OnboardingViewModel::saveClipboardHotkey(const KeyCombo& combo) {
    Data data;
    try {
        data = combo.encoded();
    } catch (const std::exception& error) {
        Logger::error(std::string("Failed to save onboarding clipboard hotkey: ") + error.what(), kCategory);
        return;
    }
    defaults_.set(clipboardHotkeyKey, std::move(data));
    defaults_.remove(clipboardHotkeyClearedKey);
    if (onClipboardHotkeySaved) onClipboardHotkeySaved();
}

bool OnboardingViewModel::textCaptureEnabled() const {
    return clipboardMonitorTextCaptureEnabled(defaults_);
}

bool OnboardingViewModel::imageCaptureEnabled() const {
    return clipboardMonitorImageCaptureEnabled(defaults_);
}

bool OnboardingViewModel::setCaptureEnabled(const char* key, const char* otherKey, bool enabled) {
    const bool otherEnabled = std::string_view(otherKey) == SettingsKey::textCaptureEnabled
                                  ? textCaptureEnabled()
                                  : imageCaptureEnabled();
    const bool stored = enabled || !otherEnabled;
    defaults_.set(key, stored);
    return stored;
}

bool OnboardingViewModel::setTextCaptureEnabled(bool enabled) {
    return setCaptureEnabled(SettingsKey::textCaptureEnabled, SettingsKey::imageCaptureEnabled, enabled);
}

bool OnboardingViewModel::setImageCaptureEnabled(bool enabled) {
    return setCaptureEnabled(SettingsKey::imageCaptureEnabled, SettingsKey::textCaptureEnabled, enabled);
}

bool OnboardingViewModel::menuBarShowIcon() const {
    return quorvane::menuBarShowIcon(defaults_);
}

bool OnboardingViewModel::setMenuBarShowIcon(bool show) {
    return quorvane::setMenuBarShowIcon(defaults_, show);
}

void OnboardingViewModel::finish() {
    const bool deletedByUser = defaults_.boolValue(clipboardHotkeyClearedKey).value_or(false);
    if (!loadClipboardHotkey() && !deletedByUser) saveClipboardHotkey(KeyCombo::defaultClipboardHistory());
    if (!textCaptureEnabled() && !imageCaptureEnabled()) defaults_.set(SettingsKey::textCaptureEnabled, true);
    defaults_.set(didCompleteOnboardingKey, true);
    defaults_.set(didPresentInitialSettingsWindowKey, true);
}

}  // namespace quorvane
