#pragma once

// What the general settings page reads and stores: the interface language, launch at login, the clipboard
// shortcut, the tray icon, the capture switches, retention per content type and the largest item captured.
// Every change is stored at once. The shortcut and the tray icon are the two ways into the history, and the
// model never lets both go: hiding the icon without a shortcut, or deleting the shortcut with the icon
// hidden, asks first and offers to restore the other one. Shortening a retention period asks first too.
// Observers are told on the next main-queue turn after any change, including changes other windows make to
// the settings. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/CallbackList.h"
#include "hotkeys/model/KeyCombo.h"
#include "l10n/AppLanguage.h"
#include "model/ClipboardContentType.h"
#include "platform/LaunchAtLoginManaging.h"
#include "platform/MainQueue.h"
#include "preferences/ClipboardHistoryAutoCleanupPolicy.h"

namespace quorvane {

class AlertPresenter;
class ClipboardHotkeyStatus;
class HotkeyManagerProtocol;
class NotificationCenter;
class TrayHost;
class UserDefaults;

class ShortcutsSettingsViewModel {
public:
    // Everything must outlive the model.
    struct Dependencies {
        UserDefaults& userDefaults;
        NotificationCenter& notificationCenter;
        HotkeyManagerProtocol& hotkeyManager;
        LaunchAtLoginManaging& launchAtLoginManager;
        AlertPresenter& alerts;
        const TrayHost& trayHost;
        MainQueue& mainQueue;
    };

    struct LaunchAtLoginState {
        bool checked = false;
        bool enabled = false;
        bool approvalHintVisible = false;
        friend bool operator==(const LaunchAtLoginState&, const LaunchAtLoginState&) = default;
    };

    // The hint that the desktop hides the tray icon goes away this long after the icon shows again, so a
    // flicker of the tray host does not make it jump.
    static constexpr double menuBarHintHideDelaySeconds = 0.6;

    // Loads the stored shortcut.
    explicit ShortcutsSettingsViewModel(Dependencies dependencies);
    // A recording still running counts as ended, so the shell resumes the hot key.
    ~ShortcutsSettingsViewModel();
    ShortcutsSettingsViewModel(const ShortcutsSettingsViewModel&) = delete;
    ShortcutsSettingsViewModel& operator=(const ShortcutsSettingsViewModel&) = delete;

    std::function<void()> onClipboardHotkeySaved;
    std::function<void(bool recording)> onClipboardHotkeyRecordingChanged;
    std::function<void(ClipboardContentType)> onClipboardAutoCleanupPolicySaved;
    // Open the desktop's autostart or tray settings; empty where the desktop has none, and then the button
    // that would call it is not shown.
    std::function<void()> openLaunchAtLoginSystemSettingsHandler;
    std::function<void()> openMenuBarSystemSettingsHandler;

    // Told on the next main-queue turn after a change of anything this model shows.
    [[nodiscard]] Subscription observeChanges(std::function<void()> callback) {
        return changes_.subscribe(std::move(callback));
    }

    // ---- Language ----
    AppLanguage language() const;
    // Stores the language and announces it (the window rebuilds its pages on the announcement).
    void setLanguage(AppLanguage language);

    // ---- Launch at login ----
    const LaunchAtLoginState& launchAtLoginState() const { return launchAtLoginState_; }
    // Reads the status afresh: on only when enabled; switchable unless the status is unknown; the approval
    // hint only while approval is pending.
    void refreshLaunchAtLoginState();
    // Asks the manager; on failure logs "Failed to update launch at login: ...", shows the real state again
    // and tells the user.
    void setLaunchAtLogin(bool enabled);

    // ---- Shortcut ----
    const std::optional<KeyCombo>& clipboardHistoryHotkey() const { return clipboardHistoryHotkey_; }
    // Reads the stored shortcut; data that does not decode is removed and the shown value kept.
    void loadClipboardHistoryHotkey();
    // Stores `keyCombo` (lifting an earlier deletion) and tells onClipboardHotkeySaved.
    void saveClipboardHistoryHotkey(const KeyCombo& keyCombo);
    // Removes the shortcut for good (no default comes back) and tells onClipboardHotkeySaved.
    void clearClipboardHistoryHotkey();
    void resetClipboardHotkeyToDefault() { saveClipboardHistoryHotkey(KeyCombo::defaultClipboardHistory()); }
    bool isDeleteButtonVisible() const { return clipboardHistoryHotkey_.has_value(); }
    bool isResetButtonEnabled() const {
        return clipboardHistoryHotkey_ != KeyCombo::defaultClipboardHistory();
    }
    // The delete button: removes the shortcut at once while the tray icon is shown; otherwise asks whether
    // to show the icon again and remove the shortcut.
    void deleteShortcutRequested();
    // The recorder started or ended a recording.
    void recordingChanged(bool recording);
    // Whether the shortcut works; the model follows its changes. Unset: the shortcut counts as working.
    void setClipboardHotkeyStatus(ClipboardHotkeyStatus* status);
    // The line under the recorder while another program holds the shortcut; nothing while it works.
    std::optional<std::string> clipboardHotkeyFailureText() const;
    bool isRecording() const { return isRecording_; }

    // ---- Tray icon ----
    bool menuBarShowIcon() const;
    // The check box: showing stores at once; hiding needs a shortcut, else asks to restore the default one.
    void setMenuBarShowIconRequested(bool show);
    // The icon is wanted but not visible: the desktop has no tray, or it reported the icon hidden.
    bool isMenuBarHiddenBySystem() const;
    bool isMenuBarHintVisible() const { return menuBarHintVisible_; }
    void updateMenuBarSystemVisibilityHint();

    // ---- Capture ----
    bool textCaptureEnabled() const;
    bool imageCaptureEnabled() const;
    // Both may be off. Return the value stored.
    bool setTextCaptureEnabled(bool enabled);
    bool setImageCaptureEnabled(bool enabled);

    // ---- Retention ----
    ClipboardHistoryAutoCleanupPolicy autoCleanupPolicy(ClipboardContentType contentType) const;
    // A longer period (or forever) is stored at once; a shorter one asks first. Nothing (an unreadable
    // choice) or the current period stores nothing. Observers are told in every case, so the popup shows
    // the stored period again.
    void requestAutoCleanupPolicyChange(ClipboardContentType contentType,
                                        std::optional<ClipboardHistoryAutoCleanupPolicy> policy);
    // Longer periods rank higher; forever ranks highest.
    static int rank(ClipboardHistoryAutoCleanupPolicy policy);
    // "Forever", "1 Day" ... in the interface language.
    static std::string title(ClipboardHistoryAutoCleanupPolicy policy);

    // ---- Largest item ----
    std::int64_t maxItemSizeInMB() const;
    // Stores `value` clamped to 1 ... 500 and returns what was stored.
    std::int64_t applyMaxItemSize(std::int64_t value);
    // The size field's text: a whole decimal number (optional sign, white space around it) is applied;
    // anything else applies `fieldValue`, what the field showed before.
    std::int64_t commitMaxItemSizeText(std::string_view text, std::int64_t fieldValue);

private:
    void changed();
    void storeAutoCleanupPolicy(ClipboardContentType contentType, ClipboardHistoryAutoCleanupPolicy policy);
    void presentKeepEntryPointAlert();
    void presentShortcutRequiredAlert();
    void hideMenuBarIcon();

    Dependencies dependencies_;
    std::optional<KeyCombo> clipboardHistoryHotkey_;
    LaunchAtLoginState launchAtLoginState_;
    bool isRecording_ = false;
    bool isLoadingHotkey_ = false;
    // A setting changed elsewhere: the launch-at-login status and the hint are read again before observers
    // hear of it.
    bool reloadPending_ = false;
    bool menuBarHintVisible_ = false;
    Timer menuBarHintHide_;
    Timer notification_;
    CallbackList<> changes_;
    Subscription defaultsChanges_;
    ClipboardHotkeyStatus* hotkeyStatus_ = nullptr;
    Subscription hotkeyStatusChanges_;
    // Alert answers hold this weakly: an answer that arrives after the model is gone does nothing.
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace quorvane
