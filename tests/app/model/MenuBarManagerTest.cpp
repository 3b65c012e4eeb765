#include <gtest/gtest.h>

#include <algorithm>

#include "app/model/FakeAppUpdater.h"
#include "app/model/MenuBarManager.h"
#include "history/ClipboardHistoryRepository.h"
#include "hotkeys/model/KeyCombo.h"
#include "panel/model/ClipboardHotkeySetting.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryTrayHost.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "preferences/SettingsAccessors.h"
#include "settings/model/StorageSettingsViewModel.h"

namespace quorvane {
namespace {

struct MenuBarFixture : ::testing::Test {
    FakeClock clock;
    ManualRunLoop loop{clock};
    NotificationCenter notifications{loop};
    InMemoryUserDefaults defaults;
    InMemoryTrayHost trayHost;
    FakeAppUpdater updater;
    bool paused = false;

    std::unique_ptr<MenuBarManager> make() {
        auto manager = std::make_unique<MenuBarManager>(defaults, updater, loop, notifications, trayHost);
        manager->isMonitoringTemporarilyPausedProvider = [this] { return paused; };
        manager->onToggleTemporaryMonitoringAction = [this] { paused = !paused; };
        manager->refresh(true);
        loop.runUntilIdle();
        return manager;
    }

    static std::vector<std::string> titles(const MenuBarManager& manager) {
        std::vector<std::string> result;
        for (const MenuBarItem& item : manager.presentation().items) {
            result.push_back(item.kind == MenuBarItem::Kind::separator ? "-" : item.title);
        }
        return result;
    }

    static const MenuBarItem* find(const MenuBarManager& manager, MenuBarAction action) {
        const auto& items = manager.presentation().items;
        const auto found = std::find_if(items.begin(), items.end(),
                                        [action](const MenuBarItem& item) { return item.action == action; });
        return found == items.end() ? nullptr : &*found;
    }
};

TEST_F(MenuBarFixture, CaptureStatesDecideHeaderItemsTintAndToolTip) {
    auto manager = make();
    EXPECT_EQ(manager->presentation().captureState, MenuBarCaptureState::active);
    EXPECT_FALSE(manager->presentation().tinted);
    EXPECT_EQ(manager->presentation().iconSymbolName, "document.on.document.fill");
    EXPECT_EQ(titles(*manager),
              (std::vector<std::string>{"Clipboard History", "Show Onboarding", "Pause Clipboard Recording",
                                        "Classification...", "Settings...", "-", "Send Feedback",
                                        "About Quorvane", "-", "Quit"}));
    EXPECT_EQ(find(*manager, MenuBarAction::openSettings)->keyEquivalent, ",");

    // Pausing through the menu refreshes at once.
    manager->perform(MenuBarAction::toggleTemporaryMonitoring);
    EXPECT_TRUE(paused);
    EXPECT_EQ(manager->presentation().captureState, MenuBarCaptureState::paused);
    EXPECT_TRUE(manager->presentation().tinted);
    EXPECT_EQ(manager->presentation().iconSymbolName, "pause.circle.fill");
    EXPECT_EQ(manager->presentation().toolTip,
              "Copied items are not saved to Quorvane while recording is paused.");
    const auto pausedTitles = titles(*manager);
    EXPECT_EQ(pausedTitles[0], "Clipboard recording paused");
    EXPECT_FALSE(manager->presentation().items[0].enabled);
    EXPECT_EQ(pausedTitles[1], "Resume Clipboard Recording");
    EXPECT_EQ(std::count(pausedTitles.begin(), pausedTitles.end(), "Pause Clipboard Recording"), 0);

    // Both captures off wins over the pause.
    defaults.set("ClipboardMonitorTextCaptureEnabled", false);
    defaults.set("ClipboardMonitorImageCaptureEnabled", false);
    loop.runUntilIdle();
    EXPECT_EQ(manager->presentation().captureState, MenuBarCaptureState::off);
    EXPECT_EQ(titles(*manager)[0], "Clipboard recording off");
    EXPECT_EQ(titles(*manager)[1], "Open General Settings...");
    EXPECT_EQ(find(*manager, MenuBarAction::openGeneralSettings)->symbolName, "gear");
    EXPECT_EQ(manager->presentation().toolTip,
              "Clipboard recording is off. Enable text or image capture in Settings.");
}

TEST_F(MenuBarFixture, ADamagedHistoryIsTheMenusFirstLineUntilTheStorageFolderChanges) {
    auto manager = make();
    notifications.post(ClipboardHistoryRepository::historyDamagedNotification);
    loop.runUntilIdle();
    const auto damaged = titles(*manager);
    ASSERT_GE(damaged.size(), 3u);
    EXPECT_EQ(damaged[0], "History file damaged: copies are not saved");
    EXPECT_EQ(manager->presentation().items[0].accessibilityText,
              "Clipboard history file is damaged; new copies are not saved. See the log to recover it.");
    EXPECT_FALSE(manager->presentation().items[0].enabled);
    EXPECT_EQ(damaged[1], "-");
    EXPECT_EQ(damaged[2], "Clipboard History");

    // A move to another folder opens another history.
    notifications.post(StorageSettingsViewModel::storageDirectoryDidChangeNotification);
    loop.runUntilIdle();
    EXPECT_EQ(titles(*manager)[0], "Clipboard History");
}

TEST_F(MenuBarFixture, ARefusedStorageFolderIsTheMenusFirstLineEvenOverADamagedHistory) {
    auto manager = make();
    std::optional<MenuBarStorageNotice> refusal =
        MenuBarStorageNotice{"Copies are not saved: /srv/shared is not yours alone", "Other users can write"};
    manager->storageRefusalProvider = [&] { return refusal; };
    notifications.post(ClipboardHistoryRepository::historyDamagedNotification);
    loop.runUntilIdle();
    manager->menuNeedsUpdate();
    const auto refused = titles(*manager);
    ASSERT_GE(refused.size(), 3u);
    EXPECT_EQ(refused[0], "Copies are not saved: /srv/shared is not yours alone");
    EXPECT_EQ(manager->presentation().items[0].accessibilityText, "Other users can write");
    EXPECT_FALSE(manager->presentation().items[0].enabled);
    EXPECT_EQ(refused[1], "-");
    EXPECT_EQ(std::count(refused.begin(), refused.end(), "History file damaged: copies are not saved"), 0);

    // Once the history opens, the menu says what still holds.
    refusal.reset();
    manager->menuNeedsUpdate();
    EXPECT_EQ(titles(*manager)[0], "History file damaged: copies are not saved");
}

TEST_F(MenuBarFixture, UpdateItemFollowsTheUpdaterAndTintsTheIcon) {
    auto manager = make();
    EXPECT_EQ(find(*manager, MenuBarAction::checkForUpdates), nullptr);

    updater.setState({true, false, AppUpdateAvailability::idle()});
    loop.runUntilIdle();
    const MenuBarItem* disabled = find(*manager, MenuBarAction::checkForUpdates);
    ASSERT_NE(disabled, nullptr);
    EXPECT_EQ(disabled->title, "Check for Updates...");
    EXPECT_FALSE(disabled->enabled);

    updater.setState({true, true, AppUpdateAvailability::updateAvailable("2.1")});
    loop.runUntilIdle();
    const MenuBarItem* available = find(*manager, MenuBarAction::checkForUpdates);
    ASSERT_NE(available, nullptr);
    EXPECT_EQ(available->title, "Update to 2.1...");
    EXPECT_EQ(available->symbolName, "arrow.down.circle.fill");
    EXPECT_TRUE(available->enabled);
    EXPECT_TRUE(manager->presentation().tinted);
    EXPECT_EQ(manager->presentation().toolTip,
              "Quorvane 2.1 is ready. Open the menu and choose Update to 2.1.");
}

TEST_F(MenuBarFixture, ChangesWhileTheMenuIsOpenWaitUntilItCloses) {
    auto manager = make();
    int notified = 0;
    const Subscription subscription = manager->observeChanges([&] { ++notified; });
    manager->menuNeedsUpdate();
    manager->menuWillOpen();
    paused = true;
    manager->refresh(false);
    loop.runUntilIdle();
    EXPECT_EQ(titles(*manager)[0], "Clipboard History");  // the open menu is left alone
    manager->menuDidClose();
    loop.runUntilIdle();
    EXPECT_EQ(titles(*manager)[0], "Clipboard recording paused");
    EXPECT_GE(notified, 1);

    // A settings change that leaves the watched values equal tells nobody.
    notified = 0;
    defaults.set("SomethingElse", true);
    loop.runUntilIdle();
    EXPECT_EQ(notified, 0);
}

TEST_F(MenuBarFixture, ATrayHostThatReportsItsComingIsNotLookedForOnATimer) {
    trayHost.setReportsAvailabilityChanges(true);
    trayHost.setAvailable(false);
    auto manager = make();
    EXPECT_TRUE(manager->presentation().hiddenBySystem);
    const int checksBefore = trayHost.checkCount;
    loop.advance(60.0);
    EXPECT_EQ(trayHost.checkCount, checksBefore);
    EXPECT_EQ(loop.pendingCount(), 0u);

    trayHost.setAvailable(true);
    loop.runUntilIdle();
    EXPECT_FALSE(manager->presentation().hiddenBySystem);
    EXPECT_EQ(defaults.boolValue(SettingsKey::menuBarStatusItemHiddenBySystem), false);
    trayHost.setAvailable(false);
    loop.runUntilIdle();
    EXPECT_TRUE(manager->presentation().hiddenBySystem);
}

TEST_F(MenuBarFixture, NoTrayHostMarksTheItemHiddenBySystemAndLooksAgainEveryFiveSeconds) {
    trayHost.setAvailable(false);
    auto manager = make();
    EXPECT_TRUE(manager->presentation().hiddenBySystem);
    EXPECT_EQ(defaults.boolValue(SettingsKey::menuBarStatusItemHiddenBySystem), true);
    EXPECT_EQ(defaults.boolValue("MenuBarShowIcon").value_or(true), true);  // the user's choice stays

    const int checksBefore = trayHost.checkCount;
    loop.advance(5.0);
    EXPECT_GT(trayHost.checkCount, checksBefore);
    EXPECT_TRUE(manager->presentation().hiddenBySystem);

    trayHost.setAvailable(true);
    loop.advance(5.0);
    EXPECT_FALSE(manager->presentation().hiddenBySystem);
    EXPECT_EQ(defaults.boolValue(SettingsKey::menuBarStatusItemHiddenBySystem), false);
    const int checksAfter = trayHost.checkCount;
    loop.advance(20.0);
    EXPECT_EQ(trayHost.checkCount, checksAfter);  // no more polling once a host is there

    // An activation looks again at once.
    trayHost.setAvailable(false);
    manager->applicationDidBecomeActive();
    EXPECT_TRUE(manager->presentation().hiddenBySystem);

    // Switching the icon off clears the flag and stops looking.
    defaults.set("MenuBarShowIcon", false);
    loop.runUntilIdle();
    EXPECT_FALSE(manager->presentation().showsIcon);
    EXPECT_EQ(defaults.boolValue(SettingsKey::menuBarStatusItemHiddenBySystem), false);
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST_F(MenuBarFixture, HotkeyCountsOnlyWhenItDecodes) {
    EXPECT_FALSE(MenuBarManager::hasClipboardHistoryHotkey(defaults));
    defaults.set(ClipboardHotkeySetting::key, std::string("not json"));
    EXPECT_FALSE(MenuBarManager::hasClipboardHistoryHotkey(defaults));
    // The shortcut is stored as data: the same JSON as text is unreadable to every reader alike.
    const std::string json = R"({"keyCode":9,"modifierFlags":1179648})";
    defaults.set(ClipboardHotkeySetting::key, json);
    EXPECT_FALSE(MenuBarManager::hasClipboardHistoryHotkey(defaults));
    defaults.set(ClipboardHotkeySetting::key, Data(json.begin(), json.end()));
    EXPECT_TRUE(MenuBarManager::hasClipboardHistoryHotkey(defaults));
}

}  // namespace
}  // namespace quorvane
