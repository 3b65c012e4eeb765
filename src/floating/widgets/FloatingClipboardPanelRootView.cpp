#include "floating/widgets/FloatingClipboardPanelRootView.h"

#include <QRegion>

namespace quorvane {

FloatingClipboardPanelRootView::FloatingClipboardPanelRootView(QWidget* parent)
    : QWidget(parent), listSurface_(new DraggableBackgroundView(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
}

ScreenRect FloatingClipboardPanelRootView::listSurfaceScreenFrame() const {
    const QRect local = listSurface_->geometry();
    if (!window()->isVisible()) {
        const QPoint origin = window()->pos() + local.topLeft();
        return {double(origin.x()), double(origin.y()), double(local.width()), double(local.height())};
    }
    const QPoint global = mapToGlobal(local.topLeft());
    return {double(global.x()), double(global.y()), double(local.width()), double(local.height())};
}

void FloatingClipboardPanelRootView::updateMask(const QRect& extra) {
    QRegion region(listSurface_->geometry());
    if (!extra.isEmpty()) region += extra;
    window()->setMask(region);
}

}  // namespace quorvane
