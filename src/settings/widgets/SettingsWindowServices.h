#pragma once

// What the settings window and its pages take from the application: settings, queues, the desktop services
// the pages switch, the search service of the moment and the shell's callbacks. The container fills one and
// hands it to the SettingsCoordinator, which keeps it for the life of the process; every reference must
// outlive the coordinator. Main thread only.

#include <string>

#include "platform/Clock.h"
#include "preferences/DistributionChannel.h"
#include "settings/model/AdvancedSettingsViewModel.h"
#include "settings/model/SettingsShellCallbacks.h"

namespace quorvane {

class AccessibilityPermissionManagerProtocol;
class AlertPresenter;
class HotkeyManagerProtocol;
class LaunchAtLoginManaging;
class MainQueue;
class NotificationCenter;
class TrayHost;
class UserDefaults;
class WindowManager;

struct SettingsWindowServices {
    UserDefaults& userDefaults;
    NotificationCenter& notificationCenter;
    MainQueue& mainQueue;
    WindowManager& windowManager;
    AlertPresenter& alerts;
    HotkeyManagerProtocol& hotkeyManager;
    LaunchAtLoginManaging& launchAtLoginManager;
    const TrayHost& trayHost;
    AccessibilityPermissionManagerProtocol& accessibilityPermissionManager;
    const Clock& clock;
    DistributionChannel distributionChannel = DistributionChannel::unknown;
    std::string appDisplayName;
    AdvancedSettingsViewModel::SearchServiceProvider currentSearchService;
    // May be empty: a rebuild of a service without index then fails as unavailable.
    AdvancedSettingsViewModel::UnavailableIndexRebuilder rebuildUnavailableSearchIndex;
    SettingsShellCallbacks shellCallbacks;
    // The desktop's autostart and tray settings; empty where the desktop has none (the buttons are hidden).
    std::function<void()> openLaunchAtLoginSystemSettings;
    std::function<void()> openMenuBarSystemSettings;
};

}  // namespace quorvane
