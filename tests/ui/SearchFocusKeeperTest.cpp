#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include "support/QtTestApplication.h"
#include "ui/KeyablePanel.h"
#include "ui/SearchFocusKeeper.h"

namespace quorvane {
namespace {

// A panel with its search field, a read-only text to select from, a field of its own and a button.
class SearchFocusKeeperTest : public ::testing::Test {
protected:
    void SetUp() override {
        search = new QLineEdit(&panel);
        detail = new QTextEdit(&panel);
        note = new QLineEdit(&panel);
        button = new QPushButton("Go", &panel);
        auto* layout = new QVBoxLayout(&panel);
        for (QWidget* widget : std::initializer_list<QWidget*>{search, detail, note, button})
            layout->addWidget(widget);
        detail->setReadOnly(true);
        detail->setPlainText("some detail text");
        new SearchFocusKeeper(panel, *search, &panel);
        panel.resize(300, 300);
        panel.present();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    }

    const bool started = (testing::qtTestApplication(), true);
    KeyablePanel panel;
    QLineEdit* search = nullptr;
    QTextEdit* detail = nullptr;
    QLineEdit* note = nullptr;
    QPushButton* button = nullptr;
};

TEST_F(SearchFocusKeeperTest, KeysTypedAtTheWindowOrAReadOnlyTextGoToTheSearchField) {
    panel.setFocus();
    QTest::keyClick(&panel, Qt::Key_A);
    QTest::keyClicks(QApplication::focusWidget(), "b");
    EXPECT_EQ(search->text(), "ab");
    EXPECT_TRUE(search->hasFocus());

    detail->setFocus();
    QTest::keyClicks(detail->viewport(), "c");
    EXPECT_EQ(search->text(), "abc");
    detail->setFocus();
    QTest::keyClick(detail, Qt::Key_Backspace);
    EXPECT_EQ(search->text(), "ab");
    EXPECT_EQ(detail->toPlainText(), "some detail text");
}

TEST_F(SearchFocusKeeperTest, AnEditableFieldAndShortcutsKeepTheirKeys) {
    note->setFocus();
    QTest::keyClicks(note, "x");
    EXPECT_EQ(note->text(), "x");
    EXPECT_TRUE(search->text().isEmpty());

    panel.setFocus();
    QTest::keyClick(&panel, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&panel, Qt::Key_Return);
    QTest::keyClick(&panel, Qt::Key_Down);
    EXPECT_TRUE(search->text().isEmpty());
}

TEST_F(SearchFocusKeeperTest, AClickThatFocusesAButtonOrTheWindowGivesTheFieldTheFocusBack) {
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return search->hasFocus(); }, 1000));

    panel.setFocus(Qt::MouseFocusReason);
    EXPECT_TRUE(QTest::qWaitFor([&] { return search->hasFocus(); }, 1000));

    // Selecting text in the read-only view leaves the focus there, for the copy shortcut.
    detail->setFocus(Qt::MouseFocusReason);
    QTest::qWait(50);
    EXPECT_TRUE(detail->hasFocus());
}

}  // namespace
}  // namespace quorvane
