#pragma once

// The root of the user interface: owns the tray item's manager and carries out every request of the tray
// menu and of a second launch (show the panel, pause or resume capture, the classification, settings, About
// and onboarding windows, update checks, feedback). Windows come from factory slots the container holds;
// a slot that is still empty builds nothing, the request is logged all the same. Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/model/AppUpdateManaging.h"
#include "app/model/MenuBarManager.h"
#include "capture/ClipboardMonitorProtocol.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/TrayHost.h"
#include "platform/UserDefaults.h"

namespace quorvane {

// A window made once on first request and shown again on every later one.
class WindowPresenting {
public:
    virtual ~WindowPresenting() = default;
    virtual void showWindow() = 0;
};

class AppCoordinator {
public:
    static constexpr const char* generalSettingsModule = "general";

    // Everything must outlive the coordinator.
    struct Services {
        UserDefaults& userDefaults;
        MainQueue& mainQueue;
        NotificationCenter& notificationCenter;
        TrayHost& trayHost;
        AppUpdateManaging& appUpdater;
        // The container's current monitor (it changes when the clipboard services are rebuilt).
        std::function<std::shared_ptr<ClipboardMonitorProtocol>()> currentMonitor;
        std::function<void()> sendFeedback;
        std::function<void()> quit;
    };

    // Filled by the window subsystems; an empty slot does nothing.
    struct Windows {
        std::function<void()> startClipboardPanelCoordinator;
        std::function<void()> toggleClipboardPanel;
        std::function<void(const std::optional<std::string>& module)> showSettings;
        std::function<void()> showClassification;
        std::function<std::unique_ptr<WindowPresenting>()> makeAboutWindow;
        std::function<std::unique_ptr<WindowPresenting>()> makeOnboardingWindow;
        // Why the history is not open, for the tray menu.
        std::function<std::optional<MenuBarStorageNotice>()> storageRefusal;
    };

    AppCoordinator(Services services, Windows windows);
    ~AppCoordinator();
    AppCoordinator(const AppCoordinator&) = delete;
    AppCoordinator& operator=(const AppCoordinator&) = delete;

    // Start steps, run once in this order.
    void startMenuBar();
    void startClipboardPanelCoordinator();
    void startSettingsAndClassificationCoordinators();

    void showClipboardPanel();
    bool isMonitoringTemporarilyPaused() const;
    void toggleTemporaryMonitoring();
    void showClassification();
    void showSettings(const std::optional<std::string>& module = std::nullopt);
    void showAbout();
    void showOnboarding();
    void checkForUpdates();
    void sendFeedback();
    // The program was launched again while running: the settings on their general page once onboarding is
    // done, the onboarding otherwise.
    void handleReopen();
    // At start-up: shows the onboarding unless it is done or was already requested by this process.
    // Returns whether it asked for the wizard.
    bool requestInitialOnboarding();

    MenuBarManager* menuBarManager() { return menuBarManager_.get(); }
    const Windows& windows() const { return windows_; }

private:
    Services services_;
    Windows windows_;
    std::unique_ptr<MenuBarManager> menuBarManager_;
    std::unique_ptr<WindowPresenting> aboutWindowController_;
    std::unique_ptr<WindowPresenting> onboardingWindowController_;
    bool didRequestInitialOnboardingThisLaunch_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace quorvane
