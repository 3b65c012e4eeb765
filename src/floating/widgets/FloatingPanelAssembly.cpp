#include "floating/widgets/FloatingPanelAssembly.h"

#include "floating/model/ClipboardFloatingAnchorResolver.h"
#include "floating/model/TextCaretPositionDetector.h"
#include "platform/linux/AtSpiAccessibleElementPort.h"
#include "platform/linux/QtScreenProvider.h"
#include "platform/linux/QtTextWidthMeasurer.h"
#include "platform/linux/QtWorkspaceOpener.h"

namespace quorvane {

namespace {

// Stand-ins while no desktop backend is given: no window is known, none activates, nothing is posted.
class NoWindowActivation final : public WindowActivation {
public:
    std::optional<ReturnTarget> activeWindow() const override { return std::nullopt; }
    bool activate(const ReturnTarget&) override { return false; }
    std::optional<WindowClass> windowClass(const ReturnTarget&) const override { return std::nullopt; }
};

class NoPasteShortcutPoster final : public PasteShortcutPoster {
public:
    bool postPasteShortcut(PasteKeystroke) override { return false; }
};

}  // namespace

FloatingPanelAssembly::FloatingPanelAssembly(Services services) : services_(std::move(services)) {}

FloatingPanelAssembly::~FloatingPanelAssembly() {
    // The controller holds the view model and the platform pieces by reference: it goes first.
    controller_.reset();
}

FloatingClipboardPanelController& FloatingPanelAssembly::controller() {
    if (controller_) return *controller_;
    auto& s = services_;
    screens_ = std::make_unique<QtScreenProvider>();
    measurer_ = std::make_unique<QtTextWidthMeasurer>();
    elements_ = std::make_unique<AtSpiAccessibleElementPort>(&s.frontmostApplicationProvider);
    detector_ = std::make_unique<TextCaretPositionDetector>(TextCaretPositionDetector::Services{
        *elements_, s.frontmostApplicationProvider, *screens_, *measurer_});
    anchorResolver_ = std::make_unique<ClipboardFloatingAnchorResolver>(
        s.accessibilityPermissionManager, *detector_,
        [screens = screens_.get()] { return screens->mouseLocation(); });
    windowActivation_ = s.makeWindowActivation ? s.makeWindowActivation() : nullptr;
    if (!windowActivation_) windowActivation_ = std::make_unique<NoWindowActivation>();
    pasteShortcutPoster_ = s.makePasteShortcutPoster ? s.makePasteShortcutPoster() : nullptr;
    if (!pasteShortcutPoster_) pasteShortcutPoster_ = std::make_unique<NoPasteShortcutPoster>();
    pasteBack_ = std::make_unique<PasteBackPerformer>(s.mainQueue, *windowActivation_, *pasteShortcutPoster_,
                                                      s.pasteboard);
    workspace_ = std::make_unique<QtWorkspaceOpener>();
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
                                                       *workspace_,
                                                       *windowActivation_,
                                                       *pasteBack_,
                                                       *anchorResolver_,
                                                       *screens_,
                                                       s.pasteboard,
                                                       s.alertPresenter,
                                                       *completions_,
                                                       nullptr});
    controller_->onOpenSettings = s.onOpenSettings;
    controller_->pinWindowFactory = pinWindowFactory;
    controller_->presentOCRWindow = presentOCRWindow;
    controller_->floatingPanel().userTime = s.hotkeyTimestamp;
    return *controller_;
}

}  // namespace quorvane
