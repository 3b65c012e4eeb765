#pragma once

// The floating panel window's content: the list surface (the draggable background holding the search field,
// the list and the footer) and, while a preview shows, the bubble beside it. Main thread only.

#include <QWidget>

#include "panel/widgets/DraggableBackgroundView.h"
#include "platform/ScreenGeometry.h"

namespace quorvane {

class FloatingClipboardPanelRootView : public QWidget {
    Q_OBJECT
public:
    explicit FloatingClipboardPanelRootView(QWidget* parent = nullptr);

    DraggableBackgroundView* listSurfaceView() const { return listSurface_; }
    // The list surface's frame on the screen; its own geometry while the view is in no shown window.
    ScreenRect listSurfaceScreenFrame() const;
    // Clips the window to the list surface and `extra` (the bubble), so the rest of a grown window is not
    // drawn without a compositor.
    void updateMask(const QRect& extra = QRect());

private:
    DraggableBackgroundView* listSurface_;
};

}  // namespace quorvane
