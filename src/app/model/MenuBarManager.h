#pragma once

// The tray item and its menu as plain state: which capture state the icon shows, its tint and tool tip, the
// menu's items, and whether the desktop has a tray to show it in. The widget draws this state and hands
// every menu choice back through perform(); the manager opens no window itself, it calls the closures the
// application coordinator sets. The menu is rebuilt from fresh settings whenever it is about to open, and
// after any change of the watched settings, the pause state, the updater or the interface language (a change
// while the menu is open waits until it closes). Observers are told on the next main-queue turn.
// Main thread only.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/model/AppUpdateManaging.h"
#include "base/CallbackList.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/TrayHost.h"
#include "platform/UserDefaults.h"

namespace quorvane {

enum class MenuBarCaptureState {
    active,  // capture runs
    off,     // text and image capture both switched off in the settings (wins over a pause)
    paused,  // the user paused capture from the menu
};

enum class MenuBarAction {
    none,
    openClipboardHistoryPanel,
    toggleTemporaryMonitoring,
    openClassification,
    openSettings,
    showOnboarding,
    openGeneralSettings,
    sendFeedback,
    showAbout,
    checkForUpdates,
    quit,
};

struct MenuBarItem {
    enum class Kind { command, header, separator };

    Kind kind = Kind::command;
    std::string title;
    std::string symbolName;         // our icon name; empty for none
    std::string accessibilityText;  // of the icon
    MenuBarAction action = MenuBarAction::none;
    bool enabled = true;
    std::string keyEquivalent;  // with Ctrl; empty for none

    friend bool operator==(const MenuBarItem&, const MenuBarItem&) = default;
};

// What the widget shows.
// A storage folder the history was not opened in: the menu's first line and its tool tip.
struct MenuBarStorageNotice {
    std::string title;
    std::string detail;
};

struct MenuBarPresentation {
    bool showsIcon = false;       // "MenuBarShowIcon"
    bool hiddenBySystem = false;  // shown, but the desktop has no tray host
    MenuBarCaptureState captureState = MenuBarCaptureState::active;
    std::string iconSymbolName;  // "document.on.document.fill" or "pause.circle.fill"
    bool tinted = false;         // orange: capture not active, or an update is available
    std::string toolTip;
    std::vector<MenuBarItem> items;

    friend bool operator==(const MenuBarPresentation&, const MenuBarPresentation&) = default;
};

class MenuBarManager {
public:
    static constexpr const char* statusItemAutosaveName = "tech.zanto.QuorvaneApp.MenuBarItem";
    // How often a missing tray host is looked for again.
    static constexpr double trayHostRecheckInterval = 5.0;

    struct ObservedSettings {
        bool textCaptureEnabled = true;
        bool imageCaptureEnabled = true;
        bool showsIcon = true;
        bool hasClipboardHistoryHotkey = false;

        friend bool operator==(const ObservedSettings&, const ObservedSettings&) = default;
    };

    // Installs the observers and runs a first refresh. Everything must outlive the manager.
    MenuBarManager(UserDefaults& userDefaults, AppUpdateManaging& appUpdater, MainQueue& mainQueue,
                   NotificationCenter& notificationCenter, TrayHost& trayHost);
    ~MenuBarManager();
    MenuBarManager(const MenuBarManager&) = delete;
    MenuBarManager& operator=(const MenuBarManager&) = delete;

    // Set by the application coordinator; a closure not set makes its command do nothing.
    std::function<void()> onClipboardHistoryAction;
    std::function<void()> onToggleTemporaryMonitoringAction;
    std::function<void()> onClassificationAction;
    std::function<void()> onSettingsAction;
    std::function<void()> onOnboardingAction;
    std::function<void()> onOpenGeneralSettingsAction;
    std::function<void()> onSendFeedbackAction;
    std::function<void()> onAboutAction;
    std::function<void()> onCheckForUpdatesAction;
    std::function<void()> onQuitAction;
    std::function<bool()> isMonitoringTemporarilyPausedProvider;
    // Nothing while the history is open where it should be.
    std::function<std::optional<MenuBarStorageNotice>()> storageRefusalProvider;

    static bool hasClipboardHistoryHotkey(const UserDefaults& userDefaults);
    static ObservedSettings readObservedSettings(const UserDefaults& userDefaults);

    const MenuBarPresentation& presentation() const { return presentation_; }
    // Told on the next main-queue turn after the presentation changed.
    [[nodiscard]] Subscription observeChanges(std::function<void()> callback);

    // Runs the closure of a menu command; the pause toggle then refreshes at once.
    void perform(MenuBarAction action);
    // Brings icon, tint, tool tip and menu up to date.
    void refresh(bool forceMenuRebuild);

    // Menu bookkeeping, from the widget.
    void menuNeedsUpdate() { refresh(true); }
    void menuWillOpen() { isMenuOpen_ = true; }
    void menuDidClose();
    // The application became active: a tray host may have appeared.
    void applicationDidBecomeActive();

private:
    MenuBarCaptureState currentCaptureState() const;
    std::string toolTip(MenuBarCaptureState state) const;
    std::vector<MenuBarItem> menuItems(MenuBarCaptureState state) const;
    void updateHiddenBySystem(bool showsIcon);
    void setHiddenBySystemFlag(bool hidden);
    void publishLater();

    UserDefaults& userDefaults_;
    AppUpdateManaging& appUpdater_;
    MainQueue& mainQueue_;
    TrayHost& trayHost_;
    ObservedSettings lastObservedSettings_;
    MenuBarPresentation presentation_;
    MenuBarPresentation published_;
    bool isMenuOpen_ = false;
    bool needsMenuRefreshAfterClose_ = false;
    bool isPublishScheduled_ = false;
    Timer trayHostRecheck_;
    CallbackList<> observers_;
    Subscription defaultsObservation_;
    Subscription appUpdateObservation_;
    Subscription trayHostObservation_;
    NotificationObservation languageObservation_;
    // The history file was found damaged in this run (until the storage directory changes).
    bool historyDamaged_ = false;
    NotificationObservation damageObservation_;
    NotificationObservation storageObservation_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace quorvane
