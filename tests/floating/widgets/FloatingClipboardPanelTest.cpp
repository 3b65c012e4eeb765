#include <gtest/gtest.h>

#include <QClipboard>
#include <QKeyEvent>
#include <QTest>

#include "floating/widgets/FloatingClipboardPanel.h"
#include "floating/widgets/FloatingPanelTestFixture.h"
#include "platform/memory/InMemoryUserDefaults.h"

namespace quorvane {
namespace {

class RecordingDelegate final : public FloatingClipboardPanelDelegate {
public:
    void searchTextDidChange(const std::string& text) override { searches.push_back(text); }
    void copySelection() override { calls.push_back("copy"); }
    void moveSelection(bool up) override { calls.push_back(up ? "up" : "down"); }
    void confirmSelection() override { calls.push_back("confirm"); }
    void confirmSelectionAsPlainText() override { calls.push_back("confirmPlain"); }
    void deleteSelectedItem() override { calls.push_back("delete"); }
    void showActionsMenuForSelectedItem() override { calls.push_back("actions"); }
    void openSelectedItemWithDefaultApp() override { calls.push_back("open"); }
    void saveSelectedItem() override { calls.push_back("save"); }
    void pinSelectedItem() override { calls.push_back("pin"); }
    void toggleFormattingForSelectedItem() override { calls.push_back("format"); }
    void togglePinnedPreview() override { calls.push_back("pinPreview"); }
    bool acceptSelectedFilterSuggestion() override {
        calls.push_back("accept");
        return acceptAnswer;
    }
    bool cancelFilterSuggestion() override {
        calls.push_back("cancel");
        return cancelAnswer;
    }
    void hidePanel() override { calls.push_back("hide"); }
    void openSettings() override { calls.push_back("settings"); }
    void performFooterAction(ClipboardFooterStatusPresentation::Action::Kind) override {
        calls.push_back("action");
    }

    std::vector<std::string> calls;
    std::vector<std::string> searches;
    bool acceptAnswer = false;
    bool cancelAnswer = false;
};

class FloatingClipboardPanelTest : public ::testing::Test {
protected:
    FloatingClipboardPanelTest() {
        testing::floatingWidgetApplication();
        panel.delegate = &delegate;
    }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool autoRepeat = false) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, QString(), autoRepeat);
        QApplication::sendEvent(panel.searchField(), &event);
    }

    InMemoryUserDefaults defaults;
    ClipboardSearchAutoCompleteManager completions{defaults, nullptr};
    RecordingDelegate delegate;
    FloatingClipboardPanel panel{completions};
};

TEST_F(FloatingClipboardPanelTest, ShowingBuildsOnceAtTheGivenOriginWithTheDefaultFooter) {
    panel.show({100, 50});
    KeyablePanel* first = panel.window();
    panel.hide();
    panel.show({300, 200});
    EXPECT_EQ(panel.window(), first);
    EXPECT_EQ(panel.window()->geometry(), QRect(300, 200, 420, 360));
    EXPECT_TRUE(panel.statusLabel()->isHidden());
    EXPECT_EQ(panel.primaryTipButton()->text().toStdString(), "Copy & Return");
    EXPECT_EQ(panel.secondaryTipButton()->text().toStdString(), "Open Actions");
    EXPECT_EQ(panel.secondaryTipButton()->accessibleName().toStdString(), "Ctrl+K Open Actions");

    ClipboardFooterStatusPresentation hint{"Short", "Long", std::nullopt,
                                           ClipboardFooterStatusPresentation::TrailingAccessory::none};
    panel.updateFooterStatus(hint);
    EXPECT_TRUE(panel.primaryTipButton()->isHidden());
    EXPECT_TRUE(panel.secondaryTipButton()->isHidden());
    EXPECT_EQ(panel.statusLabel()->toolTip().toStdString(), "Long");
    panel.updateFooterStatus(std::nullopt);
    panel.setFilterSuggestionFooterMode(true);
    EXPECT_EQ(panel.primaryTipButton()->text().toStdString(), "Apply Filter");
    EXPECT_EQ(panel.secondaryTipButton()->text().toStdString(), "Esc Cancel");

    panel.searchField()->replaceText("query");
    panel.hide();
    EXPECT_TRUE(panel.searchField()->text().isEmpty()) << "the next show starts with an empty query";
    EXPECT_EQ(panel.primaryTipButton()->text().toStdString(), "Copy & Return");
}

TEST_F(FloatingClipboardPanelTest, EscapeCancelsAFilterFirstAndHidesOnlyWhenThereIsNone) {
    panel.show({0, 0});
    delegate.cancelAnswer = true;
    press(Qt::Key_Escape);
    EXPECT_EQ(delegate.calls, std::vector<std::string>{"cancel"});
    delegate.cancelAnswer = false;
    press(Qt::Key_Escape);
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"cancel", "cancel", "hide"}));
}

TEST_F(FloatingClipboardPanelTest, HeldReturnConfirmsOnceAndTabStaysInTheField) {
    panel.show({0, 0});
    press(Qt::Key_Return);
    press(Qt::Key_Return, Qt::NoModifier, true);
    press(Qt::Key_Return, Qt::NoModifier, true);
    press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"confirm", "confirmPlain"}));
    delegate.calls.clear();
    press(Qt::Key_Tab);
    EXPECT_EQ(delegate.calls, std::vector<std::string>{"accept"});
    EXPECT_TRUE(panel.searchField()->hasFocus() || !panel.window()->isActiveWindow());
    press(Qt::Key_Down);
    press(Qt::Key_K, Qt::ControlModifier);
    press(Qt::Key_Y, Qt::ControlModifier | Qt::ShiftModifier);
    press(Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(delegate.calls,
              (std::vector<std::string>{"accept", "down", "actions", "pinPreview", "delete"}));
}

TEST_F(FloatingClipboardPanelTest, CtrlVPastesTextIntoTheFieldAndLeavesTheCaretAfterIt) {
    panel.show({0, 0});
    panel.searchField()->replaceText("ab");
    panel.searchField()->setFocus();
    panel.searchField()->setCursorPosition(1);
    QGuiApplication::clipboard()->setText(QString::fromUtf8("x\xF0\x9F\x98\x80"));
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(panel.searchField()->text().toStdString(),
              "ax\xF0\x9F\x98\x80"
              "b");
    EXPECT_EQ(panel.searchField()->cursorPosition(), 4) << "after the emoji's two UTF-16 units";
    EXPECT_EQ(delegate.searches, std::vector<std::string>{"ax\xF0\x9F\x98\x80"
                                                          "b"});

    QGuiApplication::clipboard()->clear();
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(panel.searchField()->text().toStdString(),
              "ax\xF0\x9F\x98\x80"
              "b");
    EXPECT_EQ(delegate.searches.size(), 1u);
    EXPECT_TRUE(delegate.calls.empty());
}

}  // namespace
}  // namespace quorvane
