#include <gtest/gtest.h>

#include "app/model/AppCoordinator.h"
#include "app/model/FakeAppUpdater.h"
#include "capture/EmptyClipboardMonitor.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryTrayHost.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {
namespace {

class CountingWindow final : public WindowPresenting {
public:
    explicit CountingWindow(int& shows) : shows_(shows) {}
    void showWindow() override { ++shows_; }

private:
    int& shows_;
};

struct CoordinatorFixture : ::testing::Test {
    FakeClock clock;
    ManualRunLoop loop{clock};
    NotificationCenter notifications{loop};
    InMemoryUserDefaults defaults;
    InMemoryTrayHost trayHost;
    FakeAppUpdater updater;
    std::shared_ptr<ClipboardMonitorProtocol> monitor = std::make_shared<EmptyClipboardMonitor>();
    int aboutMade = 0, aboutShown = 0, onboardingShown = 0, panelToggles = 0, feedbackSent = 0;
    std::vector<std::optional<std::string>> settingsModules;

    std::unique_ptr<AppCoordinator> make(bool withWindows = true) {
        AppCoordinator::Windows windows;
        if (withWindows) {
            windows.toggleClipboardPanel = [this] { ++panelToggles; };
            windows.showSettings = [this](const std::optional<std::string>& module) {
                settingsModules.push_back(module);
            };
            windows.makeAboutWindow = [this] {
                ++aboutMade;
                return std::make_unique<CountingWindow>(aboutShown);
            };
            windows.makeOnboardingWindow = [this] {
                return std::make_unique<CountingWindow>(onboardingShown);
            };
        }
        auto coordinator =
            std::make_unique<AppCoordinator>(AppCoordinator::Services{defaults,
                                                                      loop,
                                                                      notifications,
                                                                      trayHost,
                                                                      updater,
                                                                      [this] { return monitor; },
                                                                      [this] { ++feedbackSent; },
                                                                      {}},
                                             std::move(windows));
        coordinator->startMenuBar();
        loop.runUntilIdle();
        return coordinator;
    }
};

TEST_F(CoordinatorFixture, TogglingCaptureTwiceReturnsToTheEarlierStateAndTheMenuFollows) {
    auto coordinator = make();
    MenuBarManager& menu = *coordinator->menuBarManager();
    EXPECT_FALSE(coordinator->isMonitoringTemporarilyPaused());
    menu.perform(MenuBarAction::toggleTemporaryMonitoring);
    EXPECT_TRUE(monitor->isTemporarilyPaused());
    EXPECT_EQ(menu.presentation().captureState, MenuBarCaptureState::paused);
    menu.perform(MenuBarAction::toggleTemporaryMonitoring);
    EXPECT_FALSE(monitor->isTemporarilyPaused());
    EXPECT_EQ(menu.presentation().captureState, MenuBarCaptureState::active);

    // The monitor asked is always the current one (the services may have been rebuilt).
    monitor = std::make_shared<EmptyClipboardMonitor>();
    monitor->pauseTemporarily();
    EXPECT_TRUE(coordinator->isMonitoringTemporarilyPaused());
    coordinator->toggleTemporaryMonitoring();
    EXPECT_FALSE(monitor->isTemporarilyPaused());
}

TEST_F(CoordinatorFixture, AboutWindowIsMadeOnceAndShownOnEveryRequest) {
    auto coordinator = make();
    coordinator->menuBarManager()->perform(MenuBarAction::showAbout);
    coordinator->showAbout();
    EXPECT_EQ(aboutMade, 1);
    EXPECT_EQ(aboutShown, 2);
}

TEST_F(CoordinatorFixture, MenuCommandsReachTheirWindowsAndTheUpdater) {
    auto coordinator = make();
    MenuBarManager& menu = *coordinator->menuBarManager();
    menu.perform(MenuBarAction::openSettings);
    menu.perform(MenuBarAction::openGeneralSettings);
    EXPECT_EQ(settingsModules, (std::vector<std::optional<std::string>>{std::nullopt, "general"}));

    menu.perform(MenuBarAction::openClipboardHistoryPanel);
    EXPECT_EQ(panelToggles, 0);  // runs on the next turn, not inside the menu's call
    loop.runUntilIdle();
    EXPECT_EQ(panelToggles, 1);

    menu.perform(MenuBarAction::checkForUpdates);
    EXPECT_EQ(updater.checkCount, 1);
    menu.perform(MenuBarAction::sendFeedback);
    EXPECT_EQ(feedbackSent, 1);
    menu.perform(MenuBarAction::showOnboarding);
    menu.perform(MenuBarAction::showOnboarding);
    EXPECT_EQ(onboardingShown, 2);
}

TEST_F(CoordinatorFixture, ReopenOpensGeneralSettingsOnceOnboardingIsDoneElseTheOnboarding) {
    auto coordinator = make();
    coordinator->handleReopen();
    EXPECT_EQ(onboardingShown, 1);
    EXPECT_TRUE(settingsModules.empty());

    // The wizard's own flag wins over the older settings-window flag.
    defaults.set(SettingsKey::didPresentInitialSettingsWindow, true);
    defaults.set(SettingsKey::didCompleteOnboarding, false);
    coordinator->handleReopen();
    EXPECT_EQ(onboardingShown, 2);
    defaults.remove(SettingsKey::didCompleteOnboarding);
    coordinator->handleReopen();
    EXPECT_EQ(settingsModules, (std::vector<std::optional<std::string>>{"general"}));
}

TEST_F(CoordinatorFixture, StartUpAsksForTheWizardOncePerProcessAndOnlyWhileOnboardingIsNotDone) {
    defaults.set(SettingsKey::didPresentInitialSettingsWindow, true);
    defaults.set(SettingsKey::didCompleteOnboarding, false);
    auto coordinator = make();
    EXPECT_TRUE(coordinator->requestInitialOnboarding());
    EXPECT_FALSE(coordinator->requestInitialOnboarding());
    EXPECT_EQ(onboardingShown, 1);
    // The menu and a second launch still open it whenever asked.
    coordinator->showOnboarding();
    EXPECT_EQ(onboardingShown, 2);

    defaults.remove(SettingsKey::didCompleteOnboarding);  // the older flag says done
    EXPECT_FALSE(make()->requestInitialOnboarding());
    defaults.set(SettingsKey::didCompleteOnboarding, true);
    defaults.set(SettingsKey::didPresentInitialSettingsWindow, false);
    EXPECT_FALSE(make()->requestInitialOnboarding());
    EXPECT_EQ(onboardingShown, 2);
}

TEST_F(CoordinatorFixture, EmptyWindowSlotsAndAGoneCoordinatorDoNothing) {
    auto coordinator = make(false);
    coordinator->showAbout();
    coordinator->showSettings();
    coordinator->showClipboardPanel();
    loop.runUntilIdle();
    // The menu's closures hold the coordinator weakly.
    std::function<void()> about = coordinator->menuBarManager()->onAboutAction;
    const std::function<bool()> pausedProvider =
        coordinator->menuBarManager()->isMonitoringTemporarilyPausedProvider;
    monitor->pauseTemporarily();
    coordinator.reset();
    about();
    EXPECT_FALSE(pausedProvider());
}

}  // namespace
}  // namespace quorvane
