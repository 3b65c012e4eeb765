#include "settings/model/ShortcutsSettingsViewModel.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "base/Logger.h"
#include "base/WhitespaceTrimming.h"
#include "hotkeys/model/ClipboardHotkeyStatus.h"
#include "hotkeys/model/HotkeyManagerProtocol.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardHotkeySetting.h"
#include "platform/AlertPresenter.h"
#include "platform/NotificationCenter.h"
#include "platform/TrayHost.h"
#include "platform/UserDefaults.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "ShortcutsSettings";
constexpr std::size_t kConfirmButton = 1;  // every confirmation offers "Cancel" first

std::string contentTypeName(ClipboardContentType contentType) {
    return L10n::text(contentType == ClipboardContentType::image ? L10nKey::contentTypeImage
                                                                 : L10nKey::contentTypeText);
}

std::string asciiLowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

}  // namespace

ShortcutsSettingsViewModel::ShortcutsSettingsViewModel(Dependencies dependencies)
    : dependencies_(dependencies) {
    loadClipboardHistoryHotkey();
    // A shortcut or icon changed elsewhere (onboarding, the shell) shows on an open page.
    defaultsChanges_ = dependencies_.userDefaults.observeChanges([this](const std::string& key) {
        if (key == ClipboardHotkeySetting::key) loadClipboardHistoryHotkey();
        reloadPending_ = true;
        changed();
    });
}

ShortcutsSettingsViewModel::~ShortcutsSettingsViewModel() {
    if (isRecording_) recordingChanged(false);
}

void ShortcutsSettingsViewModel::changed() {
    if (notification_.isArmed()) return;
    notification_ = dependencies_.mainQueue.postAfter(0, [this] {
        if (reloadPending_) {
            reloadPending_ = false;
            refreshLaunchAtLoginState();
            updateMenuBarSystemVisibilityHint();
        }
        notification_ = Timer();
        changes_.notify();
    });
}

// ---- Language ----

AppLanguage ShortcutsSettingsViewModel::language() const {
    return AppLanguage::stored(dependencies_.userDefaults);
}

void ShortcutsSettingsViewModel::setLanguage(AppLanguage language) {
    AppLanguage::set(language, dependencies_.userDefaults, dependencies_.notificationCenter);
    changed();
}

// ---- Launch at login ----

void ShortcutsSettingsViewModel::refreshLaunchAtLoginState() {
    LaunchAtLoginState state;
    switch (dependencies_.launchAtLoginManager.status()) {
        case LaunchAtLoginStatus::enabled:
            state = {true, true, false};
            break;
        case LaunchAtLoginStatus::notRegistered:
        case LaunchAtLoginStatus::notFound:
            state = {false, true, false};
            break;
        case LaunchAtLoginStatus::requiresApproval:
            state = {false, true, true};
            break;
        case LaunchAtLoginStatus::unknown:
            state = {false, false, false};
            break;
    }
    if (state == launchAtLoginState_) return;
    launchAtLoginState_ = state;
    changed();
}

void ShortcutsSettingsViewModel::setLaunchAtLogin(bool enabled) {
    try {
        dependencies_.launchAtLoginManager.setEnabled(enabled);
    } catch (const std::exception& error) {
        Logger::error(std::string("Failed to update launch at login: ") + error.what(), kLogCategory);
        refreshLaunchAtLoginState();
        // The check box was flipped by the click; it must show the real state again.
        changed();
        dependencies_.alerts.present({AlertStyle::warning,
                                      L10n::text(L10nKey::generalStartupUpdateFailedTitle),
                                      L10n::text(L10nKey::generalStartupUpdateFailedMessage),
                                      {L10n::text(L10nKey::ok)}},
                                     [](std::optional<std::size_t>) {});
        return;
    }
    refreshLaunchAtLoginState();
    changed();
}

// ---- Shortcut ----

void ShortcutsSettingsViewModel::loadClipboardHistoryHotkey() {
    if (isLoadingHotkey_) return;
    isLoadingHotkey_ = true;
    // A value that cannot be read is removed and leaves the shown shortcut as it was.
    const auto stored = ClipboardHotkeySetting::load(dependencies_.userDefaults,
                                                     "Failed to load clipboard hotkey", kLogCategory);
    if (!stored.error && stored.keyCombo != clipboardHistoryHotkey_) {
        clipboardHistoryHotkey_ = stored.keyCombo;
        changed();
    }
    isLoadingHotkey_ = false;
}

void ShortcutsSettingsViewModel::saveClipboardHistoryHotkey(const KeyCombo& keyCombo) {
    if (clipboardHistoryHotkey_) dependencies_.hotkeyManager.unregister(*clipboardHistoryHotkey_);
    ClipboardHotkeySetting::store(dependencies_.userDefaults, keyCombo);
    clipboardHistoryHotkey_ = keyCombo;
    changed();
    if (onClipboardHotkeySaved) onClipboardHotkeySaved();
}

void ShortcutsSettingsViewModel::clearClipboardHistoryHotkey() {
    if (clipboardHistoryHotkey_) dependencies_.hotkeyManager.unregister(*clipboardHistoryHotkey_);
    ClipboardHotkeySetting::clear(dependencies_.userDefaults);
    clipboardHistoryHotkey_.reset();
    changed();
    if (onClipboardHotkeySaved) onClipboardHotkeySaved();
}

void ShortcutsSettingsViewModel::deleteShortcutRequested() {
    if (menuBarShowIcon()) {
        clearClipboardHistoryHotkey();
        return;
    }
    presentKeepEntryPointAlert();
}

void ShortcutsSettingsViewModel::presentKeepEntryPointAlert() {
    Alert alert{AlertStyle::warning,
                L10n::text(L10nKey::generalKeepEntryPointTitle),
                L10n::text(L10nKey::generalKeepEntryPointMessage),
                {L10n::text(L10nKey::cancel), L10n::text(L10nKey::generalShowMenuBarAndRemoveShortcut)}};
    dependencies_.alerts.present(alert, [this, weak = std::weak_ptr<char>(lifetime_)](auto pressed) {
        if (weak.expired() || pressed != kConfirmButton) return;
        if (!menuBarShowIcon()) setMenuBarShowIcon(dependencies_.userDefaults, true);
        clearClipboardHistoryHotkey();
        updateMenuBarSystemVisibilityHint();
        changed();
    });
}

void ShortcutsSettingsViewModel::recordingChanged(bool recording) {
    if (recording == isRecording_) return;
    isRecording_ = recording;
    if (onClipboardHotkeyRecordingChanged) onClipboardHotkeyRecordingChanged(recording);
}

void ShortcutsSettingsViewModel::setClipboardHotkeyStatus(ClipboardHotkeyStatus* status) {
    hotkeyStatus_ = status;
    hotkeyStatusChanges_ =
        status ? status->observeClipboardHotkeyStatus([this] { changed(); }) : Subscription();
    changed();
}

std::optional<std::string> ShortcutsSettingsViewModel::clipboardHotkeyFailureText() const {
    return hotkeyStatus_ ? ClipboardHotkeyStatus::failureText(*hotkeyStatus_) : std::nullopt;
}

// ---- Tray icon ----

bool ShortcutsSettingsViewModel::menuBarShowIcon() const {
    return quorvane::menuBarShowIcon(dependencies_.userDefaults);
}

void ShortcutsSettingsViewModel::setMenuBarShowIconRequested(bool show) {
    if (show) {
        setMenuBarShowIcon(dependencies_.userDefaults, true);
        updateMenuBarSystemVisibilityHint();
        changed();
        return;
    }
    loadClipboardHistoryHotkey();
    if (clipboardHistoryHotkey_) {
        hideMenuBarIcon();
        return;
    }
    presentShortcutRequiredAlert();
    // Until the answer the check box shows what is stored.
    changed();
}

void ShortcutsSettingsViewModel::hideMenuBarIcon() {
    // Also clears the "hidden by the system" mark, which no longer applies.
    setMenuBarShowIcon(dependencies_.userDefaults, false);
    updateMenuBarSystemVisibilityHint();
    changed();
}

void ShortcutsSettingsViewModel::presentShortcutRequiredAlert() {
    Alert alert{AlertStyle::warning,
                L10n::text(L10nKey::generalShortcutRequiredTitle),
                L10n::text(L10nKey::menuBarShortcutRequiredMessage,
                           KeyCombo::defaultClipboardHistory().displayString()),
                {L10n::text(L10nKey::cancel), L10n::text(L10nKey::generalRestoreShortcutAndHide)}};
    dependencies_.alerts.present(alert, [this, weak = std::weak_ptr<char>(lifetime_)](auto pressed) {
        if (weak.expired()) return;
        if (pressed == kConfirmButton) {
            saveClipboardHistoryHotkey(KeyCombo::defaultClipboardHistory());
            loadClipboardHistoryHotkey();
            hideMenuBarIcon();
        }
        changed();
    });
}

bool ShortcutsSettingsViewModel::isMenuBarHiddenBySystem() const {
    if (!menuBarShowIcon()) return false;
    return !dependencies_.trayHost.isAvailable() ||
           menuBarStatusItemHiddenBySystem(dependencies_.userDefaults);
}

void ShortcutsSettingsViewModel::updateMenuBarSystemVisibilityHint() {
    if (isMenuBarHiddenBySystem()) {
        menuBarHintHide_.cancel();
        if (!menuBarHintVisible_) {
            menuBarHintVisible_ = true;
            changed();
        }
        return;
    }
    if (!menuBarHintVisible_) {
        menuBarHintHide_.cancel();
        return;
    }
    if (!menuBarShowIcon()) {
        menuBarHintHide_.cancel();
        menuBarHintVisible_ = false;
        changed();
        return;
    }
    if (menuBarHintHide_.isArmed()) return;
    menuBarHintHide_ = dependencies_.mainQueue.postAfter(menuBarHintHideDelaySeconds, [this] {
        menuBarHintHide_ = Timer();
        if (isMenuBarHiddenBySystem()) return;
        menuBarHintVisible_ = false;
        changed();
    });
}

// ---- Capture ----

bool ShortcutsSettingsViewModel::textCaptureEnabled() const {
    return clipboardMonitorTextCaptureEnabled(dependencies_.userDefaults);
}

bool ShortcutsSettingsViewModel::imageCaptureEnabled() const {
    return clipboardMonitorImageCaptureEnabled(dependencies_.userDefaults);
}

bool ShortcutsSettingsViewModel::setTextCaptureEnabled(bool enabled) {
    setClipboardMonitorTextCaptureEnabled(dependencies_.userDefaults, enabled);
    return enabled;
}

bool ShortcutsSettingsViewModel::setImageCaptureEnabled(bool enabled) {
    setClipboardMonitorImageCaptureEnabled(dependencies_.userDefaults, enabled);
    return enabled;
}

// ---- Retention ----

ClipboardHistoryAutoCleanupPolicy ShortcutsSettingsViewModel::autoCleanupPolicy(
    ClipboardContentType contentType) const {
    return quorvane::autoCleanupPolicy(dependencies_.userDefaults, contentType);
}

int ShortcutsSettingsViewModel::rank(ClipboardHistoryAutoCleanupPolicy policy) {
    switch (policy) {
        case ClipboardHistoryAutoCleanupPolicy::oneDay:
            return 0;
        case ClipboardHistoryAutoCleanupPolicy::sevenDays:
            return 1;
        case ClipboardHistoryAutoCleanupPolicy::thirtyDays:
            return 2;
        case ClipboardHistoryAutoCleanupPolicy::ninetyDays:
            return 3;
        case ClipboardHistoryAutoCleanupPolicy::never:
            return 4;
    }
    return 4;
}

std::string ShortcutsSettingsViewModel::title(ClipboardHistoryAutoCleanupPolicy policy) {
    switch (policy) {
        case ClipboardHistoryAutoCleanupPolicy::never:
            return L10n::text(L10nKey::retentionForever);
        case ClipboardHistoryAutoCleanupPolicy::oneDay:
            return L10n::text(L10nKey::retentionOneDay);
        case ClipboardHistoryAutoCleanupPolicy::sevenDays:
            return L10n::text(L10nKey::retentionSevenDays);
        case ClipboardHistoryAutoCleanupPolicy::thirtyDays:
            return L10n::text(L10nKey::retentionThirtyDays);
        case ClipboardHistoryAutoCleanupPolicy::ninetyDays:
            return L10n::text(L10nKey::retentionNinetyDays);
    }
    return {};
}

void ShortcutsSettingsViewModel::storeAutoCleanupPolicy(ClipboardContentType contentType,
                                                        ClipboardHistoryAutoCleanupPolicy policy) {
    if (contentType == ClipboardContentType::image) {
        setClipboardMonitorImageAutoCleanupPolicy(dependencies_.userDefaults, policy);
    } else {
        setClipboardMonitorTextAutoCleanupPolicy(dependencies_.userDefaults, policy);
    }
    if (onClipboardAutoCleanupPolicySaved) onClipboardAutoCleanupPolicySaved(contentType);
}

void ShortcutsSettingsViewModel::requestAutoCleanupPolicyChange(
    ClipboardContentType contentType, std::optional<ClipboardHistoryAutoCleanupPolicy> policy) {
    const ClipboardHistoryAutoCleanupPolicy current = autoCleanupPolicy(contentType);
    // The popup already moved to the user's choice; it shows the stored period again after this turn.
    changed();
    if (!policy || *policy == current) return;
    if (rank(*policy) >= rank(current)) {
        storeAutoCleanupPolicy(contentType, *policy);
        return;
    }
    const std::string typeName = contentTypeName(contentType);
    const std::string lowerName = asciiLowercased(typeName);
    const std::string currentTitle = title(current);
    const std::string newTitle = title(*policy);
    Alert alert{AlertStyle::warning,
                L10n::text(L10nKey::retentionShortenTitle, typeName),
                L10n::text(L10nKey::retentionShortenMessage, lowerName, currentTitle, newTitle, lowerName),
                {L10n::text(L10nKey::cancel), L10n::text(L10nKey::applyRetention)}};
    dependencies_.alerts.present(
        alert, [this, weak = std::weak_ptr<char>(lifetime_), contentType, chosen = *policy](auto pressed) {
            if (weak.expired()) return;
            if (pressed == kConfirmButton) storeAutoCleanupPolicy(contentType, chosen);
            changed();
        });
}

// ---- Largest item ----

std::int64_t ShortcutsSettingsViewModel::maxItemSizeInMB() const {
    return clipboardMonitorMaxItemSizeInMB(dependencies_.userDefaults);
}

std::int64_t ShortcutsSettingsViewModel::applyMaxItemSize(std::int64_t value) {
    const std::int64_t clamped = setClipboardMonitorMaxItemSizeInMB(dependencies_.userDefaults, value);
    changed();
    return clamped;
}

std::int64_t ShortcutsSettingsViewModel::commitMaxItemSizeText(std::string_view text,
                                                               std::int64_t fieldValue) {
    std::string_view digits = trimmedWhitespaceAndNewlines(text);
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    const bool whole = !digits.empty() &&
                       std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!whole) return applyMaxItemSize(fieldValue);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    // A whole number too long for 64 bits is still far beyond either end of the range.
    if (error == std::errc::result_out_of_range) value = std::numeric_limits<std::int64_t>::max();
    (void)end;
    return applyMaxItemSize(negative ? -value : value);
}

}  // namespace quorvane
