#pragma once

// Owns the global clipboard-history hot key and decides what pressing it does: show the active panel
// presentation (hiding any other that is visible) or hide it. Registers the stored combination, else the
// default; suspends the hot key while the user records a new shortcut. A stored combination the desktop
// refuses (another program holds it) is reported as failing and tried again on a timer until it is granted.
// Made once by the container. Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "base/CallbackList.h"
#include "hotkeys/model/ClipboardHotkeyStatus.h"
#include "hotkeys/model/HotkeyManagerProtocol.h"
#include "hotkeys/model/KeyCombo.h"
#include "panel/model/ClipboardHotkeySetting.h"
#include "panel/model/ClipboardPanelControlling.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"

namespace quorvane {

class ClipboardPanelCoordinator final : public ClipboardHotkeyStatus {
public:
    // How often a combination another program holds is tried again. A press that reaches that program
    // cannot be seen, so only a timer notices that it let go.
    static constexpr double failedHotkeyRetrySeconds = 30;

    // The presentation the hot key shows, and every presentation that may be visible; a provider may
    // return null for a presentation not built.
    using ActiveControllerProvider = std::function<ClipboardPanelControlling*()>;
    using AllControllersProvider = std::function<std::vector<ClipboardPanelControlling*>()>;

    // `hotkeyManager`, `userDefaults` and `mainQueue` must outlive the coordinator.
    ClipboardPanelCoordinator(ActiveControllerProvider activeControllerProvider,
                              AllControllersProvider allControllersProvider,
                              HotkeyManagerProtocol& hotkeyManager, UserDefaults& userDefaults,
                              MainQueue& mainQueue);
    // Releases the hot key it registered.
    ~ClipboardPanelCoordinator() override;
    ClipboardPanelCoordinator(const ClipboardPanelCoordinator&) = delete;
    ClipboardPanelCoordinator& operator=(const ClipboardPanelCoordinator&) = delete;

    // Registers the stored combination; nothing while suspended or after the user deleted the shortcut.
    // Stored data that does not decode, or a combination the hot-key manager never accepts, is removed and
    // the default registered and stored. A combination the desktop refuses (another program holds it) stays
    // stored, is reported as failing and tried again every failedHotkeyRetrySeconds; the default stands in
    // meanwhile when it can.
    void registerClipboardHotkey();
    // Registers the default combination and stores it; logs and registers nothing when that is refused.
    void registerDefaultClipboardHotkey();
    // The hot key's action: shows the active presentation, hiding the others, or hides it when visible.
    void toggleClipboardPanel();

    // The user started (true) or ended (false) recording a shortcut.
    void setClipboardHotkeyRecording(bool recording);
    // A new shortcut was saved, or the clipboard services were rebuilt: registers afresh.
    void reregisterClipboardHotkey();

    // Tries a failing combination again now (the settings window or the wizard opened).
    void retryFailedClipboardHotkey() override;

    const std::optional<KeyCombo>& registeredClipboardHotkey() const override {
        return registeredClipboardHotkey_;
    }
    // The combination the user chose that the desktop refuses now; nothing while it works, while suspended
    // or when there is no shortcut.
    const std::optional<KeyCombo>& failedClipboardHotkey() const override { return failedClipboardHotkey_; }
    const std::optional<KeyCombo>& refusedClipboardHotkey() const override { return refusedClipboardHotkey_; }
    [[nodiscard]] Subscription observeClipboardHotkeyStatus(std::function<void()> callback) override {
        return statusChanges_.subscribe(std::move(callback));
    }
    bool isClipboardHotkeySuspended() const { return isClipboardHotkeySuspended_; }

private:
    // Registers the default; stores it only when `store`.
    void registerDefault(bool store);
    bool registerWithToggle(const KeyCombo& keyCombo);
    void unregisterCurrent();
    // Records `keyCombo` as failing (the default standing in when `standIn`), logs it when it is news and
    // arms the retry.
    void reportFailure(const KeyCombo& keyCombo, std::optional<KeyCombo> standIn);
    void clearFailure();
    void statusChanged();

    ActiveControllerProvider activeControllerProvider_;
    AllControllersProvider allControllersProvider_;
    HotkeyManagerProtocol& hotkeyManager_;
    UserDefaults& userDefaults_;
    MainQueue& mainQueue_;
    std::optional<KeyCombo> registeredClipboardHotkey_;
    bool isClipboardHotkeySuspended_ = false;
    std::optional<KeyCombo> failedClipboardHotkey_;
    std::optional<KeyCombo> refusedClipboardHotkey_;
    Timer retry_;
    Timer statusNotification_;
    CallbackList<> statusChanges_;
    // The hot key's action holds this weakly: a press queued after the coordinator is gone does nothing.
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace quorvane
