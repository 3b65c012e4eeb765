#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <memory>
#include <optional>
#include <string>

#include "app/AppAssembler.h"
#include "app/AppWindows.h"
#include "app/model/AppCoordinator.h"
#include "hotkeys/widgets/KeyComboRecorderControl.h"
#include "onboarding/widgets/OnboardingWindow.h"
#include "panel/widgets/ClipboardPanelController.h"
#include "preferences/SettingsAccessors.h"
#include "settings/widgets/ClassificationWindow.h"
#include "settings/widgets/IgnoredAppsSettingsView.h"
#include "settings/widgets/SettingsWindowController.h"
#include "settings/widgets/ShortcutsSettingsViewController.h"
#include "settings/widgets/StorageSettingsView.h"
#include "support/ProgramFixture.h"
#include "support/QtTestApplication.h"
#include "ui/WindowManager.h"

namespace quorvane {
namespace {

class AppWindowsTest : public ::testing::Test, protected testing::ProgramFixture {
protected:
    AppWindowsTest() : ProgramFixture("storage") {}

    std::unique_ptr<AppCoordinator> makeCoordinator(AppWindows& windows) {
        return ProgramFixture::makeCoordinator(*assembler_, windows);
    }

    QApplication& application_ = testing::qtTestApplication();  // before any widget below
    std::unique_ptr<AppAssembler> assembler_ = makeAssembler(AppEnvironment{}, &registrar_);
};

TEST_F(AppWindowsTest, CoordinatorStartRegistersTheHotkeyAndRequestsReachSlotsFilledLater) {
    AppWindows windows(*assembler_, windowsPlatform());
    auto coordinator = makeCoordinator(windows);
    coordinator->startClipboardPanelCoordinator();
    EXPECT_TRUE(assembler_->hotkeyManager().isRegistered(KeyCombo::defaultClipboardHistory()));
    EXPECT_TRUE(assembler_->didStartClipboardCoordinator());

    // A window subsystem wired after the coordinator was made is still reached.
    std::optional<std::optional<std::string>> settingsModule;
    assembler_->windowFactories().showSettings = [&](const std::optional<std::string>& module) {
        settingsModule = module;
    };
    coordinator->handleReopen();  // onboarding not done: asks for it; nothing filled there may fail
    defaults_->set(SettingsKey::didCompleteOnboarding, true);
    coordinator->handleReopen();
    EXPECT_EQ(settingsModule, std::optional<std::string>(AppCoordinator::generalSettingsModule));
}

TEST_F(AppWindowsTest, ClassificationWindowIsBuiltOnceAndReleasedWithTheWindows) {
    auto windows = std::make_unique<AppWindows>(*assembler_, windowsPlatform());
    auto coordinator = makeCoordinator(*windows);
    WindowManager& registry = assembler_->windowManager();
    EXPECT_EQ(registry.window(ClassificationWindow::identifier), nullptr);

    coordinator->showClassification();
    QWidget* first = registry.window(ClassificationWindow::identifier);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    coordinator->showClassification();
    EXPECT_EQ(registry.window(ClassificationWindow::identifier), first);

    // The window refers to what the windows object owns: it must not outlive it in the registry.
    coordinator.reset();
    windows.reset();
    EXPECT_EQ(registry.window(ClassificationWindow::identifier), nullptr);
    EXPECT_FALSE(assembler_->windowFactories().showClassification);
}

TEST_F(AppWindowsTest, SettingsOpenOnTheAskedModuleAndARecordingThereSuspendsTheHotkey) {
    auto windows = std::make_unique<AppWindows>(*assembler_, windowsPlatform());
    auto coordinator = makeCoordinator(*windows);
    coordinator->startClipboardPanelCoordinator();
    WindowManager& registry = assembler_->windowManager();
    coordinator->showSettings(std::string("advanced"));
    auto* settings =
        dynamic_cast<SettingsWindowController*>(registry.window(SettingsWindowController::identifier));
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->selectedModule(), SettingsModuleIdentifier::advanced);

    coordinator->showSettings(std::string("general"));
    auto* general = dynamic_cast<ShortcutsSettingsViewController*>(settings->currentPage());
    ASSERT_NE(general, nullptr);
    general->keyComboRecorder()->startRecording();
    HotkeyManagerProtocol& hotkeys = assembler_->hotkeyManager();
    EXPECT_FALSE(hotkeys.isRegistered(KeyCombo::defaultClipboardHistory()));
    // Leaving the page ends the recording: the hot key is back.
    settings->selectModule(SettingsModuleIdentifier::storage);
    EXPECT_TRUE(hotkeys.isRegistered(KeyCombo::defaultClipboardHistory()));
    EXPECT_NE(dynamic_cast<StorageSettingsView*>(settings->currentPage()), nullptr);
    settings->selectModule(SettingsModuleIdentifier::appFilter);
    EXPECT_NE(dynamic_cast<IgnoredAppsSettingsView*>(settings->currentPage()), nullptr);

    coordinator.reset();
    windows.reset();
    EXPECT_EQ(registry.window(SettingsWindowController::identifier), nullptr);
}

TEST_F(AppWindowsTest, PanelListsFromTheServicesOfTheMomentAfterTheyWereRebuilt) {
    auto windows = std::make_unique<AppWindows>(*assembler_, windowsPlatform());
    auto* panel = dynamic_cast<ClipboardPanelController*>(
        assembler_->windowFactories().activeClipboardPanelController());
    ASSERT_NE(panel, nullptr);
    ClipboardPanelViewModel& viewModel = panel->viewModel();
    EXPECT_EQ(viewModel.clipboardHistoryManager(), assembler_->clipboardHistoryManager());

    assembler_->tearDownClipboardServices();
    EXPECT_EQ(viewModel.clipboardHistoryManager(), assembler_->clipboardHistoryManager())
        << "the torn-down services are let go at once";
    assembler_->buildClipboardServices();
    EXPECT_EQ(viewModel.clipboardHistoryManager(), assembler_->clipboardHistoryManager());
    EXPECT_EQ(viewModel.clipboardSearchService(), assembler_->clipboardSearchService());
    windows.reset();
}

// The start makes the caret lookup on a turn after the tray shows, and only there: the first press finds
// it made, and a press that comes first still gets one.
TEST_F(AppWindowsTest, TheCaretLookupIsMadeAfterTheStartAndBeforeTheFirstFloatingPress) {
    assembler_.reset();
    assembler_ = makeAssembler(
        AppEnvironment{{{distributionChannelInfoKey, DefaultsValue(std::string("DIRECT"))}}}, &registrar_);
    ASSERT_EQ(assembler_->distributionChannel(), DistributionChannel::direct);
    {
        AppWindows windows(*assembler_, windowsPlatform());
        EXPECT_FALSE(windows.hasCaretLookup()) << "the start does not wait for the accessibility bus";
        windows.prepareFirstPress();
        EXPECT_TRUE(windows.hasCaretLookup());
    }
    AppWindows windows(*assembler_, windowsPlatform());
    setDirectClipboardPresentationMode(*defaults_, DistributionChannel::direct,
                                       DirectClipboardPresentationMode::floating);
    ASSERT_NE(assembler_->windowFactories().activeClipboardPanelController(), nullptr);
    EXPECT_TRUE(windows.hasCaretLookup());
}

TEST_F(AppWindowsTest, ACopyWhileThePanelIsHiddenRefreshesTheFirstPageItWillShow) {
    AppWindows windows(*assembler_, windowsPlatform());
    auto* panel = dynamic_cast<ClipboardPanelController*>(
        assembler_->windowFactories().activeClipboardPanelController());
    ASSERT_NE(panel, nullptr);
    const ClipboardPanelViewModel& viewModel = panel->viewModel();
    windows.startInitialPanelLoad();
    ASSERT_TRUE(runQueuedWorkUntil(*assembler_, [&] { return !viewModel.isLoading(); }));
    EXPECT_TRUE(viewModel.clipboardItems().empty());

    assembler_->clipboardHistoryRepository()->saveTextItem(
        {.id = "copied", .preview = "copied", .searchText = "copied", .content = "copied"});
    assembler_->waitForSearchIndexJobs();
    loop_->runUntilIdle();
    EXPECT_TRUE(viewModel.clipboardItems().empty()) << "nothing before the pause after the change";
    loop_->advance(ClipboardPanelViewModel::hiddenRefreshDelaySeconds + 0.01);
    ASSERT_TRUE(runQueuedWorkUntil(*assembler_, [&] { return viewModel.clipboardItems().size() == 1; }));
    EXPECT_EQ(viewModel.clipboardItems()[0].id, "copied");
}

TEST_F(AppWindowsTest, WizardRecordingSuspendsTheHotkeyAndTheRecordedShortcutReplacesIt) {
    AppWindows windows(*assembler_, windowsPlatform());
    auto coordinator = makeCoordinator(windows);
    coordinator->startClipboardPanelCoordinator();
    HotkeyManagerProtocol& hotkeys = assembler_->hotkeyManager();
    ASSERT_EQ(hotkeys.registeredKeyCombos(), std::vector<KeyCombo>{KeyCombo::defaultClipboardHistory()});

    ASSERT_TRUE(coordinator->requestInitialOnboarding());
    QPointer<OnboardingWindow> wizard = qobject_cast<OnboardingWindow*>(windows.onboardingWindow());
    ASSERT_TRUE(wizard);
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(activationPolicy_.current(), ApplicationActivationPolicy::regular);

    wizard->showStep(OnboardingStep::shortcut);
    KeyComboRecorderControl* recorder = wizard->shortcutRecorder();
    recorder->startRecording();
    // Our own grab would take the keystroke the recorder waits for.
    EXPECT_TRUE(hotkeys.registeredKeyCombos().empty());
    const KeyCombo chosen{40, hotkeyModifierCommand | hotkeyModifierOption};
    ASSERT_TRUE(recorder->state().handleKeyDown(chosen.keyCode, chosen.modifierFlags));
    loop_->advance(1.0);
    ASSERT_FALSE(recorder->isRecording());
    EXPECT_EQ(hotkeys.registeredKeyCombos(), std::vector<KeyCombo>{chosen});

    // A press of the new shortcut reaches the panel the hot key shows.
    struct Panel final : ClipboardPanelControlling {
        bool isPanelVisible() const override { return false; }
        void showPanel() override { ++shown; }
        void hidePanel() override {}
        int shown = 0;
    } panel;
    assembler_->windowFactories().activeClipboardPanelController = [&panel] { return &panel; };
    ASSERT_TRUE(registrar_.press(chosen.keyCode, chosen.modifierFlags));
    loop_->runUntilIdle();
    EXPECT_EQ(panel.shown, 1);

    wizard->finishButton()->click();
    for (int turn = 0; turn < 5; ++turn) QApplication::processEvents();
    EXPECT_TRUE(wizard.isNull());
    EXPECT_EQ(defaults_->boolValue(SettingsKey::didCompleteOnboarding), true);
    EXPECT_EQ(activationPolicy_.current(), ApplicationActivationPolicy::accessory);
    EXPECT_FALSE(coordinator->requestInitialOnboarding());

    // The menu opens it again, from the first page.
    coordinator->showOnboarding();
    auto* again = qobject_cast<OnboardingWindow*>(windows.onboardingWindow());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->currentStep(), OnboardingStep::welcome);
}

}  // namespace
}  // namespace quorvane
