#include "panel/widgets/ClipboardResultListView.h"

#include <QAccessible>
#include <QApplication>
#include <QDateTime>
#include <QDrag>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <algorithm>
#include <system_error>

#include "base/Logger.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardContextMenuPresentation.h"
#include "panel/model/ClipboardDragFiles.h"
#include "panel/model/ClipboardResultListGeometry.h"
#include "panel/model/ClipboardRowPresentation.h"
#include "panel/widgets/ClipboardDragMimeData.h"
#include "panel/widgets/ClipboardResultListAccessible.h"
#include "ui/UiColors.h"
#include "ui/UiSymbols.h"

namespace quorvane {
namespace {

using Geometry = ClipboardResultListGeometry;

ClipboardPointerLocation location(const QPointF& global) {
    return {global.x(), global.y()};
}

}  // namespace

ClipboardResultListView::ClipboardResultListView(ClipboardResultListMode mode,
                                                 ClipboardResultListRowStyle rowStyle,
                                                 ClipboardAppIconProvider* icons, QWidget* parent)
    : QAbstractScrollArea(parent), mode_(mode), rowStyle_(rowStyle), icons_(icons) {
    ClipboardResultListAccessible::installFactory();
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The panels show no scrollers; the wheel and the keys still scroll.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(static_cast<int>(Geometry::rowPitch(rowStyle_)) / 2);

    // The state's intents go out through the public callbacks, read when they fire.
    state_.callbacks.onItemSelected = [this](const auto& item) {
        if (callbacks.onItemSelected) callbacks.onItemSelected(item);
    };
    state_.callbacks.onSelectionChanged = [this](int row, ClipboardResultListSelectionSource source) {
        if (callbacks.onSelectionChanged) callbacks.onSelectionChanged(row, source);
    };
    state_.callbacks.onItemClicked = [this](const auto& item) {
        if (callbacks.onItemClicked) callbacks.onItemClicked(item);
    };
    state_.callbacks.onItemDoubleClicked = [this](const auto& item) {
        if (callbacks.onItemDoubleClicked) callbacks.onItemDoubleClicked(item);
    };
    state_.callbacks.onItemDelete = [this](const auto& item) {
        if (callbacks.onItemDelete) callbacks.onItemDelete(item);
    };
    state_.callbacks.onFilterSuggestionSelected = [this](const auto& suggestion) {
        if (callbacks.onFilterSuggestionSelected) callbacks.onFilterSuggestionSelected(suggestion);
    };
    state_.callbacks.onLoadMore = [this] {
        if (callbacks.onLoadMore) callbacks.onLoadMore();
    };

    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        const double visible = viewport()->height();
        const double document = Geometry::documentHeight(mode_, rowStyle_, state_.rowCount(), visible);
        const bool nearEnd = state_.rowCount() > 0 &&
                             Geometry::isNearEnd(rowStyle_, verticalScrollBar()->value(), visible, document);
        // Without the callback the state would refuse anyway; asking keeps the pending flag honest.
        if (callbacks.onLoadMore) state_.scrolled(nearEnd);
        viewport()->update();
    });
}

ClipboardResultListView::~ClipboardResultListView() {
    ++menuRequest_;
}

void ClipboardResultListView::setRowStyle(ClipboardResultListRowStyle style) {
    if (style == rowStyle_) return;
    rowStyle_ = style;
    updateScrollRange();
    updateGeometry();
    viewport()->update();
}

void ClipboardResultListView::setItems(std::vector<ClipboardHistoryIndexSnapshot> items, bool hasMore,
                                       bool resetSelection) {
    apply(state_.setItems(std::move(items), hasMore, resetSelection));
    if (preparedDragContent_) {
        const auto& listed = state_.items();
        const bool stillListed = std::any_of(listed.begin(), listed.end(), [&](const auto& item) {
            return item.id == preparedDragContent_->id;
        });
        if (!stillListed) preparedDragContent_.reset();
    }
}

void ClipboardResultListView::setFilterSuggestions(std::vector<ClipboardFilterSuggestion> suggestions) {
    apply(state_.setFilterSuggestions(std::move(suggestions)));
}

void ClipboardResultListView::exitFilterSuggestionMode() {
    apply(state_.exitFilterSuggestionMode());
}

void ClipboardResultListView::selectItem(int index, ClipboardResultListSelectionSource source) {
    apply(state_.selectItem(index, source));
}

void ClipboardResultListView::moveFilterSuggestionSelection(bool up) {
    apply(state_.moveFilterSuggestionSelection(up));
}

std::optional<ClipboardFilterSuggestion> ClipboardResultListView::confirmSelectedFilterSuggestion() {
    return state_.confirmSelectedFilterSuggestion();
}

void ClipboardResultListView::deleteSelectedItem() {
    state_.deleteSelectedItem();
}

void ClipboardResultListView::triggerAutoLoadMoreIfNeeded() {
    state_.triggerAutoLoadMoreIfNeeded();
}

bool ClipboardResultListView::confirmSuggestionOrShowMore() {
    if (state_.contentMode() == ClipboardResultListContentMode::filterSuggestions) {
        state_.confirmSelectedFilterSuggestion();
        return true;
    }
    if (!state_.isShowMoreRow(state_.selectedIndex())) return false;
    state_.triggerAutoLoadMoreIfNeeded();
    return true;
}

void ClipboardResultListView::showContextMenuForSelectedItem() {
    const auto item = state_.selectedItem();
    if (!item) return;
    openContextMenu(*item, rowRect(state_.selectedIndex()).center());
}

void ClipboardResultListView::showContextMenuForSelectedItem(const QPoint& fallbackViewportPoint) {
    const auto item = state_.selectedItem();
    if (!item) return;
    const QRect row = rowRect(state_.selectedIndex());
    openContextMenu(*item, viewport()->rect().intersects(row) ? row.center() : fallbackViewportPoint);
}

std::optional<QRect> ClipboardResultListView::screenRectForRow(int row) const {
    if (row < 0 || row >= state_.rowCount()) return std::nullopt;
    const QRect rect = rowRect(row);
    return QRect(viewport()->mapToGlobal(rect.topLeft()), rect.size());
}

QRect ClipboardResultListView::rowRect(int row) const {
    const int top = static_cast<int>(Geometry::rowTop(rowStyle_, row)) - verticalScrollBar()->value();
    return QRect(0, top, viewport()->width(), static_cast<int>(Geometry::rowHeight(rowStyle_)));
}

QSize ClipboardResultListView::sizeHint() const {
    return QSize(250, static_cast<int>(Geometry::intrinsicHeight(mode_, rowStyle_, state_.rowCount())));
}

QSize ClipboardResultListView::minimumSizeHint() const {
    return QSize(120, static_cast<int>(Geometry::rowPitch(rowStyle_)));
}

void ClipboardResultListView::apply(const ClipboardResultListUpdate& update) {
    if (update.rowsChanged) {
        hoveredRow_ = -1;
        updateScrollRange();
        updateGeometry();
    }
    if (update.scrollToTop) verticalScrollBar()->setValue(0);
    // Rows are laid out from the top, so appended rows leave the visible ones where they are.
    if (update.revealSelection) {
        const double visible = viewport()->height();
        const int rows = state_.rowCount();
        const double document = Geometry::documentHeight(mode_, rowStyle_, rows, visible);
        const double offset = Geometry::scrollOffsetRevealing(
            rowStyle_, rows, state_.highlightedRow(), state_.previousSelectedIndex(),
            verticalScrollBar()->value(), visible, document);
        verticalScrollBar()->setValue(static_cast<int>(std::lround(offset)));
    }
    if (update.rowsChanged || update.selectionChanged) viewport()->update();
    announce(update);
}

void ClipboardResultListView::announce(const ClipboardResultListUpdate& update) {
    if (!QAccessible::isActive() || !(update.rowsChanged || update.selectionChanged)) return;
    if (update.rowsChanged) {
        if (auto* accessible =
                dynamic_cast<ClipboardResultListAccessible*>(QAccessible::queryAccessibleInterface(this)))
            accessible->forgetRows();
        QAccessibleEvent reordered(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&reordered);
    }
    const int row = state_.highlightedRow();
    if (row < 0 || row >= state_.rowCount()) return;
    QAccessibleEvent selected(this, QAccessible::Selection);
    selected.setChild(row);
    QAccessible::updateAccessibility(&selected);
    // The keys stay in the search field; the reader follows the row it moves through.
    if (window()->isActiveWindow()) {
        QAccessibleEvent focused(this, QAccessible::Focus);
        focused.setChild(row);
        QAccessible::updateAccessibility(&focused);
    }
}

void ClipboardResultListView::updateScrollRange() {
    const double visible = viewport()->height();
    const double document = Geometry::documentHeight(mode_, rowStyle_, state_.rowCount(), visible);
    verticalScrollBar()->setPageStep(static_cast<int>(visible));
    verticalScrollBar()->setRange(0, std::max(0, static_cast<int>(std::ceil(document - visible))));
}

int ClipboardResultListView::rowAtViewportPoint(const QPoint& point) const {
    return Geometry::rowAt(rowStyle_, state_.rowCount(), point.y() + verticalScrollBar()->value());
}

void ClipboardResultListView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    const int rows = state_.rowCount();
    if (rows == 0) return;
    const double pitch = Geometry::rowPitch(rowStyle_);
    const int offset = verticalScrollBar()->value();
    const QRect dirty = event->rect();
    const int first = std::max(0, static_cast<int>((dirty.top() + offset - Geometry::topPadding) / pitch));
    for (int row = first; row < rows; ++row) {
        const QRect rect = rowRect(row);
        if (rect.top() > dirty.bottom()) break;
        paintRow(painter, row, rect);
    }
}

ClipboardRowPresentation ClipboardResultListView::rowPresentation(int row) const {
    const AppLanguage language = AppLanguage::current();
    if (state_.contentMode() == ClipboardResultListContentMode::filterSuggestions)
        return ClipboardRowPresentation::suggestion(state_.filterSuggestions()[row], language);
    if (state_.isShowMoreRow(row)) return ClipboardRowPresentation::showMore(language);
    const Date now(static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0);
    return ClipboardRowPresentation::entry(state_.items()[row], now, language);
}

QString ClipboardResultListView::spokenRowName(int row) const {
    const bool isEntry = state_.contentMode() != ClipboardResultListContentMode::filterSuggestions &&
                         !state_.isShowMoreRow(row);
    if (!isEntry) return QString::fromStdString(rowPresentation(row).title);
    const ClipboardHistoryIndexSnapshot& item = state_.items()[row];
    const Date now(static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0);
    const std::string application = icons_ ? icons_->applicationName(item.bundleIdentifier) : std::string();
    return QString::fromStdString(
        ClipboardRowPresentation::spokenName(item, now, AppLanguage::current(), application));
}

void ClipboardResultListView::paintRow(QPainter& painter, int row, const QRect& rect) {
    const QPalette& palette = this->palette();
    const ClipboardRowPresentation presentation = rowPresentation(row);

    if (row == state_.highlightedRow()) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect), 8, 8);
        painter.fillPath(path, UiColors::accent(palette, 0.2));
    }

    const bool compact = rowStyle_ == ClipboardResultListRowStyle::compact;
    const int iconSize = compact ? 18 : 24;
    const QRect iconRect(rect.left() + 8, rect.top() + (rect.height() - iconSize) / 2, iconSize, iconSize);
    const qreal dpr = devicePixelRatioF();
    switch (presentation.icon) {
        case ClipboardRowIcon::applicationIcon: {
            const QIcon icon =
                icons_ ? icons_->icon(presentation.bundleIdentifier) : UiSymbols::icon(UiSymbol::clipboard);
            const bool isSymbol = !presentation.bundleIdentifier ||
                                  icon.cacheKey() == UiSymbols::icon(UiSymbol::clipboard).cacheKey();
            if (isSymbol) {
                painter.drawPixmap(iconRect, UiSymbols::tinted(UiSymbol::clipboard, iconRect.size(),
                                                               UiColors::secondaryLabel(palette), dpr));
            } else {
                icon.paint(&painter, iconRect);
            }
            break;
        }
        case ClipboardRowIcon::photo:
            painter.drawPixmap(iconRect, UiSymbols::tinted(UiSymbol::photo, iconRect.size(),
                                                           UiColors::secondaryLabel(palette), dpr));
            break;
        case ClipboardRowIcon::ellipsis:
            painter.drawPixmap(iconRect, UiSymbols::tinted(UiSymbol::more, iconRect.size(),
                                                           UiColors::secondaryLabel(palette), dpr));
            break;
        case ClipboardRowIcon::tag:
            painter.drawPixmap(iconRect, UiSymbols::tinted(UiSymbol::tag, iconRect.size(),
                                                           UiColors::secondaryLabel(palette), dpr));
            break;
    }

    const int labelX = rect.left() + 8 + iconSize + 6;
    const int labelWidth = std::max(0, rect.right() - labelX - 8);
    QFont titleFont = font();
    titleFont.setPointSizeF(10);
    QFont subtitleFont = font();
    subtitleFont.setPointSizeF(8.5);
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics subtitleMetrics(subtitleFont);
    const QString title =
        titleMetrics.elidedText(QString::fromStdString(presentation.title), Qt::ElideRight, labelWidth);
    const int titleHeight = titleMetrics.height();
    if (compact || presentation.subtitle.empty()) {
        painter.setFont(titleFont);
        painter.setPen(UiColors::label(palette));
        painter.drawText(
            QRect(labelX, rect.top() + (rect.height() - titleHeight) / 2, labelWidth, titleHeight),
            Qt::AlignLeft | Qt::AlignVCenter, title);
        return;
    }
    const int subtitleHeight = subtitleMetrics.height();
    const int blockTop = rect.top() + (rect.height() - (titleHeight + 2 + subtitleHeight)) / 2;
    painter.setFont(titleFont);
    painter.setPen(UiColors::label(palette));
    painter.drawText(QRect(labelX, blockTop, labelWidth, titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     title);
    painter.setFont(subtitleFont);
    painter.setPen(UiColors::secondaryLabel(palette));
    painter.drawText(QRect(labelX, blockTop + titleHeight + 2, labelWidth, subtitleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     subtitleMetrics.elidedText(QString::fromStdString(presentation.subtitle), Qt::ElideRight,
                                                labelWidth));
}

void ClipboardResultListView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void ClipboardResultListView::mousePressEvent(QMouseEvent* event) {
    const int row = rowAtViewportPoint(event->position().toPoint());
    pressIsDoubleClick_ = false;
    if (event->button() == Qt::LeftButton) {
        pressedRow_ = row;
        pressPosition_ = event->position().toPoint();
        dragRequested_ = false;
        if (row >= 0 && !state_.isShowMoreRow(row)) apply(state_.primaryMouseDown(row));
        prefetchDragContent(row);
    } else if (event->button() == Qt::RightButton) {
        ClipboardResultListUpdate update;
        if (state_.secondaryMouseDown(row, update)) {
            apply(update);
            openContextMenu(state_.items()[row], event->position().toPoint());
        }
    }
    event->accept();
}

void ClipboardResultListView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int row = rowAtViewportPoint(event->position().toPoint());
    // The second press of a double click: pressed like the first, reported on release.
    pressedRow_ = row;
    pressIsDoubleClick_ = true;
    if (row >= 0 && !state_.isShowMoreRow(row)) apply(state_.primaryMouseDown(row));
    event->accept();
}

void ClipboardResultListView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || pressedRow_ < 0) return;
    const int pressed = pressedRow_;
    pressedRow_ = -1;
    // A release outside the pressed row is no click.
    if (!rowRect(pressed).contains(event->position().toPoint())) return;
    if (pressIsDoubleClick_ && !state_.isShowMoreRow(pressed)) {
        apply(state_.doubleClicked(pressed));
    } else {
        state_.clicked(pressed);
        viewport()->update();
    }
    pressIsDoubleClick_ = false;
}

void ClipboardResultListView::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && pressedRow_ >= 0 && !dragRequested_ &&
        (event->position().toPoint() - pressPosition_).manhattanLength() >=
            QApplication::startDragDistance()) {
        requestDrag(pressedRow_);
        return;
    }
    const int row = rowAtViewportPoint(event->position().toPoint());
    if (row == hoveredRow_) return;
    hoveredRow_ = row;
    if (row >= 0 && !(event->buttons() & Qt::LeftButton)) {
        apply(state_.hovered(row, location(event->globalPosition())));
    }
}

std::optional<std::string> ClipboardResultListView::preparedDragContentId() const {
    if (!preparedDragContent_) return std::nullopt;
    return preparedDragContent_->id;
}

bool ClipboardResultListView::isDraggableRow(int row) const {
    return state_.contentMode() == ClipboardResultListContentMode::history && state_.isEntryRow(row) &&
           callbacks.onRequestContent;
}

void ClipboardResultListView::prefetchDragContent(int row) {
    if (!isDraggableRow(row)) return;
    const std::string id = state_.items()[row].id;
    if (preparedDragContent_ && preparedDragContent_->id == id) return;
    const std::uint64_t request = ++prefetchRequest_;
    QPointer<ClipboardResultListView> self(this);
    callbacks.onRequestContent(
        id, [self, request, row, id](std::optional<ClipboardHistoryContentSnapshot> content) {
            if (!self || request != self->prefetchRequest_ || !content) return;
            if (!self->state_.isEntryRow(row) || self->state_.items()[row].id != id) return;
            self->preparedDragContent_ = PreparedDragContent{id, std::move(*content)};
        });
}

void ClipboardResultListView::requestDrag(int row) {
    if (!isDraggableRow(row)) return;
    dragRequested_ = true;
    const auto entry = state_.items()[row];
    if (preparedDragContent_ && preparedDragContent_->id == entry.id) {
        const auto content = preparedDragContent_->content;
        if (startDrag(entry, content, row)) return;
    }
    const std::uint64_t request = ++dragRequest_;
    QPointer<ClipboardResultListView> self(this);
    callbacks.onRequestContent(
        entry.id, [self, request, row, entry](std::optional<ClipboardHistoryContentSnapshot> content) {
            if (!self || request != self->dragRequest_ || !content) return;
            if (!self->state_.isEntryRow(row) || self->state_.items()[row].id != entry.id) return;
            // Content that arrives after the button went up must not start a drag nobody holds.
            if (self->pressedRow_ != row) return;
            self->startDrag(entry, *content, row);
        });
}

bool ClipboardResultListView::startDrag(const ClipboardHistoryIndexSnapshot& entry,
                                        const ClipboardHistoryContentSnapshot& content, int row) {
    std::filesystem::path folder;
    if (entry.contentType == ClipboardContentType::image) {
        try {
            folder = dragFolder ? dragFolder() : dragOutDirectory();
        } catch (const std::system_error& error) {
            Logger::error(std::string("Failed to prepare drag image file: ") + error.what(),
                          "ClipboardResultListView");
            return false;
        }
    }
    auto mime = makeDragMimeData(entry, content, folder);
    if (!mime) return false;

    QPointer<ClipboardResultListView> self(this);
    auto* drag = new QDrag(viewport());
    drag->setMimeData(mime.release());
    const QRect rect = rowRect(row);
    drag->setPixmap(viewport()->grab(rect));
    drag->setHotSpot(pressPosition_ - rect.topLeft());
    if (callbacks.onDragStarted) callbacks.onDragStarted(entry);
    const Qt::DropAction action = executeDrag(*drag);
    // A list destroyed during the drag took the drag with it.
    if (!self) return true;
    // Qt deletes the drag itself, on X11 only once the receiving program has fetched the data: deleting it
    // here would leave other programs an empty drop.
    // The drag took the button's release: no click follows.
    pressedRow_ = -1;
    scheduleDragFileCleanup();
    if (callbacks.onDragEnded) callbacks.onDragEnded(entry, action);
    return true;
}

Qt::DropAction ClipboardResultListView::executeDrag(QDrag& drag) {
    return drag.exec(Qt::CopyAction, Qt::CopyAction);
}

void ClipboardResultListView::leaveEvent(QEvent* event) {
    hoveredRow_ = -1;
    QAbstractScrollArea::leaveEvent(event);
}

void ClipboardResultListView::wheelEvent(QWheelEvent* event) {
    state_.scrollWheel(location(event->globalPosition()));
    hoveredRow_ = -1;
    QAbstractScrollArea::wheelEvent(event);
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (callbacks.onScrollInteraction) callbacks.onScrollInteraction();
        },
        Qt::QueuedConnection);
}

void ClipboardResultListView::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    const int key = event->key();
    if (key == Qt::Key_Up || (control && key == Qt::Key_P)) {
        apply(state_.moveSelection(true));
    } else if (key == Qt::Key_Down || (control && key == Qt::Key_N)) {
        apply(state_.moveSelection(false));
        state_.triggerAutoLoadMoreIfNeeded();
    } else if (control && (key == Qt::Key_Backspace || key == Qt::Key_Delete) &&
               state_.contentMode() == ClipboardResultListContentMode::history) {
        state_.deleteSelectedItem();
    } else if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
               state_.contentMode() == ClipboardResultListContentMode::filterSuggestions) {
        state_.confirmSelectedFilterSuggestion();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void ClipboardResultListView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange ||
        event->type() == QEvent::LanguageChange) {
        viewport()->update();
    }
    QAbstractScrollArea::changeEvent(event);
}

void ClipboardResultListView::openContextMenu(const ClipboardHistoryIndexSnapshot& item,
                                              const QPoint& viewportPoint) {
    if (callbacks.onContextMenuWillOpen) callbacks.onContextMenuWillOpen();
    const std::uint64_t request = ++menuRequest_;
    if (item.contentType == ClipboardContentType::text && callbacks.onRequestContent) {
        QPointer<ClipboardResultListView> self(this);
        callbacks.onRequestContent(item.id, [self, request, item, viewportPoint](auto content) {
            // A newer menu request or a closed list makes this answer moot.
            if (!self || self->menuRequest_ != request) return;
            self->presentContextMenu(item, content, viewportPoint);
        });
        return;
    }
    presentContextMenu(item, std::nullopt, viewportPoint);
}

void ClipboardResultListView::presentContextMenu(
    const ClipboardHistoryIndexSnapshot& item, const std::optional<ClipboardHistoryContentSnapshot>& content,
    const QPoint& viewportPoint) {
    if (menu_) menu_->close();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu_ = menu;
    const auto link = ClipboardContextMenuPresentation::openableLink(item, content);
    for (const ClipboardContextMenuItem& entry : ClipboardContextMenuPresentation::items(item, content)) {
        if (entry.action == ClipboardContextMenuAction::separator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromStdString(L10n::text(entry.title)));
        if (!entry.shortcut.empty()) {
            action->setShortcut(QKeySequence::fromString(QString::fromStdString(entry.shortcut)));
            action->setShortcutVisibleInContextMenu(true);
        }
        action->setData(static_cast<int>(entry.action));
        connect(action, &QAction::triggered, this, [this, item, link, kind = entry.action] {
            const auto call = [&](const std::function<void(const ClipboardHistoryIndexSnapshot&)>& callback) {
                if (callback) callback(item);
            };
            switch (kind) {
                case ClipboardContextMenuAction::openLink:
                    if (link && callbacks.onItemOpenLink) callbacks.onItemOpenLink(*link);
                    break;
                case ClipboardContextMenuAction::ocr:
                    call(callbacks.onItemOCR);
                    break;
                case ClipboardContextMenuAction::openWithDefaultApp:
                    call(callbacks.onItemOpenWithDefaultApp);
                    break;
                case ClipboardContextMenuAction::saveToFile:
                    call(callbacks.onItemSaveToFile);
                    break;
                case ClipboardContextMenuAction::pin:
                    call(callbacks.onItemPin);
                    break;
                case ClipboardContextMenuAction::format:
                    call(callbacks.onItemToggleFormat);
                    break;
                case ClipboardContextMenuAction::copy:
                    call(callbacks.onItemCopy);
                    break;
                case ClipboardContextMenuAction::copyAsPlainText:
                    call(callbacks.onItemCopyAsPlainText);
                    break;
                case ClipboardContextMenuAction::remove:
                    call(callbacks.onItemDelete);
                    break;
                case ClipboardContextMenuAction::separator:
                    break;
            }
        });
    }
    menu->popup(viewport()->mapToGlobal(viewportPoint));
}

}  // namespace quorvane
