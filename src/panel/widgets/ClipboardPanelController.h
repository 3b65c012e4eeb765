#pragma once

// Drives the centred clipboard panel: owns the window (ClipboardPanel), the result list and the detail pane,
// binds the shared ClipboardPanelViewModel to them, and turns keys and clicks into searches, filter
// suggestions, copies and the paste-back into the window the user came from. The panel coordinator shows and
// hides it through ClipboardPanelControlling. Made once by the container; lives for the process.
// Main thread only; every late callback holds the controller weakly.

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/CallbackList.h"
#include "model/ClipboardHistoryContentSnapshot.h"
#include "panel/model/ClipboardFooterStatusPresentation.h"
#include "panel/model/ClipboardItemActions.h"
#include "panel/model/ClipboardPanelControlling.h"
#include "panel/model/ClipboardPanelViewModel.h"
#include "panel/model/ClipboardSearchAutoCompleteManager.h"
#include "panel/model/PanelSession.h"
#include "panel/model/PasteBackPerformer.h"
#include "panel/widgets/ClipboardPanelDelegate.h"
#include "platform/ApplicationCatalog.h"
#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/PasteShortcutPoster.h"
#include "platform/Pasteboard.h"
#include "platform/ScreenProvider.h"
#include "platform/UserDefaults.h"
#include "platform/WindowActivation.h"
#include "preferences/DistributionChannel.h"
#include "system/AccessibilityPermissionManagerProtocol.h"
#include "ui/Throttler.h"

namespace quorvane {

class ClipboardAppIconProvider;
class ClipboardDetailView;
class ClipboardPanel;
class PanelItemActions;
class ClipboardResultListView;
struct ClipboardFilterSuggestion;

class ClipboardPanelController final : public QObject,
                                       public ClipboardPanelControlling,
                                       public ClipboardPanelDelegate {
    Q_OBJECT
public:
    static constexpr double detailHighlightRefreshDelay = 0.15;
    static constexpr double resizeThrottleInterval = 0.016;

    // Every reference must outlive the controller.
    struct Dependencies {
        ClipboardPanelViewModel& viewModel;
        UserDefaults& userDefaults;
        MainQueue& mainQueue;
        const Clock& clock;
        Pasteboard& pasteboard;
        const ScreenProvider& screens;
        WindowActivation& windowActivation;
        PasteShortcutPoster& pasteShortcutPoster;
        const AccessibilityPermissionManagerProtocol& accessibilityPermissionManager;
    };
    // What the program adds to the panel; the defaults suit tests.
    struct Options {
        DistributionChannel distributionChannel = DistributionChannel::direct;
        // Application icons in the list and app: completions; both may be null.
        const ApplicationCatalog* applicationCatalog = nullptr;
        const ClipboardAppIdentityResolver* appIdentityResolver = nullptr;
        // Opens the settings window.
        std::function<void()> onOpenSettings = {};
        // The updater's state for the footer's update notice, and its check; either may be empty.
        std::function<ClipboardFooterUpdateState()> updateState = {};
        std::function<void()> checkForUpdates = {};
        // The X server time of the last hot-key press; empty or 0 when unknown.
        std::function<std::uint32_t()> hotkeyTimestamp = {};
        // The program's one paste-back, which the floating panel shares, so one runs at a time across both;
        // null: one of the controller's own over the dependencies' window activation and paste keystroke.
        PasteBackPerformer* pasteBack = nullptr;
    };

    explicit ClipboardPanelController(Dependencies dependencies, QObject* parent = nullptr);
    ClipboardPanelController(Dependencies dependencies, Options options, QObject* parent = nullptr);
    ~ClipboardPanelController() override;

    // The program's entry actions; null (the start) makes them do nothing. The object must outlive the
    // controller or be replaced before it goes.
    void setItemActions(ClipboardItemActions* itemActions);
    // A drag of `entry` out of the list ended; `dragOperation` 0 means nothing was dropped.
    void dragEnded(const ClipboardHistoryIndexSnapshot& entry, int dragOperation);

    // ClipboardPanelControlling
    bool isPanelVisible() const override;
    void showPanel() override;
    void hidePanel() override;

    // ClipboardPanelDelegate
    bool cancelFilterSuggestion() override;
    bool acceptSelectedFilterSuggestion() override;
    bool selectAllDetailText() override;
    std::optional<std::string> selectedDetailText() override;
    void copyItem(const ClipboardHistoryIndexSnapshot& entry, bool asPlainText) override;
    void searchTextDidChange(const std::string& text) override;
    void moveSelection(bool up) override;
    void confirmSelection() override;
    void confirmSelectionAsPlainText() override;
    void showActionsMenuForSelectedItem() override;
    void openSelectedItemWithDefaultApp() override;
    void saveSelectedItem() override;
    void pinSelectedItem() override;
    void clipboardPanelDidResizeSplitView() override;
    void openSettings() override;
    void checkForUpdates() override;
    ClipboardResultListView& clipboardResultListView() override { return *list_; }
    ClipboardDetailView& clipboardDetailView() override { return *detail_; }
    ClipboardPanelViewModel& viewModel() override { return dependencies_.viewModel; }

    // Confirms `entry`, else the selected one (a click, Return).
    void pasteSelectedItem(std::optional<ClipboardHistoryIndexSnapshot> entry, bool asPlainText);

    ClipboardPanel& clipboardPanel() { return *panel_; }
    const std::optional<ReturnTarget>& returnTarget() const { return session_.returnTarget(); }
    const std::string& clipboardSearchText() const { return session_.searchText(); }
    const std::string& stableClipboardHighlightQuery() const { return stableClipboardHighlightQuery_; }

private:
    void setupCallbacks();
    void setupBindings();
    void viewModelChanged(ClipboardPanelViewModel::Changes changes);
    // Lists the view model's rows with its selection, or the detail pane's empty state.
    void listItems();
    void itemDeleted(std::size_t index);
    void refreshFooterStatus();
    void scheduleClipboardHighlightRefresh();
    void handleFilterSuggestionQuery(const std::string& text);
    void setFilterSuggestionFooterMode(bool on);
    void applyFilterSuggestion(const ClipboardFilterSuggestion& suggestion);
    void leaveFilterSuggestionMode(const std::string& text);
    bool inFilterSuggestionMode() const;
    void showSelectedInDetail();
    void confirm(bool asPlainText);
    void requestContent(const std::string& id,
                        std::function<void(std::optional<ClipboardHistoryContentSnapshot>)> reply);

    Dependencies dependencies_;
    Options options_;
    ClipboardSearchAutoCompleteManager autoCompleteManager_;
    std::unique_ptr<ClipboardAppIconProvider> icons_;
    std::unique_ptr<ClipboardResultListView> list_;
    std::unique_ptr<ClipboardDetailView> detail_;
    std::unique_ptr<ClipboardPanel> panel_;
    std::unique_ptr<PasteBackPerformer> ownPasteBack_;
    PanelSession session_;
    std::unique_ptr<PanelItemActions> itemActions_;
    std::unique_ptr<Throttler> resizeThrottler_;

    std::string stableClipboardHighlightQuery_;
    Timer clipboardHighlightRefresh_;

    Subscription viewModelSubscription_;
    Subscription itemDeletedSubscription_;
    Subscription defaultsSubscription_;
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace quorvane
