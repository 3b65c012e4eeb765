#pragma once

// The floating panel's window: a fixed 420 x 360 frameless tool window with the search field, the shared
// result list, an empty-state message and a one-line footer. Passive: it shows where its controller says,
// turns the keys typed while it shows into delegate calls (through FloatingPanelKeyMap) and reports losing
// the keyboard. Built on first use and reused. Main thread only.

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <optional>

#include "floating/model/FloatingClipboardPanelDelegate.h"
#include "floating/model/FloatingPanelKeyMap.h"
#include "floating/widgets/FloatingClipboardPanelRootView.h"
#include "panel/model/ClipboardSearchAutoCompleteManager.h"
#include "panel/widgets/ClipboardFooterTipButton.h"
#include "panel/widgets/ClipboardResultListView.h"
#include "panel/widgets/ClipboardTextField.h"
#include "ui/KeyablePanel.h"

class QKeyEvent;

namespace quorvane {

class FloatingClipboardPanel : public QObject {
    Q_OBJECT
public:
    static constexpr int panelWidth = 420;
    static constexpr int panelHeight = 360;

    // `completions` must outlive the panel.
    explicit FloatingClipboardPanel(const ClipboardSearchAutoCompleteManager& completions);
    ~FloatingClipboardPanel() override;

    // Not owned; must outlive the panel or be reset to null first.
    FloatingClipboardPanelDelegate* delegate = nullptr;
    // The X server time of the key press that asks for the panel, so the window manager lets it take the
    // focus; unset or 0: none known.
    std::function<std::uint32_t()> userTime;

    // Puts the list into the panel, building the window on first use.
    void attachResultList(ClipboardResultListView* list);
    // Shows the window with its top-left corner at `origin` and gives the search field the keyboard.
    void show(ScreenPoint origin);
    void hide();
    bool isVisible() const;
    void setSearchText(const std::string& text);
    void setFilterSuggestionFooterMode(bool on);
    void updateEmptyState(const std::string& message, bool isListEmpty);
    void updateFooterStatus(std::optional<ClipboardFooterStatusPresentation> presentation);

    // Null until built.
    KeyablePanel* window() const { return panel_; }
    FloatingClipboardPanelRootView* rootView() const { return rootView_; }
    ClipboardTextField* searchField() const { return searchField_; }
    QLabel* emptyStateLabel() const { return emptyLabel_; }
    QLabel* statusLabel() const { return statusLabel_; }
    ClipboardFooterTipButton* primaryTipButton() const { return primaryTip_; }
    ClipboardFooterTipButton* secondaryTipButton() const { return secondaryTip_; }

    // The key as the panel's table sees it; none for keys the table never names.
    static FloatingPanelKeyPress keyPressOf(const QKeyEvent& event, const ClipboardTextField* field);
    // Handles a key typed while the panel shows; true when consumed.
    bool handleKeyDown(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void refreshFooter();
    void layoutEmptyLabel();
    void installKeyMonitor();
    void removeKeyMonitor();
    void pasteIntoSearchField();
    void primaryTipClicked();
    void secondaryTipClicked();

    const ClipboardSearchAutoCompleteManager& completions_;
    QPointer<KeyablePanel> panel_;
    FloatingClipboardPanelRootView* rootView_ = nullptr;
    ClipboardTextField* searchField_ = nullptr;
    QPointer<ClipboardResultListView> list_;
    QWidget* listHolder_ = nullptr;
    QLabel* emptyLabel_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    ClipboardFooterTipButton* primaryTip_ = nullptr;
    ClipboardFooterTipButton* secondaryTip_ = nullptr;
    std::optional<ClipboardFooterStatusPresentation> statusPresentation_;
    bool isFilterSuggestionFooterMode_ = false;
    bool monitorInstalled_ = false;
};

}  // namespace quorvane
