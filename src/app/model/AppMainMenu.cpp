#include "app/model/AppMainMenu.h"

#include "l10n/AppLanguage.h"
#include "l10n/L10n.h"

namespace quorvane {

namespace {

AppMenuItem command(std::string title, AppMenuAction action, std::optional<AppMenuKeyEquivalent> key = {}) {
    return {false, std::move(title), action, std::move(key), true};
}

AppMenuItem separator() {
    AppMenuItem item;
    item.isSeparator = true;
    return item;
}

AppMenuKeyEquivalent ctrl(std::string key, bool shift = false, bool option = false) {
    return {std::move(key), shift, option};
}

}  // namespace

std::string AppMenuKeyEquivalent::portableText() const {
    std::string text = "Ctrl+";
    if (option) text += "Alt+";
    if (shift) text += "Shift+";
    for (const char character : key) {
        text += (character >= 'a' && character <= 'z') ? static_cast<char>(character - 'a' + 'A') : character;
    }
    return text;
}

AppMainMenu::AppMainMenu(AppUpdateManaging& appUpdater, MainQueue& mainQueue,
                         NotificationCenter& notificationCenter, std::string displayName)
    : appUpdater_(appUpdater),
      mainQueue_(mainQueue),
      displayName_(std::move(displayName)),
      menus_(build(appUpdater, displayName_)) {
    std::weak_ptr<bool> alive = alive_;
    appUpdateObservation_ = appUpdater_.observeChanges([this, alive] {
        if (!alive.expired()) rebuildLater();
    });
    languageObservation_ = notificationCenter.addObserver(AppLanguage::didChangeNotification, [this, alive] {
        if (!alive.expired()) rebuildLater();
    });
}

AppMainMenu::~AppMainMenu() = default;

std::vector<AppMenu> AppMainMenu::build(const AppUpdateManaging& appUpdater, const std::string& displayName) {
    AppMenu application;
    auto& items = application.items;
    items.push_back(command(L10n::text(L10nKey::appMenuAbout, displayName), AppMenuAction::about));
    if (appUpdater.supportsUpdates()) {
        AppMenuItem update =
            command(appUpdater.updatePresentation().menuTitle, AppMenuAction::checkForUpdates);
        update.enabled = appUpdater.canCheckForUpdates();
        items.push_back(std::move(update));
        items.push_back(separator());
    }
    items.push_back(command(L10n::text(L10nKey::appMenuSettings), AppMenuAction::openSettings, ctrl(",")));
    items.push_back(command(L10n::text(L10nKey::appMenuShowOnboarding), AppMenuAction::showOnboarding));
    items.push_back(command(L10n::text(L10nKey::appMenuCloseWindow), AppMenuAction::closeWindow, ctrl("w")));
    items.push_back(separator());
    items.push_back(command(L10n::text(L10nKey::appMenuHide, displayName), AppMenuAction::hide, ctrl("h")));
    items.push_back(
        command(L10n::text(L10nKey::appMenuHideOthers), AppMenuAction::hideOthers, ctrl("h", false, true)));
    items.push_back(command(L10n::text(L10nKey::appMenuShowAll), AppMenuAction::showAll));
    items.push_back(separator());
    items.push_back(command(L10n::text(L10nKey::appMenuQuit, displayName), AppMenuAction::quit, ctrl("q")));

    AppMenu edit{L10n::text(L10nKey::editMenuTitle), {}};
    edit.items = {
        command(L10n::text(L10nKey::editMenuUndo), AppMenuAction::undo, ctrl("z")),
        command(L10n::text(L10nKey::editMenuRedo), AppMenuAction::redo, ctrl("z", true)),
        separator(),
        command(L10n::text(L10nKey::editMenuCut), AppMenuAction::cut, ctrl("x")),
        command(L10n::text(L10nKey::editMenuCopy), AppMenuAction::copy, ctrl("c")),
        command(L10n::text(L10nKey::editMenuPaste), AppMenuAction::paste, ctrl("v")),
        separator(),
        command(L10n::text(L10nKey::editMenuSelectAll), AppMenuAction::selectAll, ctrl("a")),
    };
    return {std::move(application), std::move(edit)};
}

std::optional<AppMenuItem> AppMainMenu::item(AppMenuAction action) const {
    for (const AppMenu& menu : menus_) {
        for (const AppMenuItem& item : menu.items) {
            if (!item.isSeparator && item.action == action) return item;
        }
    }
    return std::nullopt;
}

Subscription AppMainMenu::observeChanges(std::function<void()> callback) {
    return observers_.subscribe(std::move(callback));
}

void AppMainMenu::rebuildLater() {
    if (isRebuildScheduled_) return;
    isRebuildScheduled_ = true;
    std::weak_ptr<bool> alive = alive_;
    // On a later turn: the updater and the language store their new state before they tell us.
    mainQueue_.post([this, alive] {
        if (alive.expired()) return;
        isRebuildScheduled_ = false;
        std::vector<AppMenu> menus = build(appUpdater_, displayName_);
        if (menus == menus_) return;
        menus_ = std::move(menus);
        observers_.notify();
    });
}

}  // namespace quorvane
