#include "ui/KeyGlyphText.h"

#include <QKeySequence>

namespace quorvane {

QString KeyGlyphText::commandKey() {
    return QStringLiteral("Ctrl");
}

QString KeyGlyphText::commandCombination(const QString& key) {
    // QKeySequence's own text, so the footers and the menus cannot drift apart.
    return QKeySequence(commandKey() + QLatin1Char('+') + key).toString(QKeySequence::NativeText);
}

}  // namespace quorvane
