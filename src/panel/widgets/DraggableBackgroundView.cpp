#include "panel/widgets/DraggableBackgroundView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "ui/UiColors.h"

namespace quorvane {

DraggableBackgroundView::DraggableBackgroundView(QWidget* parent) : QWidget(parent) {
    clock_.start();
}

void DraggableBackgroundView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    painter.fillPath(path, palette().color(QPalette::Window));
    painter.setPen(QPen(UiColors::separator(palette()), 1));
    painter.drawPath(path);
}

void DraggableBackgroundView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPointF pointer = event->globalPosition();
    const QPoint origin = window()->frameGeometry().topLeft();
    tracker_.pressed({pointer.x(), pointer.y()},
                     {static_cast<double>(origin.x()), static_cast<double>(origin.y())},
                     clock_.elapsed() / 1000.0);
    dragging_ = true;
    event->accept();
}

void DraggableBackgroundView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    const QPointF pointer = event->globalPosition();
    if (const auto origin = tracker_.dragged({pointer.x(), pointer.y()}, clock_.elapsed() / 1000.0)) {
        window()->move(static_cast<int>(std::lround(origin->x)), static_cast<int>(std::lround(origin->y)));
    }
}

void DraggableBackgroundView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = false;
    if (onPositionChanged) onPositionChanged();
}

}  // namespace quorvane
