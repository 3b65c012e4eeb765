#include "app/model/AppCoordinator.h"

#include "base/Logger.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {

namespace {
constexpr const char* kLogCategory = "AppCoordinator";
}

AppCoordinator::AppCoordinator(Services services, Windows windows)
    : services_(std::move(services)), windows_(std::move(windows)) {}

AppCoordinator::~AppCoordinator() = default;

void AppCoordinator::startMenuBar() {
    auto manager =
        std::make_unique<MenuBarManager>(services_.userDefaults, services_.appUpdater, services_.mainQueue,
                                         services_.notificationCenter, services_.trayHost);
    std::weak_ptr<bool> alive = alive_;
    // Each holds the coordinator weakly: the menu may outlive it during shut-down.
    const auto bind = [this, alive](void (AppCoordinator::*request)()) {
        return [this, alive, request] {
            if (!alive.expired()) (this->*request)();
        };
    };
    manager->onClipboardHistoryAction = bind(&AppCoordinator::showClipboardPanel);
    manager->isMonitoringTemporarilyPausedProvider = [this, alive] {
        return !alive.expired() && isMonitoringTemporarilyPaused();
    };
    manager->storageRefusalProvider = windows_.storageRefusal;
    manager->onToggleTemporaryMonitoringAction = bind(&AppCoordinator::toggleTemporaryMonitoring);
    manager->onClassificationAction = bind(&AppCoordinator::showClassification);
    manager->onSettingsAction = [this, alive] {
        if (!alive.expired()) showSettings(std::nullopt);
    };
    manager->onOnboardingAction = bind(&AppCoordinator::showOnboarding);
    manager->onOpenGeneralSettingsAction = [this, alive] {
        if (!alive.expired()) showSettings(std::string(generalSettingsModule));
    };
    manager->onSendFeedbackAction = services_.sendFeedback;
    manager->onAboutAction = bind(&AppCoordinator::showAbout);
    manager->onCheckForUpdatesAction = bind(&AppCoordinator::checkForUpdates);
    manager->onQuitAction = services_.quit;
    // The pause provider is set only now: show the real capture state from the start.
    manager->refresh(true);
    menuBarManager_ = std::move(manager);
}

void AppCoordinator::startClipboardPanelCoordinator() {
    Logger::info("ClipboardPanelCoordinator started", "ClipboardPanelCoordinator");
    if (windows_.startClipboardPanelCoordinator) windows_.startClipboardPanelCoordinator();
}

void AppCoordinator::startSettingsAndClassificationCoordinators() {
    Logger::info("Settings coordinator started", "SettingsCoordinator");
    Logger::info("Classification coordinator started", "ClassificationCoordinator");
}

void AppCoordinator::showClipboardPanel() {
    Logger::info("Show clipboard panel requested", kLogCategory);
    std::weak_ptr<bool> alive = alive_;
    services_.mainQueue.post([this, alive] {
        if (!alive.expired() && windows_.toggleClipboardPanel) windows_.toggleClipboardPanel();
    });
}

bool AppCoordinator::isMonitoringTemporarilyPaused() const {
    const auto monitor = services_.currentMonitor ? services_.currentMonitor() : nullptr;
    return monitor && monitor->isTemporarilyPaused();
}

void AppCoordinator::toggleTemporaryMonitoring() {
    const auto monitor = services_.currentMonitor ? services_.currentMonitor() : nullptr;
    if (!monitor) return;
    if (monitor->isTemporarilyPaused()) {
        monitor->resumeAfterTemporaryPause();
    } else {
        monitor->pauseTemporarily();
    }
}

void AppCoordinator::showClassification() {
    Logger::info("Show classification requested", kLogCategory);
    if (windows_.showClassification) windows_.showClassification();
}

void AppCoordinator::showSettings(const std::optional<std::string>& module) {
    Logger::info("Show settings requested", kLogCategory);
    if (windows_.showSettings) windows_.showSettings(module);
}

void AppCoordinator::showAbout() {
    Logger::info("Show about window requested", kLogCategory);
    if (!aboutWindowController_ && windows_.makeAboutWindow)
        aboutWindowController_ = windows_.makeAboutWindow();
    if (aboutWindowController_) aboutWindowController_->showWindow();
}

void AppCoordinator::showOnboarding() {
    Logger::info("Show onboarding requested", kLogCategory);
    if (!onboardingWindowController_ && windows_.makeOnboardingWindow) {
        onboardingWindowController_ = windows_.makeOnboardingWindow();
    }
    if (onboardingWindowController_) onboardingWindowController_->showWindow();
}

void AppCoordinator::checkForUpdates() {
    Logger::info("Check for updates requested", kLogCategory);
    services_.appUpdater.checkForUpdates();
}

void AppCoordinator::sendFeedback() {
    if (services_.sendFeedback) services_.sendFeedback();
}

void AppCoordinator::handleReopen() {
    if (hasCompletedOnboarding(services_.userDefaults)) {
        showSettings(std::string(generalSettingsModule));
    } else {
        showOnboarding();
    }
}

bool AppCoordinator::requestInitialOnboarding() {
    if (didRequestInitialOnboardingThisLaunch_ || hasCompletedOnboarding(services_.userDefaults))
        return false;
    didRequestInitialOnboardingThisLaunch_ = true;
    showOnboarding();
    return true;
}

}  // namespace quorvane
