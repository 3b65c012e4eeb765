#include <gtest/gtest.h>

#include <QAction>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <memory>
#include <string>
#include <vector>

#include "hotkeys/widgets/KeyComboRecorderControl.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "support/QtTestApplication.h"

namespace quorvane {
namespace {

class RecordingDelegate : public KeyComboRecorderControlDelegate {
public:
    void keyComboRecorderDidStartRecording(KeyComboRecorderState&) override { calls.push_back("start"); }
    void keyComboRecorderDidEndRecording(KeyComboRecorderState&) override { calls.push_back("end"); }
    void keyComboRecorder(KeyComboRecorderState&, const std::optional<KeyCombo>& combo) override {
        calls.push_back("record " + (combo ? combo->displayString() : std::string("none")));
    }
    std::vector<std::string> calls;
};

// The recorder in a window beside a text field that has a Ctrl+Shift+K shortcut of its own.
class KeyComboRecorderControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::qtTestApplication();
        window_ = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window_.get());
        field_ = new QLineEdit(window_.get());
        recorder_ = new KeyComboRecorderControl(loop_, window_.get());
        layout->addWidget(field_);
        layout->addWidget(recorder_);
        auto* action = new QAction(window_.get());
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
        QObject::connect(action, &QAction::triggered, [this] { ++shortcutRuns_; });
        window_->addAction(action);
        recorder_->setDelegate(&delegate_);
        window_->resize(320, 100);
        window_->show();
        window_->activateWindow();
        field_->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }

    QString labelText() const { return recorder_->findChild<QLabel*>()->text(); }
    QColor labelColor() const {
        return recorder_->findChild<QLabel*>()->palette().color(QPalette::WindowText);
    }
    bool spinnerVisible() const {
        for (auto* child : recorder_->findChildren<QWidget*>()) {
            if (!qobject_cast<QLabel*>(child) && child->isVisible()) return true;
        }
        return false;
    }
    void click() { QTest::mouseClick(recorder_, Qt::LeftButton); }
    void typeInField(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(field_, static_cast<Qt::Key>(key), modifiers);
    }

    FakeClock clock_;
    ManualRunLoop loop_{clock_};
    InMemoryUserDefaults defaults_;
    StandardAppLanguage language_{defaults_};
    RecordingDelegate delegate_;
    std::unique_ptr<QWidget> window_;
    QLineEdit* field_ = nullptr;
    KeyComboRecorderControl* recorder_ = nullptr;
    int shortcutRuns_ = 0;
};

TEST_F(KeyComboRecorderControlTest, ClickThenComboShowsItInTheAccentAndCommitsHalfASecondLater) {
    EXPECT_EQ(labelText(), "Click to record shortcut");
    click();
    EXPECT_TRUE(recorder_->isRecording());
    EXPECT_EQ(labelText(), "Press hotkey combination...");
    EXPECT_TRUE(spinnerVisible());

    typeInField(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(labelText(), "Ctrl+Shift+K");
    EXPECT_EQ(labelColor(), recorder_->palette().color(QPalette::Highlight));
    EXPECT_EQ(shortcutRuns_, 0) << "the window's own shortcut must not see a key typed for the recording";
    EXPECT_TRUE(field_->text().isEmpty());

    loop_.advance(0.5);
    EXPECT_FALSE(recorder_->isRecording());
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"start", "record Ctrl+Shift+K", "end"}));
    EXPECT_EQ(recorder_->keyCombo(), (KeyCombo{40, hotkeyModifierCommand | hotkeyModifierShift}));
    EXPECT_EQ(labelText(), "Ctrl+Shift+K");
    EXPECT_EQ(labelColor(), recorder_->palette().color(QPalette::WindowText));
    EXPECT_FALSE(spinnerVisible());

    // Recording over: keys reach the field and the shortcut again.
    typeInField(Qt::Key_A);
    typeInField(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(field_->text(), "a");
    EXPECT_EQ(shortcutRuns_, 1);
}

TEST_F(KeyComboRecorderControlTest, PlainLettersAndModifierKeysAreSwallowedWithoutCapture) {
    click();
    typeInField(Qt::Key_A);
    QTest::keyPress(field_, Qt::Key_Shift);
    QTest::keyRelease(field_, Qt::Key_Shift);
    QTest::keyPress(field_, Qt::Key_Control, Qt::ControlModifier);
    loop_.advance(1);
    EXPECT_TRUE(recorder_->isRecording());
    EXPECT_EQ(labelText(), "Press hotkey combination...");
    EXPECT_TRUE(field_->text().isEmpty());

    typeInField(Qt::Key_F6);
    EXPECT_EQ(labelText(), "F6");
}

TEST_F(KeyComboRecorderControlTest, ReleasedWhileRecordingEndsTheRecordingAndGivesTheKeysBack) {
    click();
    typeInField(Qt::Key_K, Qt::ControlModifier);
    delete recorder_;
    recorder_ = nullptr;
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"start", "end"}));
    loop_.advance(1);
    typeInField(Qt::Key_B);
    EXPECT_EQ(field_->text(), "b");
}

TEST_F(KeyComboRecorderControlTest, TheKeyboardIsHeldWhileRecordingAndGivenBackByFocusElsewhereOrHiding) {
    click();
    EXPECT_EQ(QWidget::keyboardGrabber(), recorder_);
    // The user clicks into another control: nothing is committed.
    field_->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(recorder_->isRecording());
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"start", "end"}));

    // Another page shows, or the window closes.
    click();
    typeInField(Qt::Key_K, Qt::ControlModifier);
    recorder_->hide();
    EXPECT_FALSE(recorder_->isRecording());
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    loop_.advance(1);
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"start", "end", "start", "end"}));
    typeInField(Qt::Key_B);
    EXPECT_EQ(field_->text(), "b");
}

TEST_F(KeyComboRecorderControlTest, ThePromptFitsBesideTheSpinnerAtFullSize) {
    recorder_->setFixedWidth(recorder_->sizeHint().width());
    click();
    auto* label = recorder_->findChild<QLabel*>();
    QApplication::processEvents();
    EXPECT_EQ(label->font().pointSizeF(), 13);
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->width());
}

TEST_F(KeyComboRecorderControlTest, ATextTooWideForTheFieldShrinksUntilItFitsAndAShortOneKeepsItsSize) {
    auto* label = recorder_->findChild<QLabel*>();
    recorder_->setFixedWidth(190);
    recorder_->setPlaceholder("Click to record shortcut");
    recorder_->setKeyCombo(std::nullopt);
    QApplication::processEvents();
    EXPECT_LT(label->font().pointSizeF(), 13);
    EXPECT_LE(QFontMetricsF(label->font()).horizontalAdvance(label->text()), label->width());

    // Wide enough again: the usual size comes back.
    recorder_->setFixedWidth(400);
    QApplication::processEvents();
    EXPECT_EQ(label->font().pointSizeF(), 13);

    recorder_->setFixedWidth(190);
    recorder_->setKeyCombo(KeyCombo::defaultClipboardHistory());
    QApplication::processEvents();
    EXPECT_EQ(label->font().pointSizeF(), 13);
    EXPECT_EQ(labelText(), "Super+Shift+V");
}

TEST(KeyComboRecorderControlKeysTest, QtKeysMapToStoredKeyCodesAndFlags) {
    testing::qtTestApplication();
    const auto codeOf = [](int key, quint32 scanCode = 0) {
        return KeyComboRecorderControl::keyCodeOf(
            QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, scanCode, 0, 0));
    };
    EXPECT_EQ(codeOf(Qt::Key_V), 9);
    EXPECT_EQ(codeOf(Qt::Key_K), 40);
    EXPECT_EQ(codeOf(Qt::Key_1), 18);
    EXPECT_EQ(codeOf(Qt::Key_F1), 122);
    EXPECT_EQ(codeOf(Qt::Key_F12), 111);
    EXPECT_EQ(codeOf(Qt::Key_Return), 36);
    EXPECT_EQ(codeOf(Qt::Key_Escape, 9), 53);
    EXPECT_EQ(codeOf(Qt::Key_Shift), std::nullopt);
    EXPECT_EQ(codeOf(Qt::Key_CapsLock), std::nullopt);
    EXPECT_EQ(codeOf(Qt::Key_unknown), std::nullopt);
    EXPECT_EQ(
        KeyComboRecorderControl::modifierFlagsOf(Qt::ControlModifier | Qt::MetaModifier | Qt::KeypadModifier),
        hotkeyModifierCommand | hotkeyModifierControl);
    EXPECT_EQ(KeyComboRecorderControl::modifierFlagsOf(Qt::AltModifier | Qt::ShiftModifier),
              hotkeyModifierOption | hotkeyModifierShift);
}

// Pictures of each state in both palettes and both languages, for review: one file per state, and one sheet
// per palette with every state in both languages.
TEST_F(KeyComboRecorderControlTest, ScreenshotsOfEachState) {
    const QString folder = testing::screenshotFolder("hotkeys");
    const std::vector<std::pair<QString, QPalette>> palettes{{"light", testing::lightTestPalette()},
                                                             {"dark", testing::darkTestPalette()}};
    const QStringList states{"placeholder", "recording", "captured", "committed"};
    for (const auto& [paletteName, palette] : palettes) {
        QPixmap sheet(window_->width() * 2, window_->height() * static_cast<int>(states.size()));
        QPainter painter(&sheet);
        int column = 0;
        for (const auto& [language, raw] : {std::pair<QString, const char*>{"en", "en"}, {"zh", "zh-Hans"}}) {
            defaults_.set(AppLanguage::defaultsKey, raw);
            window_->setPalette(palette);
            window_->setAutoFillBackground(true);
            recorder_->setKeyCombo(std::nullopt);
            int row = 0;
            const auto save = [&](const QString& state) {
                QApplication::processEvents();
                const QPixmap picture = window_->grab();
                const QString path =
                    folder + "/recorder-" + state + "-" + paletteName + "-" + language + ".png";
                EXPECT_TRUE(picture.save(path)) << path.toStdString();
                painter.drawPixmap(column * window_->width(), row++ * window_->height(), picture);
            };
            save(states[0]);
            click();
            save(states[1]);
            typeInField(Qt::Key_V, Qt::MetaModifier | Qt::ShiftModifier);
            save(states[2]);
            loop_.advance(0.5);
            save(states[3]);
            ++column;
        }
        painter.end();
        EXPECT_TRUE(sheet.save(folder + "/recorder-sheet-" + paletteName + ".png"));
    }
    defaults_.set(AppLanguage::defaultsKey, "en");
}

}  // namespace
}  // namespace quorvane
