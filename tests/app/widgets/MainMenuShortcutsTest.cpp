#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <vector>

#include "app/model/AppMainMenu.h"
#include "app/model/FakeAppUpdater.h"
#include "app/widgets/MainMenuShortcuts.h"
#include "l10n/StandardAppLanguage.h"
#include "panel/support/PinWindowDoubles.h"
#include "panel/widgets/PinWindow.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "support/PictureBytes.h"
#include "support/QtTestApplication.h"

namespace quorvane {
namespace {

class MainMenuShortcutsTest : public ::testing::Test {
protected:
    ~MainMenuShortcutsTest() override { defaults.set(AppLanguage::defaultsKey, std::string("en")); }

    static bool activate(QWidget& window) {
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        return QTest::qWaitForWindowActive(&window);
    }

    // First: the shortcuts below install themselves on the application.
    QApplication& application = testing::qtTestApplication();
    InMemoryUserDefaults defaults;
    StandardAppLanguage language{defaults};
    QtMainQueue mainQueue;
    NotificationCenter notifications{mainQueue};
    FakeAppUpdater updater;
    AppMainMenu menu{updater, mainQueue, notifications, "Quorvane"};
    std::vector<AppMenuAction> performed;
    MainMenuShortcuts shortcuts{menu, [this](AppMenuAction action) { performed.push_back(action); }};
};

TEST_F(MainMenuShortcutsTest, CtrlShortcutsRunTheirCommandsInOurWindowsAndCtrlWClosesTheActiveOne) {
    QWidget window;
    ASSERT_TRUE(activate(window));
    QTest::keyClick(&window, Qt::Key_Comma, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(performed, (std::vector<AppMenuAction>{AppMenuAction::openSettings, AppMenuAction::quit}));
    // Commands without a key equivalent, and Hide Others, have no shortcut here.
    EXPECT_EQ(shortcuts.action(AppMenuAction::showOnboarding), nullptr);
    EXPECT_EQ(shortcuts.action(AppMenuAction::hideOthers), nullptr);

    QTest::keyClick(&window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(performed.size(), 2u);
}

TEST_F(MainMenuShortcutsTest, PanelsKeepTheirOwnKeys) {
    QWidget panel(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    ASSERT_TRUE(activate(panel));
    EXPECT_TRUE(panel.actions().isEmpty());
    QTest::keyClick(&panel, Qt::Key_Comma, Qt::ControlModifier);
    QTest::keyClick(&panel, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(performed.empty());
    EXPECT_TRUE(panel.isVisible());
}

TEST_F(MainMenuShortcutsTest, EditCommandsReachTheFocusedControlAndTextFieldsKeepTheirOwn) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* list = new QListWidget;
    list->addItems({"one", "two", "three"});
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* field = new QLineEdit("typed text");
    layout->addWidget(list);
    layout->addWidget(field);
    ASSERT_TRUE(activate(window));

    list->setFocus();
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list->selectedItems().size(), 3);
    // A control without the command's slot is left alone.
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);

    // Text fields keep their own editing keys.
    field->setFocus();
    field->deselect();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(field->selectedText(), "typed text");
    QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "");
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "typed text");
}

// An image pin has no control that copies: its own copy takes Ctrl+C; a text pin's editor keeps its own.
TEST_F(MainMenuShortcutsTest, AWindowsOwnCopyTakesCtrlCWhereNoControlHasOne) {
    testing::FakeSavePanelPresenter savePanel;
    FakeAlertPresenter alerts;
    InMemoryPasteboard pasteboard;
    const Data bytes = testing::pngBytes(8, 6);
    ClipboardHistoryIndexSnapshot entry;
    entry.id = "picture";
    entry.contentType = ClipboardContentType::image;
    ClipboardHistoryContentSnapshot content;
    content.imageData = bytes;
    QPointer<PinWindow> image = PinWindow::make(
        entry, content, {}, testing::forwardingPinWindowServices(savePanel, alerts, pasteboard));
    ASSERT_TRUE(activate(*image));
    QTest::keyClick(image, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(pasteboard.data("image/png"), std::optional<Data>(bytes));
    delete image.data();

    entry.contentType = ClipboardContentType::text;
    content = {};
    content.content = "pinned words";
    QPointer<PinWindow> text = PinWindow::make(
        entry, content, {}, testing::forwardingPinWindowServices(savePanel, alerts, pasteboard));
    ASSERT_TRUE(activate(*text));
    text->textEditor()->setFocus();
    text->textEditor()->selectAll();
    QTest::keyClick(text->textEditor(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "pinned words") << "the editor's own copy";
    EXPECT_EQ(pasteboard.data("image/png"), std::optional<Data>(bytes))
        << "not the window's copy of the entry";
    EXPECT_TRUE(performed.empty());
    delete text.data();
}

TEST_F(MainMenuShortcutsTest, LanguageChangeRetitlesTheActions) {
    ASSERT_NE(shortcuts.action(AppMenuAction::quit), nullptr);
    EXPECT_EQ(shortcuts.action(AppMenuAction::quit)->text(), "Quit Quorvane");
    AppLanguage::set(AppLanguage::simplifiedChinese, defaults, notifications);
    for (int turn = 0; turn < 5; ++turn) QApplication::processEvents();
    EXPECT_EQ(shortcuts.action(AppMenuAction::quit)->text(), QString::fromUtf8("退出 Quorvane"));
    EXPECT_EQ(shortcuts.action(AppMenuAction::closeWindow)->shortcut(), QKeySequence("Ctrl+W"));
}

}  // namespace
}  // namespace quorvane
