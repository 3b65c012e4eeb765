#pragma once

// Drives the floating presentation of the clipboard panel: opens the floating window at the text caret (or
// the mouse pointer), mirrors the shared panel view model into the window and the result list, hands
// selection changes to the preview coordination, keeps the footer current and remembers the window to paste
// back into. Paste back, copy and the actions menu are in FloatingClipboardPanelControllerActions.cpp; open,
// save, pin and recognise text are the program's shared entry actions.
// Made once by the container; main thread only. Late callbacks hold it weakly.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "floating/model/ClipboardFloatingAnchorResolving.h"
#include "floating/model/FloatingClipboardPanelDelegate.h"
#include "floating/model/FloatingClipboardPreviewCoordinator.h"
#include "floating/model/FloatingClipboardPreviewHost.h"
#include "floating/widgets/FloatingClipboardPanel.h"
#include "floating/widgets/FloatingClipboardPreviewController.h"
#include "panel/model/ClipboardItemActions.h"
#include "panel/model/ClipboardPanelControlling.h"
#include "panel/model/ClipboardPanelViewModel.h"
#include "panel/model/PanelSession.h"
#include "panel/model/PasteBackPerformer.h"
#include "platform/Pasteboard.h"
#include "platform/ScreenProvider.h"
#include "platform/UserDefaults.h"
#include "platform/WindowActivation.h"
#include "preferences/DistributionChannel.h"
#include "system/AccessibilityPermissionManagerProtocol.h"

namespace quorvane {

class PanelItemActions;

class FloatingClipboardPanelController final : public ClipboardPanelControlling,
                                               public FloatingClipboardPanelDelegate,
                                               public FloatingClipboardPreviewHost {
public:
    // What the controller works with; every reference must outlive it.
    struct Dependencies {
        ClipboardPanelViewModel& viewModel;
        MainQueue& mainQueue;
        UserDefaults& userDefaults;
        DistributionChannel distributionChannel;
        // The updater, for the footer's update notice: its state, a way to hear of changes, the check.
        std::function<ClipboardFooterUpdateState()> updateState;
        std::function<Subscription(std::function<void()>)> observeUpdater;
        std::function<void()> checkForUpdates;
        const AccessibilityPermissionManagerProtocol& accessibilityPermissionManager;
        WindowActivation& windowActivation;
        PasteBackPerformer& pasteBackPerformer;
        ClipboardFloatingAnchorResolving& anchorResolver;
        const ScreenProvider& screens;
        Pasteboard& pasteboard;
        const ClipboardSearchAutoCompleteManager& completions;
        // May be null (rows show no application icons).
        ClipboardAppIconProvider* icons = nullptr;
    };

    explicit FloatingClipboardPanelController(Dependencies dependencies);
    ~FloatingClipboardPanelController() override;
    FloatingClipboardPanelController(const FloatingClipboardPanelController&) = delete;
    FloatingClipboardPanelController& operator=(const FloatingClipboardPanelController&) = delete;

    // Set by the container.
    std::function<void()> onOpenSettings;
    // The program's entry actions; null (the start) makes them do nothing. The object must outlive the
    // controller or be replaced before it goes.
    void setItemActions(ClipboardItemActions* itemActions);

    // ClipboardPanelControlling
    bool isPanelVisible() const override;
    void showPanel() override;
    void hidePanel() override;

    // FloatingClipboardPanelDelegate
    void searchTextDidChange(const std::string& text) override;
    void copySelection() override;
    void moveSelection(bool up) override;
    void confirmSelection() override;
    void confirmSelectionAsPlainText() override;
    void deleteSelectedItem() override;
    void showActionsMenuForSelectedItem() override;
    void openSelectedItemWithDefaultApp() override;
    void saveSelectedItem() override;
    void pinSelectedItem() override;
    void toggleFormattingForSelectedItem() override;
    void togglePinnedPreview() override;
    bool acceptSelectedFilterSuggestion() override;
    bool cancelFilterSuggestion() override;
    void openSettings() override;
    void performFooterAction(ClipboardFooterStatusPresentation::Action::Kind kind) override;

    // FloatingClipboardPreviewHost
    bool isShowPending() const override { return showPending_; }
    std::optional<ScreenRect> selectedRowScreenRect() const override;
    std::optional<ScreenRect> panelScreenFrame() const override;
    std::optional<FloatingClipboardPreviewPlacement> previewPlacement(ScreenRect panel, ScreenRect row,
                                                                      double width,
                                                                      double height) const override;
    double wrappedTextHeight(const std::string& text, double width) const override;
    bool isShowingFilterSuggestions() const override;

    // Entry actions.
    void pasteItem(const std::optional<ClipboardHistoryIndexSnapshot>& entry, bool asPlainText);
    void copyItem(const ClipboardHistoryIndexSnapshot& entry, bool asPlainText);
    void handleDragEnded(const ClipboardHistoryIndexSnapshot& entry, bool dropped);

    FloatingClipboardPanel& floatingPanel() { return *floatingPanel_; }
    FloatingClipboardPreviewController& previewPresenter() { return *previewPresenter_; }
    FloatingClipboardPreviewCoordinator& previewCoordinator() { return *preview_; }
    ClipboardResultListView& resultList() { return *list_; }
    const std::optional<ReturnTarget>& returnTarget() const { return session_.returnTarget(); }
    const std::string& clipboardSearchText() const { return session_.searchText(); }

private:
    void confirm(bool asPlainText);
    void setUpCallbacks();
    void bindViewModel();
    void viewModelChanged(ClipboardPanelViewModel::Changes changes);
    void itemDeleted(std::size_t selectedIndex);
    void showPanelAtResolvedAnchor();
    void handleLoadMore();
    void handleFilterSuggestions(const std::string& text);
    void applyFilterSuggestion(const ClipboardFilterSuggestion& suggestion);
    void leaveFilterSuggestionMode(const std::string& text);
    void rememberPostDeletionSelection(ClipboardResultListSelectionSource source);
    void updateEmptyState();
    void refreshFooterStatus();
    // Fetches an entry's content; `body` runs only when it arrived and the controller still exists.
    void withContent(const ClipboardHistoryIndexSnapshot& entry,
                     std::function<void(const ClipboardHistoryContentSnapshot&)> body);
    std::optional<std::string> formattedText(const ClipboardHistoryIndexSnapshot& entry,
                                             const ClipboardHistoryContentSnapshot& content) const;
    std::optional<ClipboardHistoryIndexSnapshot> selectedHistoryEntry() const;

    Dependencies deps_;
    ClipboardPanelViewModel& viewModel_;
    std::unique_ptr<ClipboardResultListView> list_;
    std::unique_ptr<FloatingClipboardPanel> floatingPanel_;
    std::unique_ptr<FloatingClipboardPreviewController> previewPresenter_;
    std::unique_ptr<FloatingClipboardPreviewCoordinator> preview_;
    PanelSession session_;
    std::unique_ptr<PanelItemActions> itemActions_;

    bool showPending_ = false;
    std::uint64_t showGeneration_ = 0;
    Subscription viewModelSubscription_;
    Subscription itemDeletedSubscription_;
    Subscription updaterSubscription_;
    Subscription defaultsSubscription_;
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace quorvane
