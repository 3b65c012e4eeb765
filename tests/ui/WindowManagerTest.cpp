#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QPointer>
#include <QtTest/QTest>

#include "platform/memory/InMemoryUserDefaults.h"
#include "support/LogCapture.h"
#include "support/QtTestApplication.h"
#include "ui/WindowManager.h"

namespace quorvane {
namespace {

// A window that may refuse to close, as a settings window with unsaved edits would.
class RefusingWindow : public QWidget {
public:
    bool refuses = false;

protected:
    void closeEvent(QCloseEvent* event) override {
        if (refuses) event->ignore();
    }
};

class WindowManagerTest : public ::testing::Test {
protected:
    void SetUp() override { testing::qtTestApplication(); }

    static std::unique_ptr<QWidget> makeWindow(QRect geometry = QRect(100, 120, 400, 300)) {
        auto window = std::make_unique<QWidget>();
        window->setGeometry(geometry);
        return window;
    }
    static void settle() {
        for (int turn = 0; turn < 3; ++turn) QApplication::processEvents();
    }

    InMemoryUserDefaults defaults_;
    std::unique_ptr<WindowManager> manager_ = std::make_unique<WindowManager>(defaults_);
};

TEST_F(WindowManagerTest, SameIdentifierShowsTheFirstWindowAndReleasesTheSecond) {
    auto first = makeWindow();
    QWidget* firstWindow = first.get();
    EXPECT_EQ(manager_->showWindow("settings", std::move(first)), firstWindow);
    EXPECT_TRUE(firstWindow->isVisible());
    EXPECT_EQ(firstWindow->objectName(), "settings");

    auto second = makeWindow();
    QPointer<QWidget> secondWindow = second.get();
    EXPECT_EQ(manager_->showWindow("settings", std::move(second)), firstWindow);
    EXPECT_TRUE(secondWindow.isNull()) << "the unused window is released, not leaked";

    int built = 0;
    EXPECT_EQ(manager_->showWindow("settings",
                                   [&] {
                                       ++built;
                                       return makeWindow();
                                   }),
              firstWindow);
    EXPECT_EQ(built, 0);
    EXPECT_NE(manager_->showWindow("about",
                                   [&] {
                                       ++built;
                                       return makeWindow();
                                   }),
              firstWindow);
    EXPECT_EQ(built, 1);
}

TEST_F(WindowManagerTest, ClosedWindowIsDroppedAndItsFrameComesBackOnTheNextOne) {
    QPointer<QWidget> first = manager_->showWindow("classification", makeWindow(QRect(140, 160, 420, 310)));
    first->resize(450, 333);
    first->close();
    settle();
    EXPECT_EQ(manager_->window("classification"), nullptr);
    EXPECT_TRUE(first.isNull()) << "a closed window is released";
    EXPECT_TRUE(defaults_.dataValue("WindowFrame classificationWindow").has_value());

    QWidget* second = manager_->showWindow("classification", makeWindow(QRect(0, 0, 200, 200)));
    EXPECT_EQ(manager_->window("classification"), second);
    EXPECT_EQ(second->size(), QSize(450, 333));
}

TEST_F(WindowManagerTest, RefusedCloseKeepsTheEntryAndDeletedWindowLeavesNone) {
    auto refusing = std::make_unique<RefusingWindow>();
    refusing->refuses = true;
    QWidget* window = manager_->showWindow("onboarding", std::move(refusing));
    window->close();
    settle();
    EXPECT_EQ(manager_->window("onboarding"), window);
    EXPECT_TRUE(window->isVisible());

    delete window;
    EXPECT_EQ(manager_->window("onboarding"), nullptr);
    auto replacement = makeWindow();
    QWidget* replacementWindow = replacement.get();
    EXPECT_EQ(manager_->showWindow("onboarding", std::move(replacement)), replacementWindow);
}

TEST_F(WindowManagerTest, UnreadableSavedFrameIsLoggedAndIgnored) {
    testing::LogCapture log;
    defaults_.set("WindowFrame aboutWindow", Data{1, 2, 3});
    QWidget* window = manager_->showWindow("about", makeWindow(QRect(10, 20, 321, 234)));
    EXPECT_EQ(window->size(), QSize(321, 234));
    EXPECT_TRUE(log.contains("ERROR", "Failed to restore the frame of aboutWindow"));
}

TEST_F(WindowManagerTest, ReleasedManagerTakesItsWindowsAlong) {
    QPointer<QWidget> window = manager_->showWindow("settings", makeWindow());
    manager_.reset();
    EXPECT_TRUE(window.isNull());
}

}  // namespace
}  // namespace quorvane
