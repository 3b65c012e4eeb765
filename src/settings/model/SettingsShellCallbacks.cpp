#include "settings/model/SettingsShellCallbacks.h"

#include "capture/ClipboardHistoryAutoCleanupRunner.h"
#include "panel/model/ClipboardPanelCoordinator.h"
#include "platform/Clock.h"
#include "system/ClipboardServicesLifecycle.h"

namespace quorvane {

SettingsShellCallbacks SettingsShellCallbacks::make(
    ClipboardPanelCoordinator& panelCoordinator,
    std::function<std::shared_ptr<ClipboardHistoryRepositoryProtocol>()> currentRepository,
    UserDefaults& userDefaults, ClipboardServicesLifecycle& services) {
    SettingsShellCallbacks callbacks;
    callbacks.clipboardHotkeySaved = [&panelCoordinator] { panelCoordinator.reregisterClipboardHotkey(); };
    callbacks.clipboardHotkeyRecordingChanged = [&panelCoordinator](bool recording) {
        panelCoordinator.setClipboardHotkeyRecording(recording);
    };
    callbacks.autoCleanupPolicySaved = [currentRepository = std::move(currentRepository),
                                        &userDefaults](ClipboardContentType contentType) {
        // A shortened period takes effect at once, whenever the regular clean-up last ran.
        ClipboardHistoryAutoCleanupRunner runner(
            currentRepository(), userDefaults,
            ClipboardHistoryAutoCleanupRunner::defaultMinimumCleanupInterval,
            [] { return SystemClock().now(); });
        runner.runIfNeeded(contentType, true);
    };
    callbacks.storageMigrationWillStart = [&services] { services.tearDownClipboardServices(); };
    callbacks.storageMigrationDidFinish = [&services] { services.buildClipboardServices(); };
    callbacks.clipboardHotkeyStatus = &panelCoordinator;
    return callbacks;
}

}  // namespace quorvane
