#include "ui/KeyGlyphText.h"

#include <QKeySequence>

namespace quorvane {

QString KeyGlyphText::commandKey() {
    return QStringLiteral("Ctrl");
}

QString KeyGlyphText::shortcut(const QString& portable) {
    return QKeySequence::fromString(portable, QKeySequence::PortableText).toString(QKeySequence::NativeText);
}

}  // namespace quorvane
