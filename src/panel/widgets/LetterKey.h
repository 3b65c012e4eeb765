#pragma once

// The letter key of a shortcut by its place on the keyboard, so Ctrl+W and Ctrl+C work the same in
// non-Latin layouts: the key Qt reports when it is a Latin letter, else the US letter at the pressed key's
// position. Main thread only.

#include <QKeyEvent>

namespace quorvane {

// Qt::Key_A ... Qt::Key_Z, or the event's own key when it is no letter at any position.
int letterKey(const QKeyEvent& event);

}  // namespace quorvane
