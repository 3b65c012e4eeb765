#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>
#include <memory>
#include <vector>

#include "hotkeys/model/ClipboardHotkeyStatus.h"
#include "hotkeys/widgets/HotkeyFailureLabel.h"
#include "hotkeys/widgets/KeyComboRecorderControl.h"
#include "l10n/L10n.h"
#include "l10n/StandardAppLanguage.h"
#include "onboarding/model/OnboardingViewModel.h"
#include "onboarding/widgets/OnboardingWindow.h"
#include "onboarding/widgets/OnboardingWindowController.h"
#include "panel/model/ClipboardHotkeySetting.h"
#include "platform/NotificationCenter.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryActivationPolicy.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "preferences/SettingsAccessors.h"
#include "support/CutTexts.h"
#include "support/QtTestApplication.h"
#include "system/AccessibilityPermissionManagerProtocol.h"
#include "ui/WindowManager.h"

namespace quorvane {
namespace {

class FakeAccessibility : public AccessibilityPermissionManagerProtocol {
public:
    AccessibilityPermissionStatus status() const override { return AccessibilityPermissionStatus::unknown; }
    bool isTrusted() const override { return trusted; }
    bool hasRequestedPermission() const override { return requested; }
    void requestPermission() override { requested = true; }
    void openSystemSettings() override {}
    void openURL(const std::string&) override {}
    bool canOpenSystemSettings() const override { return hasSettings; }
    bool trusted = false;
    bool requested = false;
    bool hasSettings = true;
};

class OnboardingWindowTest : public ::testing::Test {
protected:
    void SetUp() override { testing::qtTestApplication(); }

    std::unique_ptr<OnboardingWindow> makeWindow(OnboardingViewModel& model) {
        auto window = std::make_unique<OnboardingWindow>(model, loop_, defaults_, notifications_, "Quorvane",
                                                         [this] { ++finishCalls_; });
        window->show();
        return window;
    }

    FakeClock clock_;
    ManualRunLoop loop_{clock_};
    NotificationCenter notifications_{loop_};
    InMemoryUserDefaults defaults_;
    StandardAppLanguage language_{defaults_};
    FakeAccessibility accessibility_;
    OnboardingViewModel direct_{defaults_, DistributionChannel::direct, accessibility_};
    OnboardingViewModel store_{defaults_, DistributionChannel::appStore, accessibility_};
    int finishCalls_ = 0;
};

TEST_F(OnboardingWindowTest, NavigationFollowsTheChannelAndFinishStoresDefaults) {
    auto window = makeWindow(store_);
    EXPECT_EQ(window->progressLabel()->text(), "Step 1 of 4");
    EXPECT_FALSE(window->backButton()->isEnabled());
    EXPECT_TRUE(window->finishButton()->isHidden());
    for (int i = 0; i < 3; ++i) window->nextButton()->click();
    EXPECT_EQ(window->currentStep(), OnboardingStep::shortcut);
    EXPECT_TRUE(window->nextButton()->isHidden());
    EXPECT_FALSE(window->finishButton()->isHidden());
    EXPECT_TRUE(window->finishButton()->isDefault());
    // Outside the direct build there is no accessibility section.
    EXPECT_EQ(window->page()->findChild<QWidget*>("accessibilitySection"), nullptr);
    window->finishButton()->click();
    EXPECT_EQ(finishCalls_, 1);
    EXPECT_EQ(defaults_.boolValue("DidCompleteOnboarding"), true);
    EXPECT_TRUE(defaults_.contains(ClipboardHotkeySetting::key));

    auto directWindow = makeWindow(direct_);
    EXPECT_EQ(directWindow->progressLabel()->text(), "Step 1 of 5");
    directWindow->nextButton()->click();
    directWindow->nextButton()->click();
    EXPECT_EQ(directWindow->currentStep(), OnboardingStep::presentation);
    directWindow->page()->findChild<QRadioButton*>("floating")->click();
    EXPECT_EQ(defaults_.stringValue(SettingsKey::directClipboardPresentationMode), "floating");
    EXPECT_FALSE(directWindow->page()->findChild<QRadioButton*>("centered")->isChecked());
    directWindow->backButton()->click();
    EXPECT_EQ(directWindow->currentStep(), OnboardingStep::tutorial);
}

TEST_F(OnboardingWindowTest, EveryTextReadsWholeOnEveryPageInBothLanguages) {
    for (const char* language : {"en", "zh-Hans"}) {
        defaults_.set("AppLanguage", std::string(language));
        auto window = makeWindow(direct_);
        for (const auto step : onboardingSteps(DistributionChannel::direct)) {
            window->showStep(step);
            QCoreApplication::processEvents();
            const QStringList cut = testing::cutTexts(window.get());
            EXPECT_TRUE(cut.isEmpty()) << language << " step " << static_cast<int>(step) << ":\n  "
                                       << cut.join("\n  ").toStdString();
        }
    }
    defaults_.set("AppLanguage", std::string("en"));
}

TEST_F(OnboardingWindowTest, ReturnPressesNextAndOnTheLastPageFinishes) {
    auto window = makeWindow(store_);
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_EQ(window->currentStep(), OnboardingStep::tutorial);
    QTest::keyClick(window.get(), Qt::Key_Return, Qt::ShiftModifier);  // not a plain Return
    EXPECT_EQ(window->currentStep(), OnboardingStep::tutorial);
    window->showStep(OnboardingStep::shortcut);
    QTest::keyClick(window.get(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(finishCalls_, 1);
    EXPECT_EQ(defaults_.boolValue("DidCompleteOnboarding"), true);
}

TEST_F(OnboardingWindowTest, PagesStoreTheirControlsAtOnce) {
    auto window = makeWindow(direct_);
    window->showStep(OnboardingStep::recording);
    auto* images = window->page()->findChild<QCheckBox*>("captureImages");
    auto* text = window->page()->findChild<QCheckBox*>("captureText");
    images->click();
    text->click();
    EXPECT_TRUE(text->isChecked());  // the last kind of capture cannot be turned off
    EXPECT_EQ(defaults_.boolValue(SettingsKey::textCaptureEnabled), true);
    EXPECT_EQ(defaults_.boolValue(SettingsKey::imageCaptureEnabled), false);

    // The shortcut page shows the stored hot key; "Use ..." stores the default and lifts a deletion mark.
    const KeyCombo stored{40, hotkeyModifierCommand | hotkeyModifierOption};
    direct_.saveClipboardHotkey(stored);
    defaults_.set(ClipboardHotkeySetting::clearedKey, true);
    window->showStep(OnboardingStep::shortcut);
    EXPECT_EQ(window->shortcutRecorder()->keyCombo(), stored);
    auto* useDefault = window->page()->findChild<QPushButton*>("useDefaultShortcut");
    EXPECT_EQ(useDefault->text(),
              QString::fromStdString("Use " + KeyCombo::defaultClipboardHistory().displayString()));
    useDefault->click();
    EXPECT_EQ(window->shortcutRecorder()->keyCombo(), KeyCombo::defaultClipboardHistory());
    EXPECT_FALSE(defaults_.contains(ClipboardHotkeySetting::clearedKey));
    window->page()->findChild<QCheckBox*>("menuBarIcon")->click();
    EXPECT_EQ(defaults_.boolValue(SettingsKey::menuBarShowIcon), false);

    // The accessibility section, and its refresh a second after a request.
    EXPECT_EQ(window->accessibilityStatusLabel()->text(), "Not Determined");
    accessibility_.requested = true;
    loop_.advance(1.0);
    EXPECT_EQ(window->accessibilityStatusLabel()->text(), "Not Determined");
    window->page()->findChildren<QPushButton*>().at(1)->click();  // "Request Permission"
    loop_.advance(1.0);
    EXPECT_EQ(window->accessibilityStatusLabel()->text(), "Not Authorized");
}

TEST_F(OnboardingWindowTest, ChoosingALanguageRebuildsThePage) {
    auto window = makeWindow(direct_);
    auto* popup = window->page()->findChild<QComboBox*>("appLanguagePopup");
    popup->setCurrentIndex(1);
    emit popup->activated(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(defaults_.stringValue("AppLanguage"), "zh-Hans");
    EXPECT_EQ(window->nextButton()->text(), QString::fromUtf8("下一步"));
    EXPECT_EQ(window->page()->findChild<QComboBox*>("appLanguagePopup")->currentIndex(), 1);
    defaults_.set("AppLanguage", std::string("en"));
}

TEST_F(OnboardingWindowTest, LeavingTheShortcutStepOrClosingWhileRecordingGivesTheHotkeyBack) {
    std::vector<bool> recording;
    direct_.onClipboardHotkeyRecordingChanged = [&recording](bool on) { recording.push_back(on); };
    auto window = makeWindow(direct_);
    window->showStep(OnboardingStep::shortcut);
    QPointer<KeyComboRecorderControl> left = window->shortcutRecorder();
    left->startRecording();
    window->goBack();
    EXPECT_EQ(recording, (std::vector<bool>{true, false}));
    EXPECT_EQ(window->shortcutRecorder(), nullptr) << "the step left still answers for the shortcut";
    // The page left is released later; until then its recorder reports nothing.
    if (left) left->startRecording();
    EXPECT_EQ(recording.size(), 2u);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(left.isNull());

    window->goNext();
    window->shortcutRecorder()->startRecording();
    window.reset();
    EXPECT_EQ(recording, (std::vector<bool>{true, false, true, false}));
    direct_.onClipboardHotkeyRecordingChanged = nullptr;
}

// Lets the registry see the close (a zero-delay timer) and release the window.
void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(OnboardingWindowTest, ClosingRestoresThePolicyAndReopeningStartsAtWelcome) {
    WindowManager windows(defaults_);
    InMemoryActivationPolicy policy(ApplicationActivationPolicy::accessory);
    OnboardingWindowController controller(windows, direct_, policy, loop_, defaults_, notifications_,
                                          "Quorvane");
    controller.showWindow();
    controller.showWindow();
    ASSERT_NE(controller.window(), nullptr);
    EXPECT_EQ(policy.current(), ApplicationActivationPolicy::regular);
    controller.window()->showStep(OnboardingStep::presentation);
    controller.window()->close();
    settle();
    EXPECT_EQ(policy.current(), ApplicationActivationPolicy::accessory);
    controller.showWindow();
    ASSERT_NE(controller.window(), nullptr);
    EXPECT_EQ(controller.window()->currentStep(), OnboardingStep::welcome);
    // Finishing closes the window; onboarding is marked complete.
    controller.window()->showStep(OnboardingStep::shortcut);
    controller.window()->finishButton()->click();
    settle();
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_EQ(defaults_.boolValue("DidCompleteOnboarding"), true);
}

class FakeHotkeyStatus final : public ClipboardHotkeyStatus {
public:
    const std::optional<KeyCombo>& failedClipboardHotkey() const override { return failed; }
    const std::optional<KeyCombo>& refusedClipboardHotkey() const override { return refused; }
    const std::optional<KeyCombo>& registeredClipboardHotkey() const override { return registered; }
    Subscription observeClipboardHotkeyStatus(std::function<void()> callback) override {
        return changes.subscribe(std::move(callback));
    }
    void retryFailedClipboardHotkey() override {}

    std::optional<KeyCombo> failed;
    std::optional<KeyCombo> refused;
    std::optional<KeyCombo> registered;
    CallbackList<> changes;
};

TEST_F(OnboardingWindowTest, TheShortcutPageSaysWhileAnotherProgramHoldsTheShortcut) {
    FakeHotkeyStatus status;
    status.failed = KeyCombo::defaultClipboardHistory();
    direct_.clipboardHotkeyStatus = &status;
    const QString folder = testing::screenshotFolder("onboarding");
    for (const bool chinese : {false, true}) {
        defaults_.set("AppLanguage", std::string(chinese ? "zh-Hans" : "en"));
        for (const bool dark : {false, true}) {
            QApplication::setPalette(dark ? testing::darkTestPalette() : testing::lightTestPalette());
            auto window = makeWindow(direct_);
            window->showStep(OnboardingStep::shortcut);
            QCoreApplication::processEvents();
            ASSERT_NE(window->shortcutFailureLabel(), nullptr);
            EXPECT_TRUE(window->shortcutFailureLabel()->isVisible());
            EXPECT_EQ(window->shortcutFailureLabel()->text().toStdString(),
                      L10n::text(L10nKey::hotkeyHeldElsewhere, std::string("Super+Shift+V")));
            const QString suffix = QString(chinese ? "zh" : "en") + (dark ? "-dark" : "-light");
            EXPECT_TRUE(
                window->grab().toImage().save(folder + "/shortcut-held-elsewhere-" + suffix + ".png"));
        }
    }
    // The other program lets go: the line goes.
    auto window = makeWindow(direct_);
    window->showStep(OnboardingStep::shortcut);
    status.failed.reset();
    status.changes.notify();
    EXPECT_FALSE(window->shortcutFailureLabel()->isVisible());
    direct_.clipboardHotkeyStatus = nullptr;
    defaults_.set("AppLanguage", std::string("en"));
    QApplication::setPalette(testing::lightTestPalette());
}

TEST_F(OnboardingWindowTest, TheAccessibilitySettingsButtonShowsOnlyWhereTheDesktopHasSuchSettings) {
    const QString title = QString::fromStdString(L10n::text(L10nKey::advancedOpenAccessibilitySettings));
    for (const bool hasSettings : {true, false}) {
        SCOPED_TRACE(hasSettings);
        accessibility_.hasSettings = hasSettings;
        auto window = makeWindow(direct_);
        window->showStep(OnboardingStep::shortcut);
        window->refreshAccessibilityPermissionStatus();
        QPushButton* open = nullptr;
        QPushButton* request = nullptr;
        for (QPushButton* button : window->page()->findChildren<QPushButton*>()) {
            if (button->text() == title) open = button;
            if (button->text() ==
                QString::fromStdString(L10n::text(L10nKey::advancedRequestAccessibilityPermission)))
                request = button;
        }
        ASSERT_NE(open, nullptr);
        ASSERT_NE(request, nullptr);
        EXPECT_EQ(open->isHidden(), !hasSettings) << "a button that would open nothing";
        EXPECT_FALSE(request->isHidden());
    }
    accessibility_.hasSettings = true;
}

TEST_F(OnboardingWindowTest, ScreenshotsOfEveryPage) {
    const QString folder = testing::screenshotFolder("onboarding");
    for (const bool chinese : {false, true}) {
        defaults_.set("AppLanguage", std::string(chinese ? "zh-Hans" : "en"));
        for (const bool dark : {false, true}) {
            QApplication::setPalette(dark ? testing::darkTestPalette() : testing::lightTestPalette());
            auto window = makeWindow(direct_);
            const QString suffix = QString(chinese ? "zh" : "en") + (dark ? "-dark" : "-light");
            int index = 0;
            for (const auto step : onboardingSteps(DistributionChannel::direct)) {
                window->showStep(step);
                QCoreApplication::processEvents();
                const QImage image = window->grab().toImage();
                ASSERT_EQ(image.size(), QSize(920, 620) * image.devicePixelRatio());
                EXPECT_TRUE(image.save(folder + QString("/step%1-").arg(++index) + suffix + ".png"));
            }
            // The accessibility status on the shortcut step, granted and refused.
            for (const bool trusted : {true, false}) {
                accessibility_.trusted = trusted;
                accessibility_.requested = true;
                window->showStep(OnboardingStep::shortcut);
                window->refreshAccessibilityPermissionStatus();
                QCoreApplication::processEvents();
                EXPECT_TRUE(window->grab().toImage().save(
                    folder + (trusted ? "/accessibility-authorized-" : "/accessibility-denied-") + suffix +
                    ".png"));
            }
            accessibility_.trusted = false;
            accessibility_.requested = false;
        }
    }
    defaults_.set("AppLanguage", std::string("en"));
    QApplication::setPalette(testing::lightTestPalette());
}

}  // namespace
}  // namespace quorvane
