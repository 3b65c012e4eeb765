#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/model/AppMainMenu.h"
#include "app/model/FakeAppUpdater.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"

namespace quorvane {
namespace {

// Each item as "title|shortcut|enabled", separators as "-".
std::vector<std::string> describe(const AppMenu& menu) {
    std::vector<std::string> lines;
    for (const AppMenuItem& item : menu.items) {
        if (item.isSeparator) {
            lines.push_back("-");
            continue;
        }
        lines.push_back(item.title + "|" + (item.keyEquivalent ? item.keyEquivalent->portableText() : "") +
                        (item.enabled ? "" : "|disabled"));
    }
    return lines;
}

struct AppMainMenuTest : ::testing::Test {
    FakeClock clock;
    ManualRunLoop loop{clock};
    NotificationCenter notifications{loop};
    InMemoryUserDefaults defaults;
    StandardAppLanguage language{defaults};
};

TEST_F(AppMainMenuTest, ApplicationAndEditMenusHoldTheirItemsAndCtrlShortcutsInOrder) {
    FakeAppUpdater updater(AppUpdateState{true, true, AppUpdateAvailability::idle()});
    const auto menus = AppMainMenu::build(updater, "Quorvane");
    ASSERT_EQ(menus.size(), 2u);
    EXPECT_EQ(menus[0].title, "");
    EXPECT_EQ(describe(menus[0]),
              (std::vector<std::string>{"About Quorvane|", updater.updatePresentation().menuTitle + "|", "-",
                                        "Settings...|Ctrl+,", "Show Onboarding|", "Close Window|Ctrl+W", "-",
                                        "Hide Quorvane|Ctrl+H", "Hide Others|Ctrl+Alt+H", "Show All|", "-",
                                        "Quit Quorvane|Ctrl+Q"}));
    EXPECT_EQ(menus[1].title, "Edit");
    EXPECT_EQ(describe(menus[1]),
              (std::vector<std::string>{"Undo|Ctrl+Z", "Redo|Ctrl+Shift+Z", "-", "Cut|Ctrl+X", "Copy|Ctrl+C",
                                        "Paste|Ctrl+V", "-", "Select All|Ctrl+A"}));
}

TEST_F(AppMainMenuTest, UpdateCommandFollowsTheUpdaterOnALaterTurn) {
    FakeAppUpdater updater(AppUpdateState{false, false, AppUpdateAvailability::idle()});
    AppMainMenu menu(updater, loop, notifications, "Quorvane");
    // Without update support neither the command nor its separator is there.
    EXPECT_FALSE(menu.item(AppMenuAction::checkForUpdates));
    EXPECT_EQ(menu.menus()[0].items[1].action, AppMenuAction::openSettings);

    int changes = 0;
    const Subscription subscription = menu.observeChanges([&] { ++changes; });
    updater.setState(AppUpdateState{true, false, AppUpdateAvailability::idle()});
    EXPECT_FALSE(menu.item(AppMenuAction::checkForUpdates));  // not inside the updater's own call
    loop.runUntilIdle();
    EXPECT_EQ(changes, 1);
    ASSERT_TRUE(menu.item(AppMenuAction::checkForUpdates));
    EXPECT_FALSE(menu.item(AppMenuAction::checkForUpdates)->enabled);
    EXPECT_TRUE(menu.menus()[0].items[2].isSeparator);

    updater.setState(AppUpdateState{true, true, AppUpdateAvailability::idle()});
    updater.setState(AppUpdateState{true, true, AppUpdateAvailability::updateAvailable("2.0")});
    loop.runUntilIdle();
    EXPECT_EQ(changes, 2);  // two changes in one turn, one rebuild
    EXPECT_TRUE(menu.item(AppMenuAction::checkForUpdates)->enabled);
    EXPECT_EQ(menu.item(AppMenuAction::checkForUpdates)->title, updater.updatePresentation().menuTitle);
}

TEST_F(AppMainMenuTest, LanguageChangeRebuildsTheTextsAndKeepsTheShortcuts) {
    FakeAppUpdater updater;
    AppMainMenu menu(updater, loop, notifications, "Quorvane");
    int changes = 0;
    const Subscription subscription = menu.observeChanges([&] { ++changes; });
    AppLanguage::set(AppLanguage::simplifiedChinese, defaults, notifications);
    loop.runUntilIdle();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(menu.item(AppMenuAction::quit)->title, "退出 Quorvane");
    EXPECT_EQ(menu.menus()[1].title, "编辑");
    EXPECT_EQ(menu.item(AppMenuAction::closeWindow)->keyEquivalent->portableText(), "Ctrl+W");

    // The same language again changes nothing.
    AppLanguage::set(AppLanguage::simplifiedChinese, defaults, notifications);
    loop.runUntilIdle();
    EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace quorvane
