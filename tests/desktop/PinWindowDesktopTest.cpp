// A pin window under a real window manager (openbox): it stays above other windows, so its questions must
// stay above it. "Save Changes?" is checked in the window manager's own stacking order and answered with a
// held Escape, as a person would.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <memory>

#include "desktop/DesktopSession.h"
#include "desktop/UserInput.h"
#include "desktop/WindowManagerProbe.h"
#include "panel/support/ItemActionDoubles.h"
#include "panel/widgets/PinWindow.h"
#include "panel/widgets/SystemClipboardSavePanelPresenter.h"
#include "platform/linux/QtAlertPresenter.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "support/XvfbServer.h"

namespace quorvane {
namespace {

using testing::DesktopSession;
using namespace std::chrono_literals;
namespace input = testing::userinput;

class PinWindowDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", QString::fromStdString(DesktopSession::display()));
        windowManager_.setProcessEnvironment(environment);
        windowManager_.start("openbox", {"--sm-disable"});
        ASSERT_TRUE(windowManager_.waitForStarted(5000));
        ASSERT_TRUE(testing::windowManagerManagesWindows(DesktopSession::display(), testing::kDesktopStartTimeout))
            << "openbox did not start";
    }
    void TearDown() override {
        delete window_.data();
        if (windowManager_.state() != QProcess::NotRunning) {
            windowManager_.kill();
            windowManager_.waitForFinished(5000);
        }
    }

    // The window manager's stacking order, bottom first.
    static std::vector<WId> stacking() {
        const QString line = QString::fromUtf8(
            DesktopSession::run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"}).output);
        std::vector<WId> ids;
        const auto from = line.indexOf('#');
        if (from < 0) return ids;
        for (const QString& id : line.mid(from + 1).split(',', Qt::SkipEmptyParts))
            ids.push_back(id.trimmed().toULongLong(nullptr, 16));
        return ids;
    }
    static QMessageBox* openAlert() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) return box;
        }
        return nullptr;
    }

    QProcess windowManager_;
    testing::FakeSavePanelPresenter savePanel_;
    QtAlertPresenter alerts_;
    InMemoryPasteboard pasteboard_;
    QPointer<PinWindow> window_;
};

TEST_F(PinWindowDesktopTest, SaveChangesShowsAboveThePinWindowAndEscapeAnswersCancel) {
    ClipboardHistoryIndexSnapshot entry;
    entry.id = "pinned";
    ClipboardHistoryContentSnapshot content;
    content.content = "pinned text";
    window_ = PinWindow::make(entry, content, {}, PinWindowServices{savePanel_, alerts_, pasteboard_});
    window_->present();
    // A busy machine's window manager may take a while to hand the new window the focus.
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return window_->isActiveWindow(); }, 15s));
    window_->textEditor()->moveCursor(QTextCursor::End);
    DesktopSession::processEventsFor(200ms);

    ASSERT_TRUE(input::typeText("x"));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return window_->state().hasUnsavedChanges(); }));
    ASSERT_TRUE(input::holdKey("Escape"));
    QMessageBox* box = nullptr;
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return (box = openAlert()) != nullptr; }, 5s));
    EXPECT_EQ(box->parentWidget(), window_.data());
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);

    // Openbox lists the alert above the window that stays on top.
    std::vector<WId> order;
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] {
            order = stacking();
            return std::count(order.begin(), order.end(), box->winId()) == 1;
        },
        5s));
    const auto position = [&](WId id) { return std::find(order.begin(), order.end(), id) - order.begin(); };
    ASSERT_LT(position(window_->winId()), std::ptrdiff_t(order.size()));
    EXPECT_GT(position(box->winId()), position(window_->winId()));

    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return box->isActiveWindow(); }, 5s));
    ASSERT_TRUE(input::holdKey("Escape"));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return openAlert() == nullptr; }, 5s));
    DesktopSession::processEventsFor(200ms);
    ASSERT_TRUE(window_);
    EXPECT_TRUE(window_->isVisible()) << "Cancel keeps the window";
    EXPECT_EQ(window_->textEditor()->toPlainText(), "pinned textx");
    EXPECT_TRUE(savePanel_.requests.empty()) << "Cancel saves nothing";
}

}  // namespace
}  // namespace quorvane
