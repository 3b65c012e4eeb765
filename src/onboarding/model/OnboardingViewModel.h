#pragma once
// What the onboarding wizard reads and stores: capture switches, the panel presentation, the clipboard hot
// key, the menu-bar icon and the accessibility status. Every control stores its value at once; finish()
// fills in what the user left unset and marks onboarding done. One per process, made by the container.
// Main thread only.

#include <functional>
#include <optional>
#include <string>

#include "hotkeys/model/KeyCombo.h"
#include "preferences/DirectClipboardPresentationMode.h"
#include "preferences/DistributionChannel.h"
#include "system/AccessibilityPermissionStatus.h"

namespace quorvane {

class ClipboardHotkeyStatus;
class UserDefaults;
class AccessibilityPermissionManagerProtocol;

enum class OnboardingStatusTone { positive, negative, caution, neutral };

// The accessibility section of the shortcut page for one status.
struct OnboardingAccessibilityPresentation {
    std::string statusText;
    OnboardingStatusTone tone = OnboardingStatusTone::neutral;
    std::string description;
    bool buttonsVisible = false;
    // Only where the desktop has a settings program to open; a dead button is worse than none.
    bool openSettingsButtonVisible = false;
    std::string requestButtonTitle;
};

class OnboardingViewModel {
public:
    // `defaults` and `accessibility` must outlive the view model.
    OnboardingViewModel(UserDefaults& defaults, DistributionChannel channel,
                        AccessibilityPermissionManagerProtocol& accessibility);

    DistributionChannel distributionChannel() const { return channel_; }

    std::function<void()> onClipboardHotkeySaved;
    std::function<void(bool recording)> onClipboardHotkeyRecordingChanged;
    // Whether the clipboard hot key works; may stay null (the shortcut then counts as working).
    ClipboardHotkeyStatus* clipboardHotkeyStatus = nullptr;
    // The line under the recorder while another program holds the shortcut; nothing while it works.
    std::optional<std::string> clipboardHotkeyFailureText() const;

    // Centered unless the direct build stores "floating".
    DirectClipboardPresentationMode presentationMode() const;
    // Outside the direct build stores nothing and returns centered.
    DirectClipboardPresentationMode setPresentationMode(DirectClipboardPresentationMode mode);

    AccessibilityPermissionStatus accessibilityPermissionStatus() const;
    OnboardingAccessibilityPresentation accessibilityPresentation(AccessibilityPermissionStatus status,
                                                                  const std::string& appName) const;
    void requestAccessibilityPermission();
    void openAccessibilitySettings();

    // The stored clipboard hot key; stored data that is not a key combination is removed (and logged).
    std::optional<KeyCombo> loadClipboardHotkey();
    // Stores the combination, clears the deletion mark, then tells onClipboardHotkeySaved.
    void saveClipboardHotkey(const KeyCombo& combo);

    bool textCaptureEnabled() const;
    bool imageCaptureEnabled() const;
    // At least one kind of capture stays on: turning one off while the other is off stores true instead.
    // Returns the value stored.
    bool setTextCaptureEnabled(bool enabled);
    bool setImageCaptureEnabled(bool enabled);

    bool menuBarShowIcon() const;
    bool setMenuBarShowIcon(bool show);

    // Stores the default hot key when none is stored and the user has not deleted it, turns text capture on
    // when both kinds are off, and marks onboarding complete.
    void finish();

private:
    UserDefaults& defaults_;
    DistributionChannel channel_;
    AccessibilityPermissionManagerProtocol& accessibility_;
};

}  // namespace quorvane
