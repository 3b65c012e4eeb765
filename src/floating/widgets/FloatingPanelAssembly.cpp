#include "floating/widgets/FloatingPanelAssembly.h"

#include "floating/model/ClipboardFloatingAnchorResolver.h"
#include "floating/model/TextCaretPositionDetector.h"
#include "platform/linux/AtSpiAccessibleElementPort.h"
#include "platform/linux/QtScreenProvider.h"
#include "platform/linux/QtTextWidthMeasurer.h"

namespace quorvane {

FloatingPanelAssembly::FloatingPanelAssembly(Services services) : services_(std::move(services)) {}

void FloatingPanelAssembly::prepareCaretLookup() {
    // Made at the start, not at the first show: the port follows the programs' focus from then on, so the
    // first press after a start finds the caret as every later one does. Only the direct build shows the
    // panel.
    if (!anchorResolver_ && services_.distributionChannel == DistributionChannel::direct) buildCaretLookup();
}

FloatingPanelAssembly::~FloatingPanelAssembly() {
    // The controller holds the view model and the platform pieces by reference: it goes first.
    controller_.reset();
}

void FloatingPanelAssembly::buildCaretLookup() {
    auto& s = services_;
    screens_ = std::make_unique<QtScreenProvider>();
    measurer_ = std::make_unique<QtTextWidthMeasurer>();
    elements_ = std::make_unique<AtSpiAccessibleElementPort>(&s.frontmostApplicationProvider, QString(),
                                                             screens_.get());
    detector_ = std::make_unique<TextCaretPositionDetector>(TextCaretPositionDetector::Services{
        *elements_, s.frontmostApplicationProvider, *screens_, *measurer_});
    anchorResolver_ = std::make_unique<ClipboardFloatingAnchorResolver>(
        s.accessibilityPermissionManager, *detector_,
        [screens = screens_.get()] { return screens->mouseLocation(); });
}

FloatingClipboardPanelController& FloatingPanelAssembly::controller() {
    if (controller_) return *controller_;
    if (!anchorResolver_) buildCaretLookup();
    auto& s = services_;
    const PasteBackServices pasteBack = s.pasteBack();
    completions_ =
        std::make_unique<ClipboardSearchAutoCompleteManager>(s.userDefaults, &s.appIdentityResolver);

    ClipboardPanelViewModel* viewModel = s.sharedViewModel ? s.sharedViewModel() : nullptr;
    if (!viewModel) {
        ownViewModel_ = std::make_unique<ClipboardPanelViewModel>(ClipboardPanelViewModel::Dependencies{
            s.clipboardHistoryManager(), s.clipboardSearchService(), s.mainQueue, s.pasteboard,
            s.userDefaults, s.appIdentityResolver, s.clock});
        viewModel = ownViewModel_.get();
    }
    controller_ = std::make_unique<FloatingClipboardPanelController>(
        FloatingClipboardPanelController::Dependencies{*viewModel,
                                                       s.mainQueue,
                                                       s.userDefaults,
                                                       s.distributionChannel,
                                                       s.updateState,
                                                       {},
                                                       s.checkForUpdates,
                                                       s.accessibilityPermissionManager,
                                                       pasteBack.windowActivation,
                                                       pasteBack.performer,
                                                       *anchorResolver_,
                                                       *screens_,
                                                       s.pasteboard,
                                                       *completions_,
                                                       nullptr});
    controller_->onOpenSettings = s.onOpenSettings;
    controller_->floatingPanel().userTime = s.hotkeyTimestamp;
    return *controller_;
}

}  // namespace quorvane
