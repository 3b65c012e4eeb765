#include "panel/widgets/LetterKey.h"

#include <QGuiApplication>

#include "platform/KeyPositions.h"

namespace quorvane {

int letterKey(const QKeyEvent& event) {
    const int key = event.key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
    // Only the xcb plugin reports X keycodes as native scan codes.
    if (event.nativeScanCode() == 0 || QGuiApplication::platformName() != QLatin1String("xcb")) return key;
    const auto position = KeyPositions::ofXKeycode(event.nativeScanCode());
    if (!position || position->name.size() != 1) return key;
    const char letter = position->name.front();
    if (letter < 'A' || letter > 'Z') return key;
    return Qt::Key_A + (letter - 'A');
}

}  // namespace quorvane
