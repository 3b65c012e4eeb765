#include "panel/widgets/ClipboardPanelAssembly.h"

#include "panel/widgets/ClipboardPanelController.h"
#include "platform/linux/QtScreenProvider.h"
#include "platform/linux/X11WindowActivation.h"
#include "platform/linux/XTestPasteShortcutPoster.h"

namespace quorvane {

ClipboardPanelAssembly::ClipboardPanelAssembly(Services services)
    : services_(std::move(services)),
      screens_(std::make_unique<QtScreenProvider>()),
      windowActivation_(std::make_unique<X11WindowActivation>()),
      pasteShortcutPoster_(std::make_unique<XTestPasteShortcutPoster>()) {
    viewModel_ = std::make_unique<ClipboardPanelViewModel>(ClipboardPanelViewModel::Dependencies{
        services_.clipboardHistoryManager, services_.clipboardSearchService, services_.mainQueue,
        services_.pasteboard, services_.userDefaults, services_.appIdentityResolver, services_.clock});
    coordinator_ = std::make_unique<ClipboardPanelCoordinator>(
        [this]() -> ClipboardPanelControlling* { return &controller(); },
        [this]() -> std::vector<ClipboardPanelControlling*> {
            if (!controller_) return {};
            return {controller_.get()};
        },
        services_.hotkeyManager, services_.userDefaults, services_.mainQueue);
}

ClipboardPanelAssembly::~ClipboardPanelAssembly() {
    coordinator_.reset();
    controller_.reset();
}

ClipboardPanelController& ClipboardPanelAssembly::controller() {
    if (!controller_) {
        controller_ = std::make_unique<ClipboardPanelController>(
            ClipboardPanelController::Dependencies{*viewModel_, services_.userDefaults, services_.mainQueue,
                                                   services_.clock, services_.pasteboard, *screens_,
                                                   *windowActivation_, *pasteShortcutPoster_,
                                                   services_.accessibilityPermissionManager},
            ClipboardPanelController::Options{
                services_.distributionChannel, &services_.applicationCatalog, &services_.appIdentityResolver,
                services_.onOpenSettings, services_.updateState, services_.checkForUpdates,
                [&hotkeys = services_.hotkeyManager] { return hotkeys.lastHotkeyTimestamp(); }});
    }
    return *controller_;
}

void ClipboardPanelAssembly::toggleClipboardPanel() {
    coordinator_->toggleClipboardPanel();
}

void ClipboardPanelAssembly::registerClipboardHotkey() {
    coordinator_->registerClipboardHotkey();
}

}  // namespace quorvane
