#include "ui/KeyGlyphText.h"

namespace quorvane {

QString KeyGlyphText::commandKey() {
    return QStringLiteral("Ctrl");
}

}  // namespace quorvane
