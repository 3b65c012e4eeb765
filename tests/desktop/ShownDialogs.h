#pragma once

// Finds the dialogs a desktop test is waiting for among this program's top-level windows.

#include <QApplication>
#include <QMenu>
#include <QString>
#include <QWidget>

#include "desktop/DesktopSession.h"

namespace quorvane::testing {

// A shown top-level window of type `Dialog`, or null.
template <class Dialog>
Dialog* shownDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<Dialog*>(widget); dialog && dialog->isVisible()) return dialog;
    }
    return nullptr;
}

// Waits up to five seconds for such a window; null when none showed.
template <class Dialog>
Dialog* awaitShownDialog() {
    Dialog* dialog = nullptr;
    DesktopSession::processEventsUntil([&] { return (dialog = shownDialog<Dialog>()) != nullptr; },
                                       std::chrono::seconds(5));
    return dialog;
}

// The entry of `menu` titled `title`, or null.
inline QAction* menuEntry(const QMenu& menu, const QString& title) {
    for (QAction* action : menu.actions()) {
        if (action->text() == title) return action;
    }
    return nullptr;
}

}  // namespace quorvane::testing
