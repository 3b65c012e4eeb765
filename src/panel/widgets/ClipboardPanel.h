#pragma once

// The centred clipboard-history window: a frameless 780 x 460 panel with the search row, a split view of the
// result list and the detail pane, and a footer with a status line and two key-hint buttons. It opens on the
// screen under the mouse pointer where the user last left it, takes the keyboard focus and, while shown,
// sends every key press through ClipboardPanelKeyMap to its delegate (the controller). It holds no clipboard
// logic of its own. Main thread only.

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <map>
#include <optional>

#include "panel/model/ClipboardFooterStatusPresentation.h"
#include "panel/model/ClipboardPanelKeyMap.h"
#include "platform/Pasteboard.h"
#include "platform/ScreenProvider.h"
#include "platform/UserDefaults.h"

class QLabel;
class QWidget;
class QKeyEvent;

namespace quorvane {

class ClipboardDetailView;
class ClipboardFooterTipButton;
class ClipboardPanelDelegate;
class ClipboardResultListView;
class ClipboardSearchAutoCompleteManager;
class ClipboardSearchRowView;
class ClipboardTextField;
class CustomSplitView;
class DraggableBackgroundView;
class KeyablePanel;

class ClipboardPanel : public QObject, private ClipboardPanelKeyTarget {
    Q_OBJECT
public:
    // The settings key of the list side's width.
    static constexpr const char* splitViewAutosaveName = "ClipboardSplitView";
    static constexpr int minimumListWidth = 150;
    static constexpr int minimumDetailWidth = 200;

    // Everything must outlive the panel.
    struct Dependencies {
        UserDefaults& userDefaults;
        const ScreenProvider& screens;
        Pasteboard& pasteboard;
        const ClipboardSearchAutoCompleteManager& autoCompleteManager;
    };

    explicit ClipboardPanel(Dependencies dependencies, QObject* parent = nullptr);
    ~ClipboardPanel() override;

    // The controller; held weakly in spirit: it owns the panel.
    ClipboardPanelDelegate* delegate = nullptr;

    // Makes the window when there is none and puts the two views into the split view.
    void createPanel(ClipboardResultListView& list, ClipboardDetailView& detail);
    // Places and shows the window, focuses the search field and starts handling keys. `userTime` is the X
    // server time of the key press that asked for the panel (0 when none), so the window manager lets the
    // panel take the focus.
    void showPanel(std::uint32_t userTime = 0);
    // Saves the position, hides the window, stops handling keys and empties the search field.
    void hidePanel();
    void updateFooterStatus();

    std::optional<ClipboardFooterStatusPresentation> footerStatusPresentation;
    bool isFilterSuggestionFooterMode = false;

    bool isVisible() const;
    // The window, once made.
    KeyablePanel* window() const { return window_; }
    ClipboardTextField* searchField() const;
    ClipboardSearchRowView* searchRow() const { return searchRow_; }
    QLabel* statusLabel() const { return statusLabel_; }
    ClipboardFooterTipButton* primaryTipButton() const { return primaryTipButton_; }
    ClipboardFooterTipButton* secondaryTipButton() const { return secondaryTipButton_; }
    CustomSplitView* splitView() const { return splitView_; }
    QWidget* dividerLine() const { return customDivider_; }
    std::optional<double> lastKnownDividerPosition() const { return lastKnownDividerPosition_; }

    // Sends a key press through the key map as the event filter does; true when it was consumed.
    bool handleKeyDown(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void makeWindow();
    void makeSplitView();
    void embed(ClipboardResultListView& list, ClipboardDetailView& detail);
    void syncDividerLine();
    void placeDivider(int position);
    void savePosition();
    void installKeyMonitor();
    void removeKeyMonitor();
    void primaryTipClicked();
    void secondaryTipClicked();
    QWidget* separator(QWidget* parent);

    // ClipboardPanelKeyTarget
    bool isSearchFieldEditing() const override;
    bool searchFieldHasSelection() const override;
    bool searchFieldHasMarkedText() const override;
    bool hasGhostSuffix() const override;
    bool showsFilterSuggestions() const override;
    bool cancelFilterSuggestion() override;
    bool acceptSelectedFilterSuggestion() override;
    void acceptGhost() override;
    void selectAllSearchTextLater() override;
    bool selectAllDetailText() override;
    std::optional<std::string> selectedSearchText() const override;
    std::optional<std::string> selectedDetailText() const override;
    void copyPlainText(const std::string& text) override;
    void copySelectedItem() override;
    void pasteIntoSearchField() override;
    void moveFilterSuggestionSelection(bool up) override;
    void moveViewModelSelection(bool up) override;
    void moveSelection(bool up) override;
    void confirmSelection() override;
    void confirmSelectionAsPlainText() override;
    void saveSelectedItem() override;
    void toggleDetailFormat() override;
    void dismissPanel() override;
    void openSelectedItemWithDefaultApp() override;
    void pinSelectedItem() override;
    void showActionsMenuForSelectedItem() override;
    void openSettings() override;
    void deleteSelectedItem() override;

    Dependencies dependencies_;
    QPointer<KeyablePanel> window_;
    DraggableBackgroundView* background_ = nullptr;
    ClipboardSearchRowView* searchRow_ = nullptr;
    QWidget* topSeparatorLine_ = nullptr;
    QWidget* separatorLine_ = nullptr;
    CustomSplitView* splitView_ = nullptr;
    QWidget* customDivider_ = nullptr;
    std::optional<double> lastKnownDividerPosition_;
    // One container per list object, kept while the panel lives.
    std::map<const ClipboardResultListView*, QPointer<QWidget>> listContainerCache_;
    QLabel* statusLabel_ = nullptr;
    ClipboardFooterTipButton* primaryTipButton_ = nullptr;
    ClipboardFooterTipButton* secondaryTipButton_ = nullptr;
    bool keyMonitorInstalled_ = false;
};

}  // namespace quorvane
