#pragma once

// The floating panel window's content: the list surface (the draggable background holding the search field,
// the list and the footer) and, while a preview shows, the bubble beside it. Main thread only.

#include <QRegion>
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
    // Clips the window to the list surface's rounded outline and `extra` (the bubble's outline): without a
    // compositor translucent pixels would show black, so the rest of a grown window is cut away instead.
    void updateMask(const QRegion& extra = QRegion());

private:
    DraggableBackgroundView* listSurface_;
};

}  // namespace quorvane
