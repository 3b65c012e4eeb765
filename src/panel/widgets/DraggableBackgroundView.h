#pragma once

// The panels' background: an opaque rounded surface in the window colour that moves its window when the
// user drags anywhere on it, so a frameless panel can be repositioned. The owner hears once, when the
// button is released, to store the new position. Main thread only.

#include <QElapsedTimer>
#include <QWidget>
#include <functional>

#include "panel/model/ClipboardWindowDragTracker.h"

namespace quorvane {

class DraggableBackgroundView : public QWidget {
    Q_OBJECT
public:
    explicit DraggableBackgroundView(QWidget* parent = nullptr);

    std::function<void()> onPositionChanged;
    double cornerRadius = 12;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ClipboardWindowDragTracker tracker_;
    QElapsedTimer clock_;
    bool dragging_ = false;
};

}  // namespace quorvane
