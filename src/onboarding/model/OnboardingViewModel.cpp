#include "onboarding/model/OnboardingViewModel.h"

#include <exception>

#include "base/Logger.h"
#include "hotkeys/model/ClipboardHotkeyStatus.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardHotkeySetting.h"
#include "platform/UserDefaults.h"
#include "preferences/SettingsAccessors.h"
#include "system/AccessibilityPermissionManagerProtocol.h"

namespace quorvane {

namespace {
constexpr const char* kLogCategory = "Onboarding";
}

OnboardingViewModel::OnboardingViewModel(UserDefaults& defaults, DistributionChannel channel,
                                         AccessibilityPermissionManagerProtocol& accessibility)
    : defaults_(defaults), channel_(channel), accessibility_(accessibility) {}

DirectClipboardPresentationMode OnboardingViewModel::presentationMode() const {
    return directClipboardPresentationMode(defaults_, channel_);
}

DirectClipboardPresentationMode OnboardingViewModel::setPresentationMode(
    DirectClipboardPresentationMode mode) {
    return setDirectClipboardPresentationMode(defaults_, channel_, mode);
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
    presentation.openSettingsButtonVisible =
        presentation.buttonsVisible && accessibility_.canOpenSystemSettings();
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
    return ClipboardHotkeySetting::load(defaults_, "Failed to read onboarding clipboard hotkey", kLogCategory)
        .keyCombo;
}

void OnboardingViewModel::saveClipboardHotkey(const KeyCombo& combo) {
    try {
        ClipboardHotkeySetting::store(defaults_, combo);
    } catch (const std::exception& error) {
        Logger::error(std::string("Failed to save onboarding clipboard hotkey: ") + error.what(),
                      kLogCategory);
        return;
    }
    if (onClipboardHotkeySaved) onClipboardHotkeySaved();
}

bool OnboardingViewModel::textCaptureEnabled() const {
    return clipboardMonitorTextCaptureEnabled(defaults_);
}

bool OnboardingViewModel::imageCaptureEnabled() const {
    return clipboardMonitorImageCaptureEnabled(defaults_);
}

// One kind of capture stays on: switching off the last one keeps it on.
bool OnboardingViewModel::setTextCaptureEnabled(bool enabled) {
    const bool stored = enabled || !imageCaptureEnabled();
    setClipboardMonitorTextCaptureEnabled(defaults_, stored);
    return stored;
}

bool OnboardingViewModel::setImageCaptureEnabled(bool enabled) {
    const bool stored = enabled || !textCaptureEnabled();
    setClipboardMonitorImageCaptureEnabled(defaults_, stored);
    return stored;
}

bool OnboardingViewModel::menuBarShowIcon() const {
    return quorvane::menuBarShowIcon(defaults_);
}

bool OnboardingViewModel::setMenuBarShowIcon(bool show) {
    return quorvane::setMenuBarShowIcon(defaults_, show);
}

void OnboardingViewModel::finish() {
    const bool deletedByUser = ClipboardHotkeySetting::isCleared(defaults_);
    if (!loadClipboardHotkey() && !deletedByUser) saveClipboardHotkey(KeyCombo::defaultClipboardHistory());
    if (!textCaptureEnabled() && !imageCaptureEnabled())
        setClipboardMonitorTextCaptureEnabled(defaults_, true);
    setOnboardingCompleted(defaults_);
}

}  // namespace quorvane
