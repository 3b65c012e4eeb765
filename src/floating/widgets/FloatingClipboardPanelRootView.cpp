#include "floating/widgets/FloatingClipboardPanelRootView.h"

#include <QPainterPath>
#include <QRegion>

namespace quorvane {

FloatingClipboardPanelRootView::FloatingClipboardPanelRootView(QWidget* parent)
    : QWidget(parent), listSurface_(new DraggableBackgroundView(this)) {}

ScreenRect FloatingClipboardPanelRootView::listSurfaceScreenFrame() const {
    const QRect local = listSurface_->geometry();
    if (!window()->isVisible()) {
        const QPoint origin = window()->pos() + local.topLeft();
        return {double(origin.x()), double(origin.y()), double(local.width()), double(local.height())};
    }
    const QPoint global = mapToGlobal(local.topLeft());
    return {double(global.x()), double(global.y()), double(local.width()), double(local.height())};
}

void FloatingClipboardPanelRootView::updateMask(const QRegion& extra) {
    QPainterPath surface;
    const double radius = listSurface_->cornerRadius;
    surface.addRoundedRect(QRectF(listSurface_->geometry()), radius, radius);
    QRegion region(surface.toFillPolygon().toPolygon());
    region += extra;
    window()->setMask(region);
}

}  // namespace quorvane
