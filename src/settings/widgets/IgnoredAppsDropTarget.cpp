#include "settings/widgets/IgnoredAppsDropTarget.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

#include "ui/UiColors.h"

namespace quorvane {

IgnoredAppsDropTarget::IgnoredAppsDropTarget(QWidget* parent) : QFrame(parent) {
    setAcceptDrops(true);
    // Room for the wider border while a drag hovers.
    setContentsMargins(2, 2, 2, 2);
}

IgnoredAppsDropTarget::Files IgnoredAppsDropTarget::filesOf(const QMimeData* data) {
    Files files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {};
        files.emplace_back(url.toLocalFile().toStdString());
    }
    return files;
}

bool IgnoredAppsDropTarget::accepts(const QMimeData* data) const {
    const Files files = filesOf(data);
    return !files.empty() && validateDroppedAppURLs && validateDroppedAppURLs(files);
}

void IgnoredAppsDropTarget::setDropTargetActive(bool active) {
    if (active == isDropTargetActive_) return;
    isDropTargetActive_ = active;
    update();
}

void IgnoredAppsDropTarget::dragEnterEvent(QDragEnterEvent* event) {
    dragAcceptable_ = accepts(event->mimeData());
    const bool acceptable = dragAcceptable_;
    setDropTargetActive(acceptable);
    if (acceptable) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void IgnoredAppsDropTarget::dragMoveEvent(QDragMoveEvent* event) {
    const bool acceptable = dragAcceptable_;
    setDropTargetActive(acceptable);
    if (acceptable) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void IgnoredAppsDropTarget::dragLeaveEvent(QDragLeaveEvent* event) {
    dragAcceptable_ = false;
    setDropTargetActive(false);
    event->accept();
}

void IgnoredAppsDropTarget::dropEvent(QDropEvent* event) {
    const Files files = filesOf(event->mimeData());
    const bool acceptable = !files.empty() && validateDroppedAppURLs && validateDroppedAppURLs(files);
    dragAcceptable_ = false;
    setDropTargetActive(false);
    if (!acceptable) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (onDroppedAppURLs) onDroppedAppURLs(files);
}

void IgnoredAppsDropTarget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colors = palette();
    const qreal width = isDropTargetActive_ ? 2 : 1;
    QColor border = isDropTargetActive_ ? UiColors::accent(colors) : UiColors::separator(colors);
    if (!isDropTargetActive_) border.setAlphaF(0.65 * border.alphaF());
    const QRectF area = QRectF(rect()).adjusted(width / 2, width / 2, -width / 2, -width / 2);
    painter.fillRect(rect(),
                     isDropTargetActive_ ? UiColors::accent(colors, 0.1) : colors.color(QPalette::Base));
    painter.setPen(QPen(border, width));
    painter.drawRect(area);
}

}  // namespace quorvane
