#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <utility>

#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "preferences/ClipboardIgnoredAppsSettings.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {
namespace {

using Strings = std::vector<std::string>;

class ClipboardIgnoredAppsSettingsTest : public ::testing::Test {
protected:
    ClipboardIgnoredAppsSettingsTest() {
        catalog.install("com.apple.Passwords", "Passwords");
        catalog.install("com.bitwarden.desktop", "Bitwarden");
        catalog.install("org.keepassxc.KeePassXC", "KeePassXC");
        catalog.install("org.gnome.TextEditor", "Text Editor");
    }

    Strings stored(const char* key = SettingsKey::ignoredAppBundleIdentifiers) const {
        return defaults.stringArrayValue(key).value_or(Strings{});
    }
    void resetSeedingMarks() {
        defaults.set(SettingsKey::ignoredAppDefaultsVersion, 0);
        defaults.set(SettingsKey::ignoredAppDefaultsApplied, false);
    }

    InMemoryApplicationCatalog catalog;
    InMemoryUserDefaults defaults;
};

TEST_F(ClipboardIgnoredAppsSettingsTest, NormalisationTrimsDropsBlanksAndRepeatsAndSorts) {
    EXPECT_EQ(ClipboardIgnoredAppsSettings::normalizedIgnoredAppBundleIdentifiers(
                  {" org.b.App\n", "org.a.App", "org.b.App", "", "\u00A0\t", "org.B.App"}),
              (Strings{"org.B.App", "org.a.App", "org.b.App"}));
    EXPECT_TRUE(ClipboardIgnoredAppsSettings::normalizedIgnoredAppBundleIdentifiers({}).empty());
}

TEST_F(ClipboardIgnoredAppsSettingsTest, MembershipIsTrimmedButCaseSensitive) {
    defaults.set(SettingsKey::ignoredAppBundleIdentifiers,
                 DefaultsValue::Array{"  org.keepassxc.KeePassXC "});
    EXPECT_TRUE(ClipboardIgnoredAppsSettings::isIgnoredApp("org.keepassxc.KeePassXC", defaults));
    EXPECT_TRUE(ClipboardIgnoredAppsSettings::isIgnoredApp("\torg.keepassxc.KeePassXC\n", defaults));
    EXPECT_FALSE(ClipboardIgnoredAppsSettings::isIgnoredApp("org.keepassxc.keepassxc", defaults));
    EXPECT_FALSE(ClipboardIgnoredAppsSettings::isIgnoredApp(std::nullopt, defaults));
    EXPECT_FALSE(ClipboardIgnoredAppsSettings::isIgnoredApp("   ", defaults));
    EXPECT_FALSE(ClipboardIgnoredAppsSettings::isIgnoredApp("org.keepassxc", defaults));
}

TEST_F(ClipboardIgnoredAppsSettingsTest, OddlyStoredListsNeitherCrashNorDropTheGoodEntries) {
    defaults.set(SettingsKey::ignoredAppBundleIdentifiers, "org.keepassxc.KeePassXC");
    EXPECT_FALSE(ClipboardIgnoredAppsSettings::isIgnoredApp("org.keepassxc.KeePassXC", defaults));
    EXPECT_TRUE(ClipboardIgnoredAppsSettings::ignoredAppBundleIdentifiers(defaults).empty());

    // One bad element must not switch off the ignoring of every other application.
    defaults.set(SettingsKey::ignoredAppBundleIdentifiers,
                 DefaultsValue::Array{7, "org.keepassxc.KeePassXC", DefaultsValue::Array{"x"}});
    EXPECT_TRUE(ClipboardIgnoredAppsSettings::isIgnoredApp("org.keepassxc.KeePassXC", defaults));
    ClipboardIgnoredAppsSettings settings(catalog);
    EXPECT_TRUE(settings.addIgnoredAppBundleIdentifier(defaults, "org.gnome.TextEditor"));
    EXPECT_EQ(stored(), (Strings{"org.gnome.TextEditor", "org.keepassxc.KeePassXC"}));
}

TEST_F(ClipboardIgnoredAppsSettingsTest, AddingStoresTheTrimmedIdentifierOnce) {
    ClipboardIgnoredAppsSettings settings(catalog);
    defaults.set(SettingsKey::ignoredAppDefaultOptOut, DefaultsValue::Array{"com.bitwarden.desktop"});
    EXPECT_TRUE(settings.addIgnoredAppBundleIdentifier(defaults, "  org.gnome.TextEditor\n"));
    EXPECT_FALSE(settings.addIgnoredAppBundleIdentifier(defaults, "org.gnome.TextEditor"));
    EXPECT_TRUE(settings.addIgnoredAppBundleIdentifier(defaults, "com.bitwarden.desktop"));
    EXPECT_TRUE(settings.addIgnoredAppBundleIdentifier(defaults, "Org.Gnome.TextEditor"));
    EXPECT_FALSE(settings.addIgnoredAppBundleIdentifier(defaults, " \t"));
    EXPECT_EQ(stored(), (Strings{"Org.Gnome.TextEditor", "com.bitwarden.desktop", "org.gnome.TextEditor"}));
    EXPECT_EQ(stored(SettingsKey::ignoredAppDefaultOptOut), (Strings{"com.bitwarden.desktop"}));
}

TEST_F(ClipboardIgnoredAppsSettingsTest, RemovingADefaultRecordsAnOptOutOnlyForDefaults) {
    ClipboardIgnoredAppsSettings settings(catalog);
    defaults.set(
        SettingsKey::ignoredAppBundleIdentifiers,
        DefaultsValue::Array{"com.apple.Passwords", "org.gnome.TextEditor", "com.bitwarden.desktop"});

    EXPECT_TRUE(settings.removeIgnoredAppBundleIdentifier(defaults, " com.apple.Passwords "));
    EXPECT_TRUE(settings.removeIgnoredAppBundleIdentifier(defaults, "org.gnome.TextEditor"));
    EXPECT_EQ(stored(), (Strings{"com.bitwarden.desktop"}));
    EXPECT_EQ(stored(SettingsKey::ignoredAppDefaultOptOut), (Strings{"com.apple.Passwords"}));

    // An opt-out already present in other letter case is not recorded again.
    settings.recordIgnoredAppDefaultOptOut(defaults, "COM.APPLE.PASSWORDS");
    settings.recordIgnoredAppDefaultOptOut(defaults, "com.bitwarden.DESKTOP");
    settings.recordIgnoredAppDefaultOptOut(defaults, "org.example.NotADefault");
    EXPECT_EQ(stored(SettingsKey::ignoredAppDefaultOptOut),
              (Strings{"com.apple.Passwords", "com.bitwarden.DESKTOP"}));
}

TEST_F(ClipboardIgnoredAppsSettingsTest, RemovingSomethingNotListedWritesNothing) {
    ClipboardIgnoredAppsSettings settings(catalog);
    defaults.set(SettingsKey::ignoredAppBundleIdentifiers, DefaultsValue::Array{" com.bitwarden.desktop"});
    int writes = 0;
    auto subscription = defaults.observeChanges([&](const std::string&) { ++writes; });
    EXPECT_FALSE(settings.removeIgnoredAppBundleIdentifier(defaults, "com.apple.Passwords"));
    EXPECT_FALSE(settings.removeIgnoredAppBundleIdentifier(defaults, "COM.BITWARDEN.DESKTOP"));
    EXPECT_FALSE(settings.removeIgnoredAppBundleIdentifier(defaults, "\n"));
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(stored(), (Strings{" com.bitwarden.desktop"}));
}

TEST_F(ClipboardIgnoredAppsSettingsTest, DefaultsAreTheInstalledPasswordManagersFoundOnce) {
    catalog.install(" org.keepassxc.KeePassXC-alt ", "KeePassX");
    catalog.install("com.1password.1password", "1Password");
    catalog.install("org.example.HiddenVault", "Enpass", /*noDisplay=*/true);
    catalog.install("com.example.NotAManager", "Notes");
    ClipboardIgnoredAppsSettings settings(catalog);
    const Strings expected = {"com.1password.1password", "com.apple.Passwords", "com.bitwarden.desktop",
                              "org.keepassxc.KeePassXC", "org.keepassxc.KeePassXC-alt"};
    EXPECT_EQ(settings.defaultIgnoredAppBundleIdentifiers(), expected);

    const int requests = catalog.entryRequestCount();
    catalog.install("com.dashlane.Dashlane", "Dashlane");
    EXPECT_EQ(settings.defaultIgnoredAppBundleIdentifiers(), expected);
    EXPECT_EQ(catalog.entryRequestCount(), requests);
}

TEST_F(ClipboardIgnoredAppsSettingsTest, TheOtherPlatformsPasswordManagerIsOnlyADefaultWhenInstalled) {
    catalog.uninstall("com.apple.Passwords");
    ClipboardIgnoredAppsSettings settings(catalog);
    EXPECT_EQ(settings.defaultIgnoredAppBundleIdentifiers(),
              (Strings{"com.bitwarden.desktop", "org.keepassxc.KeePassXC"}));
}

TEST_F(ClipboardIgnoredAppsSettingsTest, SeedingAddsMissingDefaultsAndMarksItselfDone) {
    ClipboardIgnoredAppsSettings settings(catalog);
    defaults.set(SettingsKey::ignoredAppBundleIdentifiers,
                 DefaultsValue::Array{"org.gnome.TextEditor ", "ORG.KEEPASSXC.KEEPASSXC"});
    settings.applyDefaults(defaults);
    EXPECT_EQ(stored(), (Strings{"ORG.KEEPASSXC.KEEPASSXC", "com.apple.Passwords", "com.bitwarden.desktop",
                                 "org.gnome.TextEditor"}));
    EXPECT_EQ(defaults.integerValue(SettingsKey::ignoredAppDefaultsVersion), 1);
    EXPECT_EQ(defaults.boolValue(SettingsKey::ignoredAppDefaultsApplied), true);
    // A user list holding the default only in capitals blocks the seeding but not capture's exact test.
    EXPECT_FALSE(ClipboardIgnoredAppsSettings::isIgnoredApp("org.keepassxc.KeePassXC", defaults));
}

TEST_F(ClipboardIgnoredAppsSettingsTest, SeedingRunsOnlyOnce) {
    ClipboardIgnoredAppsSettings settings(catalog);
    settings.applyDefaults(defaults);
    EXPECT_EQ(stored().size(), 3u);
    defaults.set(SettingsKey::ignoredAppBundleIdentifiers, DefaultsValue::Array{});

    settings.applyDefaults(defaults);
    EXPECT_TRUE(stored().empty());

    // An older install that only set the flag counts as seeded; a negative version seeds regardless.
    defaults.set(SettingsKey::ignoredAppDefaultsVersion, 0);
    settings.applyDefaults(defaults);
    EXPECT_TRUE(stored().empty());
    defaults.set(SettingsKey::ignoredAppDefaultsVersion, -1);
    settings.applyDefaults(defaults);
    EXPECT_EQ(stored().size(), 3u);
}

TEST_F(ClipboardIgnoredAppsSettingsTest, SeedingNeverAddsBackAnOptedOutDefault) {
    ClipboardIgnoredAppsSettings settings(catalog);
    settings.applyDefaults(defaults);
    EXPECT_TRUE(settings.removeIgnoredAppBundleIdentifier(defaults, "com.apple.Passwords"));
    resetSeedingMarks();
    settings.applyDefaults(defaults);
    EXPECT_EQ(stored(), (Strings{"com.bitwarden.desktop", "org.keepassxc.KeePassXC"}));

    // An opt-out written in other letters still counts.
    defaults.set(SettingsKey::ignoredAppDefaultOptOut, DefaultsValue::Array{"COM.BITWARDEN.DESKTOP"});
    defaults.set(SettingsKey::ignoredAppBundleIdentifiers, DefaultsValue::Array{});
    resetSeedingMarks();
    settings.applyDefaults(defaults);
    EXPECT_EQ(stored(), (Strings{"com.apple.Passwords", "org.keepassxc.KeePassXC"}));
}

// A catalog that runs `duringLookup` the first time it is asked, as a second seeding would arrive mid-job.
class InterruptingCatalog : public InMemoryApplicationCatalog {
public:
    std::shared_ptr<const std::vector<InstalledApplication>> applicationEntries() const override {
        if (duringLookup) std::exchange(duringLookup, nullptr)();
        return InMemoryApplicationCatalog::applicationEntries();
    }
    mutable std::function<void()> duringLookup;
};

TEST_F(ClipboardIgnoredAppsSettingsTest, ASeedingThatFindsAnotherRunningReturnsAtOnce) {
    InterruptingCatalog interrupting;
    interrupting.install("com.bitwarden.desktop", "Bitwarden");
    ClipboardIgnoredAppsSettings settings(interrupting);
    bool innerReturned = false;
    interrupting.duringLookup = [&] {
        settings.applyDefaults(defaults);
        innerReturned = true;
        EXPECT_FALSE(defaults.contains(SettingsKey::ignoredAppDefaultsVersion));
    };
    settings.applyDefaults(defaults);
    EXPECT_TRUE(innerReturned);
    EXPECT_EQ(stored(), (Strings{"com.bitwarden.desktop"}));

    // The flag is cleared when a job ends, also when it ends early.
    resetSeedingMarks();
    defaults.set(SettingsKey::ignoredAppBundleIdentifiers, DefaultsValue::Array{});
    settings.applyDefaults(defaults);
    EXPECT_EQ(stored(), (Strings{"com.bitwarden.desktop"}));
}

TEST_F(ClipboardIgnoredAppsSettingsTest, SeedingIsQueuedAndTheCallerDoesNotWait) {
    InterruptingCatalog blocking;
    blocking.install("com.bitwarden.desktop", "Bitwarden");
    std::promise<void> release;
    auto released = release.get_future().share();
    blocking.duringLookup = [released] { released.wait(); };
    ClipboardIgnoredAppsSettings settings(blocking);

    settings.applyDefaultsIfNeeded(defaults);  // would never return if it seeded on this thread
    EXPECT_FALSE(defaults.contains(SettingsKey::ignoredAppDefaultsVersion));
    // An edit made while the job is pending is kept.
    EXPECT_TRUE(settings.addIgnoredAppBundleIdentifier(defaults, "org.gnome.TextEditor"));
    release.set_value();
    settings.waitForQueuedSeeding();
    EXPECT_EQ(stored(), (Strings{"com.bitwarden.desktop", "org.gnome.TextEditor"}));
    EXPECT_EQ(defaults.integerValue(SettingsKey::ignoredAppDefaultsVersion), 1);

    settings.applyDefaultsIfNeeded(defaults);
    settings.waitForQueuedSeeding();
    EXPECT_EQ(stored().size(), 2u);
}

}  // namespace
}  // namespace quorvane
