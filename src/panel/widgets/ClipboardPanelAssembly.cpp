#include "panel/widgets/ClipboardPanelAssembly.h"

#include "panel/widgets/ClipboardPanelController.h"
#include "platform/linux/QtScreenProvider.h"

namespace quorvane {

ClipboardPanelAssembly::ClipboardPanelAssembly(Services services) : services_(std::move(services)) {}

ClipboardPanelAssembly::~ClipboardPanelAssembly() {
    controller_.reset();
    viewModel_.reset();
}

ClipboardPanelViewModel& ClipboardPanelAssembly::viewModel() {
    if (!viewModel_) {
        viewModel_ = std::make_unique<ClipboardPanelViewModel>(ClipboardPanelViewModel::Dependencies{
            services_.clipboardHistoryManager(), services_.clipboardSearchService(), services_.mainQueue,
            services_.pasteboard, services_.userDefaults, services_.appIdentityResolver, services_.clock});
    }
    return *viewModel_;
}

ClipboardPanelController& ClipboardPanelAssembly::controller() {
    if (controller_) return *controller_;
    screens_ = std::make_unique<QtScreenProvider>();
    const PasteBackServices pasteBack = services_.pasteBack();
    controller_ = std::make_unique<ClipboardPanelController>(
        ClipboardPanelController::Dependencies{viewModel(), services_.userDefaults, services_.mainQueue,
                                               services_.clock, services_.pasteboard, *screens_,
                                               pasteBack.windowActivation, pasteBack.pasteShortcutPoster,
                                               services_.accessibilityPermissionManager},
        ClipboardPanelController::Options{services_.distributionChannel, &services_.applicationCatalog,
                                          &services_.appIdentityResolver, services_.onOpenSettings,
                                          services_.updateState, services_.checkForUpdates,
                                          services_.hotkeyTimestamp, &pasteBack.performer});
    return *controller_;
}

}  // namespace quorvane
