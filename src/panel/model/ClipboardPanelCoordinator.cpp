#include "panel/model/ClipboardPanelCoordinator.h"

#include "base/Logger.h"
#include "hotkeys/model/HotkeyManager.h"
#include "panel/model/ClipboardHotkeySetting.h"

namespace quorvane {
namespace {

constexpr const char* kLogCategory = "ClipboardPanelCoordinator";

}  // namespace

ClipboardPanelCoordinator::ClipboardPanelCoordinator(ActiveControllerProvider activeControllerProvider,
                                                     AllControllersProvider allControllersProvider,
                                                     HotkeyManagerProtocol& hotkeyManager,
                                                     UserDefaults& userDefaults, MainQueue& mainQueue)
    : activeControllerProvider_(std::move(activeControllerProvider)),
      allControllersProvider_(std::move(allControllersProvider)),
      hotkeyManager_(hotkeyManager),
      userDefaults_(userDefaults),
      mainQueue_(mainQueue) {}

ClipboardPanelCoordinator::~ClipboardPanelCoordinator() {
    unregisterCurrent();
}

bool ClipboardPanelCoordinator::registerWithToggle(const KeyCombo& keyCombo) {
    std::weak_ptr<char> alive = lifetime_;
    // The press hops to a later turn, so the toggle never runs inside the hot-key event path.
    const bool registered = hotkeyManager_.registerHotkey(keyCombo, [this, alive] {
        if (alive.expired()) return;
        mainQueue_.post([this, alive] {
            if (!alive.expired()) toggleClipboardPanel();
        });
    });
    if (registered) registeredClipboardHotkey_ = keyCombo;
    return registered;
}

void ClipboardPanelCoordinator::registerClipboardHotkey() {
    if (isClipboardHotkeySuspended_) return;
    // A shortcut the user deleted stays deleted: no default takes its place.
    if (ClipboardHotkeySetting::isCleared(userDefaults_)) {
        Logger::info("Clipboard hotkey was removed by the user; none registered", kLogCategory);
        clearFailure();
        return;
    }
    // Nothing stored, or a value that cannot be read (logged and removed): the default takes its place.
    const auto stored =
        ClipboardHotkeySetting::load(userDefaults_, "Failed to load clipboard hotkey", kLogCategory);
    if (!stored.keyCombo) {
        registerDefault(true);
        return;
    }
    const KeyCombo keyCombo = *stored.keyCombo;
    if (registerWithToggle(keyCombo)) {
        if (refusedClipboardHotkey_) {
            refusedClipboardHotkey_.reset();
            statusChanged();
        }
        clearFailure();
        return;
    }
    if (HotkeyManager::isRefused(keyCombo)) {
        // A value no desktop would ever grant: replace it for good, and say so where it was recorded.
        ClipboardHotkeySetting::discard(userDefaults_);
        refusedClipboardHotkey_ = keyCombo;
        statusChanged();
        registerDefault(true);
        return;
    }
    // The desktop said no, most likely because another program holds the combination now. That may change,
    // so the user's choice is kept and tried again; the default stands in meanwhile when it can.
    const KeyCombo fallback = KeyCombo::defaultClipboardHistory();
    const bool standsIn = keyCombo != fallback && registerWithToggle(fallback);
    reportFailure(keyCombo, standsIn ? std::optional(fallback) : std::nullopt);
}

void ClipboardPanelCoordinator::registerDefaultClipboardHotkey() {
    registerDefault(true);
}

void ClipboardPanelCoordinator::registerDefault(bool store) {
    const KeyCombo keyCombo = KeyCombo::defaultClipboardHistory();
    if (!registerWithToggle(keyCombo)) {
        reportFailure(keyCombo, std::nullopt);
        return;
    }
    clearFailure();
    if (store) ClipboardHotkeySetting::store(userDefaults_, keyCombo);
}

void ClipboardPanelCoordinator::reportFailure(const KeyCombo& keyCombo, std::optional<KeyCombo> standIn) {
    const bool isNews = failedClipboardHotkey_ != keyCombo;
    failedClipboardHotkey_ = keyCombo;
    retry_ = mainQueue_.postAfter(failedHotkeyRetrySeconds, [this] { retryFailedClipboardHotkey(); });
    if (!isNews) return;
    const std::string retrying =
        "trying again every " + std::to_string(static_cast<int>(failedHotkeyRetrySeconds)) + " s";
    if (keyCombo == KeyCombo::defaultClipboardHistory()) {
        Logger::error("Failed to register default clipboard hotkey " + keyCombo.displayString() +
                          " (another program may hold it); " + retrying,
                      kLogCategory);
    } else if (standIn) {
        Logger::warning("Failed to register clipboard hotkey " + keyCombo.displayString() +
                            " (another program may hold it); " + standIn->displayString() +
                            " stands in until it is free, " + retrying,
                        kLogCategory);
    } else {
        Logger::error("Failed to register clipboard hotkey " + keyCombo.displayString() + " or the default " +
                          KeyCombo::defaultClipboardHistory().displayString() +
                          " (another program may hold them); " + retrying,
                      kLogCategory);
    }
    statusChanged();
}

void ClipboardPanelCoordinator::clearFailure() {
    retry_.cancel();
    if (!failedClipboardHotkey_) return;
    if (registeredClipboardHotkey_ == failedClipboardHotkey_) {
        Logger::info("Clipboard hotkey " + failedClipboardHotkey_->displayString() + " is registered again",
                     kLogCategory);
    }
    failedClipboardHotkey_.reset();
    statusChanged();
}

void ClipboardPanelCoordinator::statusChanged() {
    if (statusNotification_.isArmed()) return;
    statusNotification_ = mainQueue_.postAfter(0, [this] {
        statusNotification_ = Timer();
        statusChanges_.notify();
    });
}

void ClipboardPanelCoordinator::retryFailedClipboardHotkey() {
    if (!failedClipboardHotkey_ || isClipboardHotkeySuspended_) return;
    reregisterClipboardHotkey();
}

void ClipboardPanelCoordinator::toggleClipboardPanel() {
    ClipboardPanelControlling* active = activeControllerProvider_ ? activeControllerProvider_() : nullptr;
    if (!active) return;
    if (active->isPanelVisible()) {
        active->hidePanel();
        return;
    }
    if (allControllersProvider_) {
        for (ClipboardPanelControlling* controller : allControllersProvider_()) {
            if (controller && controller->isPanelVisible()) controller->hidePanel();
        }
    }
    active->showPanel();
}

void ClipboardPanelCoordinator::unregisterCurrent() {
    if (!registeredClipboardHotkey_) return;
    hotkeyManager_.unregister(*registeredClipboardHotkey_);
    registeredClipboardHotkey_.reset();
}

void ClipboardPanelCoordinator::setClipboardHotkeyRecording(bool recording) {
    if (recording) {
        if (isClipboardHotkeySuspended_) return;
        isClipboardHotkeySuspended_ = true;
        // The recorder must receive the keystroke, not the panel.
        unregisterCurrent();
        clearFailure();
        if (refusedClipboardHotkey_) {
            refusedClipboardHotkey_.reset();
            statusChanged();
        }
    } else {
        if (!isClipboardHotkeySuspended_) return;
        isClipboardHotkeySuspended_ = false;
        registerClipboardHotkey();
    }
}

void ClipboardPanelCoordinator::reregisterClipboardHotkey() {
    unregisterCurrent();
    if (!isClipboardHotkeySuspended_) registerClipboardHotkey();
}

}  // namespace quorvane
