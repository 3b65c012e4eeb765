#include "panel/widgets/CustomSplitView.h"

#include <QPainter>

namespace quorvane {
namespace {

// A handle that can be dragged but shows nothing.
class InvisibleSplitterHandle : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent*) override {}
};

}  // namespace

CustomSplitView::CustomSplitView(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setHandleWidth(grabWidth);
    setChildrenCollapsible(false);
}

QSplitterHandle* CustomSplitView::createHandle() {
    return new InvisibleSplitterHandle(orientation(), this);
}

}  // namespace quorvane
