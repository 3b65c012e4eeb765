#pragma once

// The application's main menu as plain state: the application menu (About, the update command, Settings,
// Show Onboarding, Close Window, Hide, Hide Others, Show All, Quit) and the Edit menu, each item with its
// title, action, key equivalent and whether it is enabled. Linux desktops have no global menu bar, so the
// shell installs the key equivalents as shortcuts of our windows. Rebuilt after every updater change and
// every interface-language change; observers are told on the next main-queue turn. Main thread only.

#include <optional>
#include <string>
#include <vector>

#include "app/model/AppUpdateManaging.h"
#include "base/CallbackList.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"

namespace quorvane {

enum class AppMenuAction {
    about,
    checkForUpdates,
    openSettings,
    showOnboarding,
    closeWindow,
    hide,
    hideOthers,
    showAll,
    quit,
    undo,
    redo,
    cut,
    copy,
    paste,
    selectAll,
};

// Always with Command (Ctrl on Linux); Shift and Option (Alt) when set.
struct AppMenuKeyEquivalent {
    std::string key;  // lower case; "," for Settings
    bool shift = false;
    bool option = false;

    // The combination as Linux desktops write it, e.g. "Ctrl+Shift+Z", "Ctrl+,".
    std::string portableText() const;

    friend bool operator==(const AppMenuKeyEquivalent&, const AppMenuKeyEquivalent&) = default;
};

struct AppMenuItem {
    bool isSeparator = false;
    std::string title;
    AppMenuAction action = AppMenuAction::about;
    std::optional<AppMenuKeyEquivalent> keyEquivalent;
    bool enabled = true;

    friend bool operator==(const AppMenuItem&, const AppMenuItem&) = default;
};

struct AppMenu {
    std::string title;  // empty for the application menu
    std::vector<AppMenuItem> items;

    friend bool operator==(const AppMenu&, const AppMenu&) = default;
};

class AppMainMenu {
public:
    // `appUpdater`, `mainQueue` and `notificationCenter` must outlive the menu.
    AppMainMenu(AppUpdateManaging& appUpdater, MainQueue& mainQueue, NotificationCenter& notificationCenter,
                std::string displayName);
    ~AppMainMenu();
    AppMainMenu(const AppMainMenu&) = delete;
    AppMainMenu& operator=(const AppMainMenu&) = delete;

    // The application menu and the Edit menu, in the current interface language. The update command and
    // the separator after it appear only when the updater offers updates; the command is enabled only while
    // a check can start.
    static std::vector<AppMenu> build(const AppUpdateManaging& appUpdater, const std::string& displayName);

    const std::vector<AppMenu>& menus() const { return menus_; }
    // The item of `action`, or none when the menu does not hold it now.
    std::optional<AppMenuItem> item(AppMenuAction action) const;
    // Told on the next main-queue turn after the menus changed.
    [[nodiscard]] Subscription observeChanges(std::function<void()> callback);

private:
    void rebuildLater();

    AppUpdateManaging& appUpdater_;
    MainQueue& mainQueue_;
    std::string displayName_;
    std::vector<AppMenu> menus_;
    bool isRebuildScheduled_ = false;
    CallbackList<> observers_;
    Subscription appUpdateObservation_;
    NotificationObservation languageObservation_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace quorvane
