#pragma once

// The small symbols of the panels (return key, magnifying glass, remove, photo, clipboard, more, tag,
// history), drawn in one colour: the desktop theme's icon where one fits, else our own SVG from the
// resources, since minimal desktops and CI have no icon theme. Symbols are tinted when drawn, so they follow
// the palette. Main thread only.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <cstddef>

namespace quorvane {

enum class UiSymbol { returnKey, search, remove, photo, clipboard, more, tag, history };

class UiSymbols {
public:
    UiSymbols() = delete;

    // The symbol's icon, untinted.
    static QIcon icon(UiSymbol symbol);
    // The symbol at `size` (device-independent pixels) in `color`, for a device pixel ratio of `dpr`. Equal
    // arguments give the same pixmap (one cache key): Qt's icon engine keeps a scaled copy of every pixmap
    // it draws in its pixmap cache, so a new pixmap per filter chip or row would pile up there.
    static QPixmap tinted(UiSymbol symbol, QSize size, const QColor& color, qreal dpr = 1.0);
    // How many tinted pixmaps are kept; never more than `tintedCacheLimit`.
    static std::size_t tintedCacheCount();
    static constexpr std::size_t tintedCacheLimit = 64;
};

}  // namespace quorvane
