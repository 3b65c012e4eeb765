#pragma once

// The list of history entries in the panels: rows painted in a scroll area (no widget per row), an optional
// "Show more..." row, or the type-filter suggestions while a filter word is typed. Its rules live in
// ClipboardResultListState; this widget draws them and turns pointer, wheel and key input into its calls.
// Every user intent leaves through `callbacks`; a callback that is not set makes its event do nothing.
// Main thread only.

#include <QAbstractScrollArea>
#include <QDrag>
#include <QMenu>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "model/ClipboardHistoryContentSnapshot.h"
#include "panel/model/ClipboardResultListState.h"
#include "panel/model/ClipboardRowPresentation.h"
#include "panel/widgets/ClipboardAppIconProvider.h"

namespace quorvane {

struct ClipboardResultListViewCallbacks {
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemSelected;
    std::function<void(int row, ClipboardResultListSelectionSource)> onSelectionChanged;
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemClicked;
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemDoubleClicked;
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemDelete;
    std::function<void(const std::string& link)> onItemOpenLink;
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemOpenWithDefaultApp;
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemSaveToFile;
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemPin;
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemOCR;
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemCopy;
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemCopyAsPlainText;
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemToggleFormat;
    std::function<void(const ClipboardFilterSuggestion&)> onFilterSuggestionSelected;
    // Asks for an entry's content; the answer (none when it is gone) may come later, on the main thread.
    std::function<void(const std::string& id,
                       std::function<void(std::optional<ClipboardHistoryContentSnapshot>)> reply)>
        onRequestContent;
    // A drag of the entry out of the list began; it ended with the drop action (Qt::IgnoreAction when the
    // drop was refused or cancelled).
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onDragStarted;
    std::function<void(const ClipboardHistoryIndexSnapshot&, Qt::DropAction)> onDragEnded;
    std::function<void()> onLoadMore;
    std::function<void()> onScrollInteraction;
    std::function<void()> onContextMenuWillOpen;
};

class ClipboardResultListView : public QAbstractScrollArea {
    Q_OBJECT
public:
    // `icons` may be null (no application icons); it must outlive the list.
    ClipboardResultListView(ClipboardResultListMode mode, ClipboardResultListRowStyle rowStyle,
                            ClipboardAppIconProvider* icons, QWidget* parent = nullptr);
    ~ClipboardResultListView() override;

    ClipboardResultListViewCallbacks callbacks;

    const ClipboardResultListState& state() const { return state_; }
    ClipboardResultListContentMode contentMode() const { return state_.contentMode(); }
    ClipboardResultListRowStyle rowStyle() const { return rowStyle_; }
    void setRowStyle(ClipboardResultListRowStyle style);
    ClipboardHoverSelectionGate& hoverSelectionGate() { return state_.hoverSelectionGate; }

    void setItems(std::vector<ClipboardHistoryIndexSnapshot> items, bool hasMore, bool resetSelection);
    void setFilterSuggestions(std::vector<ClipboardFilterSuggestion> suggestions);
    void exitFilterSuggestionMode();
    void selectItem(int index, ClipboardResultListSelectionSource source);
    void moveFilterSuggestionSelection(bool up);
    std::optional<ClipboardFilterSuggestion> confirmSelectedFilterSuggestion();
    std::optional<ClipboardHistoryIndexSnapshot> selectedItem() const { return state_.selectedItem(); }
    void deleteSelectedItem();
    void triggerAutoLoadMoreIfNeeded();
    // Return in a panel: takes the highlighted filter suggestion, or loads more on the show-more row. False
    // when an entry (or nothing) is highlighted, which the panel confirms itself.
    bool confirmSuggestionOrShowMore();
    // Opens the selected entry's menu at the centre of its row.
    void showContextMenuForSelectedItem();
    // The same, but at `fallbackViewportPoint` (viewport coordinates) when the row is scrolled out of view.
    void showContextMenuForSelectedItem(const QPoint& fallbackViewportPoint);
    // The row's rectangle in screen coordinates, none when there is no such row.
    std::optional<QRect> screenRectForRow(int row) const;
    // The row's rectangle in viewport coordinates.
    QRect rowRect(int row) const;
    // Entries plus the show-more row, or the suggestions.
    int rowCount() const { return state_.rowCount(); }
    // What the row shows (screen readers read the same); `row` must be below rowCount().
    ClipboardRowPresentation rowPresentation(int row) const;
    // What a screen reader hears as the row's name: the title, for an image with its time and application.
    QString spokenRowName(int row) const;
    // The menu open now, if any (tests read it).
    QMenu* contextMenu() const { return menu_; }
    // The id of the entry whose content is ready for a drag, if any (tests read it).
    std::optional<std::string> preparedDragContentId() const;

    // Where dragged images are written; empty: the private drag-out folder.
    std::function<std::filesystem::path()> dragFolder;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Runs the drag and returns how it ended; tests replace the platform's drag loop.
    virtual Qt::DropAction executeDrag(QDrag& drag);

private:
    struct PreparedDragContent {
        std::string id;
        ClipboardHistoryContentSnapshot content;
    };

    bool isDraggableRow(int row) const;
    void prefetchDragContent(int row);
    void requestDrag(int row);
    // False when the entry offers nothing to drag.
    bool startDrag(const ClipboardHistoryIndexSnapshot& entry, const ClipboardHistoryContentSnapshot& content,
                   int row);
    void apply(const ClipboardResultListUpdate& update);
    // Tells screen readers about new rows and a moved selection.
    void announce(const ClipboardResultListUpdate& update);
    void updateScrollRange();
    int rowAtViewportPoint(const QPoint& point) const;
    void paintRow(QPainter& painter, int row, const QRect& rect);
    void openContextMenu(const ClipboardHistoryIndexSnapshot& item, const QPoint& viewportPoint);
    void presentContextMenu(const ClipboardHistoryIndexSnapshot& item,
                            const std::optional<ClipboardHistoryContentSnapshot>& content,
                            const QPoint& viewportPoint);

    ClipboardResultListState state_;
    ClipboardResultListMode mode_;
    ClipboardResultListRowStyle rowStyle_;
    ClipboardAppIconProvider* icons_;
    int hoveredRow_ = -1;
    int pressedRow_ = -1;
    bool pressIsDoubleClick_ = false;
    std::uint64_t menuRequest_ = 0;
    QPointer<QMenu> menu_;

    QPoint pressPosition_;
    // The press already asked for a drag; the next press starts over.
    bool dragRequested_ = false;
    std::optional<PreparedDragContent> preparedDragContent_;
    // Content requests carry these; an answer to an older one is dropped.
    std::uint64_t prefetchRequest_ = 0;
    std::uint64_t dragRequest_ = 0;
};

}  // namespace quorvane
