// Qt's own texts around our windows, in the interface language: the detail pane's text menu opened with the
// right button, and the save dialog. Pictures for review in light and dark, English and Chinese; the test
// checks the menu and the dialog speak the language.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include "desktop/DesktopSession.h"
#include "desktop/ScreenshotTest.h"
#include "desktop/UserInput.h"
#include "l10n/L10n.h"
#include "panel/support/PanelTestEntries.h"
#include "panel/widgets/ClipboardDetailView.h"
#include "panel/widgets/SystemClipboardSavePanelPresenter.h"

namespace quorvane {
namespace {

using namespace std::chrono_literals;
using testing::DesktopSession;
namespace input = testing::userinput;

class QtOwnTextsScreenshotTest : public testing::ScreenshotTest {
protected:
    QtOwnTextsScreenshotTest() : ScreenshotTest("qt-texts") {}

    // Whether any of `texts` contains the word Qt's own catalogue has for `english` in this language.
    bool speaks(const QStringList& texts, const QString& english, const QString& chineseWord) const {
        const QString wanted = chinese ? chineseWord : english;
        for (QString text : texts) {
            if (text.remove('&').contains(wanted)) return true;
        }
        return false;
    }
};

TEST_P(QtOwnTextsScreenshotTest, TheDetailTextMenuOpenedWithTheRightButton) {
    ClipboardDetailView detail;
    detail.contentProvider = [](const std::string& id, auto reply) {
        ClipboardHistoryContentSnapshot content;
        content.id = id;
        content.content = "Quorvane keeps what you copy";
        reply(content);
    };
    detail.resize(420, 300);
    detail.move(60, 60);
    detail.show();
    detail.showItem(testing::textEntry("t", "Quorvane keeps what you copy"), "");
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return detail.isVisible() && detail.textView()->toPlainText().contains("Quorvane"); }));
    DesktopSession::processEventsFor(200ms);
    QWidget* viewport = detail.textView()->viewport();
    ASSERT_TRUE(input::click(viewport->mapToGlobal(QPoint(40, 12)), 3));
    QMenu* menu = nullptr;
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] {
        menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return menu && menu->isVisible();
    })) << "no menu opened";
    DesktopSession::processEventsFor(150ms);
    QStringList texts;
    for (QAction* action : menu->actions()) texts << action->text();
    EXPECT_TRUE(speaks(texts, "Select All", QStringLiteral("全选"))) << texts.join(" | ").toStdString();
    EXPECT_TRUE(speaks(texts, "Copy", QStringLiteral("复制"))) << texts.join(" | ").toStdString();
    save(*menu, "detail-menu", 5);
    menu->close();
}

TEST_P(QtOwnTextsScreenshotTest, TheSaveDialog) {
    QWidget owner;
    owner.resize(300, 200);
    owner.show();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return owner.isVisible(); }));
    SystemClipboardSavePanelPresenter presenter(&owner);
    bool answered = false;
    presenter.present({L10n::text(L10nKey::saveDialogTitle), L10n::text(L10nKey::saveDialogNameLabel),
                       "text/plain", "Clipboard.txt"},
                      [&](const std::optional<std::filesystem::path>&) { answered = true; });
    QFileDialog* dialog = nullptr;
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] {
        dialog = owner.findChild<QFileDialog*>();
        return dialog && dialog->isVisible();
    })) << "no save dialog";
    dialog->resize(720, 460);
    DesktopSession::processEventsFor(300ms);
    QStringList texts;
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) texts << button->text();
    EXPECT_TRUE(speaks(texts, "Save", QStringLiteral("保存"))) << texts.join(" | ").toStdString();
    EXPECT_TRUE(speaks(texts, "Cancel", QStringLiteral("取消"))) << texts.join(" | ").toStdString();
    // The file type's name comes from the system's list of types, in the language Qt's locale names.
    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    EXPECT_TRUE(speaks({types->currentText()}, "plain text", QStringLiteral("纯文本")))
        << types->currentText().toStdString();
    save(*dialog, "save-dialog");
    dialog->reject();
    EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return answered; }));
}

INSTANTIATE_TEST_SUITE_P(Appearances, QtOwnTextsScreenshotTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()), [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Dark" : "Light") +
                                    (std::get<1>(info.param) ? "Chinese" : "English");
                         });

}  // namespace
}  // namespace quorvane
