#pragma once

// The small symbols of the panels (return key, magnifying glass, remove, photo, clipboard, more, tag,
// history), drawn in one colour: the desktop theme's icon where one fits, else our own SVG from the
// resources, since minimal desktops and CI have no icon theme. Symbols are tinted when drawn, so they follow
// the palette. Main thread only.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace quorvane {

enum class UiSymbol { returnKey, search, remove, photo, clipboard, more, tag, history };

class UiSymbols {
public:
    UiSymbols() = delete;

    // The symbol's icon, untinted.
    static QIcon icon(UiSymbol symbol);
    // The symbol at `size` (device-independent pixels) in `color`, for a device pixel ratio of `dpr`.
    static QPixmap tinted(UiSymbol symbol, QSize size, const QColor& color, qreal dpr = 1.0);
};

}  // namespace quorvane
