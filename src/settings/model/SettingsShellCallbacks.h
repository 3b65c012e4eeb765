#pragma once

// How the settings pages reach the application shell: the clipboard hot key was saved (register it again),
// a shortcut recording started or ended (suspend or resume the hot key), a retention period was saved (run
// its clean-up now), a storage move is about to start or has finished (tear the clipboard services down,
// build them again). Each may be empty. They belong to the container, not to the window, so a page that is
// torn down in the middle of a recording still resumes the hot key. Main thread only.

#include <functional>
#include <memory>

#include "model/ClipboardContentType.h"

namespace quorvane {

class ClipboardHistoryRepositoryProtocol;
class ClipboardHotkeyStatus;
class ClipboardPanelCoordinator;
class ClipboardServicesLifecycle;
class UserDefaults;

struct SettingsShellCallbacks {
    std::function<void()> clipboardHotkeySaved;
    std::function<void(bool recording)> clipboardHotkeyRecordingChanged;
    std::function<void(ClipboardContentType)> autoCleanupPolicySaved;
    std::function<void()> storageMigrationWillStart;
    std::function<void()> storageMigrationDidFinish;
    // Whether the clipboard hot key works, for the line under the recorder; may be null.
    ClipboardHotkeyStatus* clipboardHotkeyStatus = nullptr;

    // The shell's answers: the panel coordinator registers the hot key again or suspends it; a forced
    // clean-up of the saved type runs on the current repository; the container closes and rebuilds its
    // services. Everything passed must outlive the callbacks.
    static SettingsShellCallbacks make(
        ClipboardPanelCoordinator& panelCoordinator,
        std::function<std::shared_ptr<ClipboardHistoryRepositoryProtocol>()> currentRepository,
        UserDefaults& userDefaults, ClipboardServicesLifecycle& services);
};

}  // namespace quorvane
