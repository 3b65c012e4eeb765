#pragma once

// What the desktop tests of both panels' entry actions share: the program's actions over a desktop where
// nothing opens links or files, the check that a failure was told, and a row menu's entry chosen with the
// mouse.

#include <gtest/gtest.h>

#include <QMenu>
#include <QMessageBox>
#include <string>

#include "desktop/DesktopSession.h"
#include "desktop/ShownDialogs.h"
#include "desktop/UserInput.h"
#include "panel/model/ClipboardItemActions.h"
#include "panel/widgets/ClipboardResultListView.h"
#include "platform/linux/QtWorkspaceOpener.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"

namespace quorvane::testing {

struct FailingEntryActions {
    explicit FailingEntryActions(ClipboardPanelViewModel& viewModel)
        : actions(ClipboardItemActions::Dependencies{
              viewModel, workspace, {}, {}, {}, [this] { return folder.path(); }}) {
        workspace.openProgram = "quorvane-no-such-opener";
    }

    QtWorkspaceOpener workspace;
    TemporaryDirectory folder;
    ClipboardItemActions actions;
};

// Waits for the "Cannot Open Entry" alert and closes it; `log` must hold `warning` and no INFO line with
// `claim`.
inline ::testing::AssertionResult reportedCannotOpen(const LogCapture& log, const std::string& warning,
                                                     const std::string& claim) {
    QMessageBox* box = awaitShownDialog<QMessageBox>();
    if (!box) return ::testing::AssertionFailure() << "no alert";
    const QString title = box->text();
    box->close();
    DesktopSession::processEventsUntil([&] { return !box->isVisible(); });
    if (title != "Cannot Open Entry")
        return ::testing::AssertionFailure() << "the alert reads " << title.toStdString();
    if (!log.contains("WARNING", warning))
        return ::testing::AssertionFailure() << "no warning \"" << warning << "\"";
    if (log.contains("INFO", claim)) return ::testing::AssertionFailure() << "claimed \"" << claim << "\"";
    return ::testing::AssertionSuccess();
}

// Opens the menu of `row` with the right button and clicks its entry `title`.
inline ::testing::AssertionResult chooseFromRowMenu(ClipboardResultListView& list, int row,
                                                    const QString& title) {
    const auto rect = list.screenRectForRow(row);
    if (!rect || !userinput::click(rect->center(), 3))
        return ::testing::AssertionFailure() << "no row to click";
    if (!DesktopSession::processEventsUntil(
            [&] { return list.contextMenu() && list.contextMenu()->isVisible(); }))
        return ::testing::AssertionFailure() << "no menu";
    QMenu* menu = list.contextMenu();
    QAction* entry = menuEntry(*menu, title);
    if (!entry) return ::testing::AssertionFailure() << "the menu has no " << title.toStdString();
    DesktopSession::processEventsFor(std::chrono::milliseconds(150));
    if (!userinput::click(menu->mapToGlobal(menu->actionGeometry(entry).center())))
        return ::testing::AssertionFailure() << "the click failed";
    return ::testing::AssertionSuccess();
}

}  // namespace quorvane::testing
