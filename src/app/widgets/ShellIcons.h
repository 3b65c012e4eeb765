#pragma once

// The shell's icons by symbol name, drawn from our own SVGs (minimal desktops have no icon theme) and tinted
// at paint time, so they follow the palette and can show the orange attention tint.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <string>

namespace quorvane {

// The orange of an item that needs attention (capture off or paused, an update waiting).
inline QColor attentionTint() {
    return QColor(0xff, 0x95, 0x00);
}

// `symbolName` tinted with `color` at `size` device-independent pixels; a null icon for an unknown name.
QIcon shellIcon(const std::string& symbolName, const QColor& color, int size = 16);
QPixmap shellPixmap(const std::string& symbolName, const QColor& color, int size,
                    qreal devicePixelRatio = 1.0);
// The application's own icon in its colours.
QIcon applicationIcon();

}  // namespace quorvane
