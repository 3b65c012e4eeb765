#include "app/model/MenuBarManager.h"

#include <exception>

#include "history/ClipboardHistoryRepository.h"
#include "l10n/AppLanguage.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardHotkeySetting.h"
#include "preferences/AppInfo.h"
#include "preferences/SettingsAccessors.h"
#include "settings/model/StorageSettingsViewModel.h"

namespace quorvane {

namespace {

constexpr const char* kActiveSymbol = "document.on.document.fill";
constexpr const char* kPausedSymbol = "pause.circle.fill";

MenuBarItem command(std::string title, MenuBarAction action, std::string symbol, std::string accessibility,
                    std::string key = {}) {
    return {MenuBarItem::Kind::command,
            std::move(title),
            std::move(symbol),
            std::move(accessibility),
            action,
            true,
            std::move(key)};
}

MenuBarItem separator() {
    return {MenuBarItem::Kind::separator, {}, {}, {}, MenuBarAction::none, true, {}};
}

}  // namespace

MenuBarManager::MenuBarManager(UserDefaults& userDefaults, AppUpdateManaging& appUpdater,
                               MainQueue& mainQueue, NotificationCenter& notificationCenter,
                               TrayHost& trayHost)
    : userDefaults_(userDefaults),
      appUpdater_(appUpdater),
      mainQueue_(mainQueue),
      trayHost_(trayHost),
      lastObservedSettings_(readObservedSettings(userDefaults)) {
    std::weak_ptr<bool> alive = alive_;
    // Every callback runs on a later turn, after the change it reports has been stored.
    defaultsObservation_ = userDefaults_.observeChanges([this, alive](const std::string&) {
        mainQueue_.post([this, alive] {
            if (alive.expired()) return;
            const ObservedSettings settings = readObservedSettings(userDefaults_);
            if (settings == lastObservedSettings_) return;
            lastObservedSettings_ = settings;
            refresh(false);
        });
    });
    trayHostObservation_ = trayHost_.observeAvailability([this, alive] {
        mainQueue_.post([this, alive] {
            if (!alive.expired()) refresh(false);
        });
    });
    appUpdateObservation_ = appUpdater_.observeChanges([this, alive] {
        mainQueue_.post([this, alive] {
            if (!alive.expired()) refresh(false);
        });
    });
    languageObservation_ = notificationCenter.addObserver(AppLanguage::didChangeNotification, [this, alive] {
        if (!alive.expired()) refresh(false);
    });
    // Said where the user looks: a damaged history otherwise fails silently copy after copy.
    damageObservation_ =
        notificationCenter.addObserver(ClipboardHistoryRepository::historyDamagedNotification, [this, alive] {
            if (alive.expired()) return;
            historyDamaged_ = true;
            refresh(true);
        });
    storageObservation_ = notificationCenter.addObserver(
        StorageSettingsViewModel::storageDirectoryDidChangeNotification, [this, alive] {
            if (alive.expired() || !historyDamaged_) return;
            historyDamaged_ = false;
            refresh(true);
        });
    refresh(true);
}

MenuBarManager::~MenuBarManager() = default;

bool MenuBarManager::hasClipboardHistoryHotkey(const UserDefaults& userDefaults) {
    return ClipboardHotkeySetting::read(userDefaults).keyCombo.has_value();
}

MenuBarManager::ObservedSettings MenuBarManager::readObservedSettings(const UserDefaults& userDefaults) {
    return {clipboardMonitorTextCaptureEnabled(userDefaults),
            clipboardMonitorImageCaptureEnabled(userDefaults), menuBarShowIcon(userDefaults),
            hasClipboardHistoryHotkey(userDefaults)};
}

Subscription MenuBarManager::observeChanges(std::function<void()> callback) {
    return observers_.subscribe(std::move(callback));
}

void MenuBarManager::perform(MenuBarAction action) {
    const auto run = [](const std::function<void()>& closure) {
        if (closure) closure();
    };
    switch (action) {
        case MenuBarAction::none:
            return;
        case MenuBarAction::openClipboardHistoryPanel:
            return run(onClipboardHistoryAction);
        case MenuBarAction::toggleTemporaryMonitoring:
            run(onToggleTemporaryMonitoringAction);
            refresh(false);
            return;
        case MenuBarAction::openClassification:
            return run(onClassificationAction);
        case MenuBarAction::openSettings:
            return run(onSettingsAction);
        case MenuBarAction::showOnboarding:
            return run(onOnboardingAction);
        case MenuBarAction::openGeneralSettings:
            return run(onOpenGeneralSettingsAction);
        case MenuBarAction::sendFeedback:
            return run(onSendFeedbackAction);
        case MenuBarAction::showAbout:
            return run(onAboutAction);
        case MenuBarAction::checkForUpdates:
            return run(onCheckForUpdatesAction);
        case MenuBarAction::quit:
            return run(onQuitAction);
    }
}

MenuBarCaptureState MenuBarManager::currentCaptureState() const {
    if (!clipboardMonitorTextCaptureEnabled(userDefaults_) &&
        !clipboardMonitorImageCaptureEnabled(userDefaults_)) {
        return MenuBarCaptureState::off;
    }
    if (isMonitoringTemporarilyPausedProvider && isMonitoringTemporarilyPausedProvider()) {
        return MenuBarCaptureState::paused;
    }
    return MenuBarCaptureState::active;
}

void MenuBarManager::refresh(bool forceMenuRebuild) {
    const MenuBarCaptureState state = currentCaptureState();
    const bool showsIcon = menuBarShowIcon(userDefaults_);
    MenuBarPresentation next = presentation_;
    next.showsIcon = showsIcon;
    updateHiddenBySystem(showsIcon);
    next.hiddenBySystem = showsIcon && menuBarStatusItemHiddenBySystem(userDefaults_);
    if (!showsIcon) {
        isMenuOpen_ = false;
        needsMenuRefreshAfterClose_ = false;
        next.items.clear();
    } else {
        next.captureState = state;
        next.iconSymbolName = state == MenuBarCaptureState::active ? kActiveSymbol : kPausedSymbol;
        next.tinted = state != MenuBarCaptureState::active || appUpdater_.isUpdateAvailable();
        next.toolTip = toolTip(state);
        if (isMenuOpen_ && !forceMenuRebuild) {
            needsMenuRefreshAfterClose_ = true;
        } else {
            needsMenuRefreshAfterClose_ = false;
            next.items = menuItems(state);
        }
    }
    presentation_ = std::move(next);
    publishLater();
}

void MenuBarManager::menuDidClose() {
    isMenuOpen_ = false;
    if (needsMenuRefreshAfterClose_) refresh(false);
}

void MenuBarManager::applicationDidBecomeActive() {
    refresh(false);
}

void MenuBarManager::updateHiddenBySystem(bool showsIcon) {
    if (!showsIcon) {
        trayHostRecheck_.cancel();
        setHiddenBySystemFlag(false);
        return;
    }
    if (trayHost_.isAvailable()) {
        trayHostRecheck_.cancel();
        setHiddenBySystemFlag(false);
        return;
    }
    setHiddenBySystemFlag(true);
    // A host that reports its coming is not looked for on a timer: an idle program does not wake.
    if (trayHost_.reportsAvailabilityChanges() || trayHostRecheck_.isArmed()) return;
    // A tray host can start after us (a panel restarting, a session still coming up): keep looking.
    std::weak_ptr<bool> alive = alive_;
    trayHostRecheck_ = mainQueue_.postAfter(trayHostRecheckInterval, [this, alive] {
        if (alive.expired()) return;
        trayHostRecheck_ = Timer();
        refresh(false);
    });
}

void MenuBarManager::setHiddenBySystemFlag(bool hidden) {
    if (menuBarStatusItemHiddenBySystem(userDefaults_) == hidden) return;
    setMenuBarStatusItemHiddenBySystem(userDefaults_, hidden);
}

std::string MenuBarManager::toolTip(MenuBarCaptureState state) const {
    std::vector<std::string> lines;
    if (state == MenuBarCaptureState::off) lines.push_back(L10n::text(L10nKey::recordingOffMessage));
    if (state == MenuBarCaptureState::paused) lines.push_back(L10n::text(L10nKey::recordingPausedMessage));
    if (auto updateToolTip = appUpdater_.updatePresentation().statusToolTip) {
        lines.push_back(std::move(*updateToolTip));
    }
    if (lines.empty()) return AppInfo().displayName();
    std::string joined;
    for (const std::string& line : lines) {
        if (!joined.empty()) joined += '\n';
        joined += line;
    }
    return joined;
}

std::vector<MenuBarItem> MenuBarManager::menuItems(MenuBarCaptureState state) const {
    std::vector<MenuBarItem> items;
    using K = L10nKey;
    // A history that is not open, or is damaged, is the menu's first line, its tool tip saying what to do; a
    // refused folder goes first, since nothing is read from it at all.
    std::optional<MenuBarStorageNotice> notice =
        storageRefusalProvider ? storageRefusalProvider() : std::nullopt;
    if (!notice && historyDamaged_) {
        // Short enough for a menu on any screen; the tool tip says how to recover.
        notice =
            MenuBarStorageNotice{L10n::text(K::historyDamagedMenuTitle), L10n::text(K::historyDamagedStatus)};
    }
    if (notice) {
        items.push_back({MenuBarItem::Kind::header,
                         notice->title,
                         kPausedSymbol,
                         notice->detail,
                         MenuBarAction::none,
                         false,
                         {}});
        items.push_back(separator());
    }
    if (state == MenuBarCaptureState::off) {
        const std::string title = L10n::text(K::recordingOffTitle);
        items.push_back(
            {MenuBarItem::Kind::header, title, kPausedSymbol, title, MenuBarAction::none, false, {}});
        items.push_back(command(L10n::text(K::recordingOpenGeneralSettingsMenuTitle),
                                MenuBarAction::openGeneralSettings, "gear",
                                L10n::text(K::recordingOpenGeneralSettings)));
        items.push_back(separator());
    } else if (state == MenuBarCaptureState::paused) {
        const std::string title = L10n::text(K::recordingPausedTitle);
        items.push_back(
            {MenuBarItem::Kind::header, title, kPausedSymbol, title, MenuBarAction::none, false, {}});
        items.push_back(command(L10n::text(K::menuBarResumeRecording),
                                MenuBarAction::toggleTemporaryMonitoring, "play.circle",
                                L10n::text(K::menuBarResumeRecordingImageDescription)));
        items.push_back(separator());
    }
    items.push_back(command(L10n::text(K::menuBarClipboardHistory), MenuBarAction::openClipboardHistoryPanel,
                            "rectangle.stack", L10n::text(K::menuBarClipboardHistoryImageDescription)));
    items.push_back(command(L10n::text(K::menuBarShowOnboarding), MenuBarAction::showOnboarding, "sparkles",
                            L10n::text(K::menuBarShowOnboardingImageDescription)));
    if (state == MenuBarCaptureState::active) {
        items.push_back(command(L10n::text(K::menuBarPauseRecording),
                                MenuBarAction::toggleTemporaryMonitoring, "pause.circle",
                                L10n::text(K::menuBarPauseRecordingImageDescription)));
    }
    items.push_back(command(L10n::text(K::menuBarClassification), MenuBarAction::openClassification, "tag",
                            L10n::text(K::menuBarClassificationImageDescription)));
    items.push_back(command(L10n::text(K::menuBarSettings), MenuBarAction::openSettings, "gear",
                            L10n::text(K::menuBarSettingsImageDescription), ","));
    items.push_back(separator());
    items.push_back(command(L10n::text(K::menuBarSendFeedback), MenuBarAction::sendFeedback, "envelope",
                            L10n::text(K::menuBarSendFeedbackImageDescription)));
    if (appUpdater_.supportsUpdates()) {
        const AppUpdatePresentation update = appUpdater_.updatePresentation();
        MenuBarItem item = command(
            update.menuTitle, MenuBarAction::checkForUpdates,
            appUpdater_.isUpdateAvailable() ? "arrow.down.circle.fill" : "arrow.trianglehead.clockwise",
            update.title);
        item.enabled = appUpdater_.canCheckForUpdates();
        items.push_back(std::move(item));
    }
    items.push_back(command(L10n::text(K::menuBarAbout, AppInfo().displayName()), MenuBarAction::showAbout,
                            "info.circle", L10n::text(K::menuBarAboutImageDescription)));
    items.push_back(separator());
    items.push_back(command(L10n::text(K::menuBarQuit), MenuBarAction::quit, {}, {}, "q"));
    return items;
}

void MenuBarManager::publishLater() {
    if (isPublishScheduled_) return;
    isPublishScheduled_ = true;
    std::weak_ptr<bool> alive = alive_;
    mainQueue_.post([this, alive] {
        if (alive.expired()) return;
        isPublishScheduled_ = false;
        if (presentation_ == published_) return;
        published_ = presentation_;
        observers_.notify();
    });
}

}  // namespace quorvane
