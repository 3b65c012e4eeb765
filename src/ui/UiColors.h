#pragma once

// The panels' colours from the palette, so they follow light and dark themes: label greys are the window
// text at lower alpha, the separator is Mid, the accent is Highlight. Fixed pairs only where a colour is a
// named system colour (blue, red) or a syntax colour with its light and dark values. Main thread only.

#include <QColor>
#include <QPalette>

#include "classification/formatting/SyntaxColorTheme.h"

namespace quorvane {

class UiColors {
public:
    UiColors() = delete;

    static bool isDark(const QPalette& palette);
    static QColor label(const QPalette& palette, qreal alpha = 1.0);
    static QColor secondaryLabel(const QPalette& palette);
    static QColor tertiaryLabel(const QPalette& palette, qreal alpha = 1.0);
    static QColor separator(const QPalette& palette);
    static QColor accent(const QPalette& palette, qreal alpha = 1.0);
    static QColor systemBlue(const QPalette& palette, qreal alpha = 1.0);
    static QColor systemRed(const QPalette& palette);
    // The light or dark value of a syntax colour, as the palette is.
    static QColor syntax(const SyntaxColor& color, bool dark);
};

}  // namespace quorvane
