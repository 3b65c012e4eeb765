#include <gtest/gtest.h>

#include "app/model/NoopAppUpdater.h"
#include "l10n/AppLanguage.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/memory/InMemoryUserDefaults.h"

namespace quorvane {
namespace {

AppUpdateState available(std::optional<std::string> version) {
    return {true, true, AppUpdateAvailability::updateAvailable(std::move(version))};
}

TEST(AppUpdateManagingTest, PresentationFollowsAvailabilityAndTheTrimmedVersion) {
    const NoopAppUpdater idle(AppUpdateState{true, false, AppUpdateAvailability::idle()});
    EXPECT_EQ(idle.updatePresentation(),
              (AppUpdatePresentation{"Check for Updates...", "Check for Updates", std::nullopt}));
    EXPECT_FALSE(idle.isUpdateAvailable());
    EXPECT_EQ(idle.trimmedAvailableVersion(), std::nullopt);

    const NoopAppUpdater versioned(available(" 1.4.2\n"));
    EXPECT_TRUE(versioned.isUpdateAvailable());
    EXPECT_EQ(versioned.availableVersion(), " 1.4.2\n");
    EXPECT_EQ(versioned.updatePresentation(),
              (AppUpdatePresentation{"Update to 1.4.2...", "Update to 1.4.2",
                                     "Quorvane 1.4.2 is ready. Open the menu and choose Update to 1.4.2."}));

    // A version that trims to nothing reads like no version at all.
    for (const auto& version : {std::optional<std::string>(" \t "), std::optional<std::string>()}) {
        const NoopAppUpdater blank(available(version));
        EXPECT_TRUE(blank.isUpdateAvailable());
        EXPECT_EQ(blank.trimmedAvailableVersion(), std::nullopt);
        EXPECT_EQ(blank.updatePresentation(),
                  (AppUpdatePresentation{
                      "Update Available...", "Update Available",
                      "A Quorvane update is ready. Open the menu and choose Update Available."}));
    }
}

TEST(AppUpdateManagingTest, PresentationSpeaksTheInterfaceLanguage) {
    const NoopAppUpdater versioned(available("2.0"));
    InMemoryUserDefaults defaults({{AppLanguage::defaultsKey, DefaultsValue(std::string("zh-Hans"))}});
    StandardAppLanguage chinese(defaults);
    EXPECT_EQ(versioned.updatePresentation().menuTitle, "更新到 2.0…");
}

TEST(AppUpdateManagingTest, NoopUpdaterNeverChangesOrChecks) {
    NoopAppUpdater updater;
    int changes = 0;
    Subscription subscription = updater.observeChanges([&] { ++changes; });
    updater.start();
    updater.performLaunchUpdateProbe();
    updater.checkForUpdates();
    EXPECT_EQ(updater.state(), AppUpdateState{});
    EXPECT_FALSE(updater.supportsUpdates());
    EXPECT_EQ(changes, 0);
}

}  // namespace
}  // namespace quorvane
