#include <gtest/gtest.h>

#include <fstream>

#include "l10n/StandardAppLanguage.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryApplicationFileReader.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "settings/model/IgnoredAppsSettingsViewModel.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

constexpr const char* kListKey = "ClipboardIgnoredAppBundleIdentifiers";

DefaultsValue::Array listOf(const std::vector<std::string>& identifiers) {
    return DefaultsValue::Array(identifiers.begin(), identifiers.end());
}

class IgnoredAppsSettingsViewModelTest : public ::testing::Test {
protected:
    IgnoredAppsSettingsViewModelTest() {
        InstalledApplication keepass;
        keepass.identifier = "org.keepassxc.KeePassXC";
        keepass.name = "KeePassXC";
        keepass.localizedNames = {{"zh_CN", "KeePassXC 密码库"}};
        keepass.icon = "keepassxc";
        catalog_.install(keepass);
        catalog_.install("org.gnome.Terminal", "Terminal");
        catalog_.install("com.bitwarden.desktop", "Bitwarden");
    }

    // A file on disk (links are resolved through the file system) that the reader knows as `identifier`.
    fs::path applicationFile(const std::string& fileName, const std::string& identifier) {
        const fs::path file = directory_ / fileName;
        std::ofstream(file) << "[Desktop Entry]\n";
        InstalledApplication application;
        application.identifier = identifier;
        application.name = identifier;
        reader_.applications[fs::canonical(file)] = application;
        return file;
    }
    fs::path plainFile(const std::string& fileName) {
        const fs::path file = directory_ / fileName;
        std::ofstream(file) << "text";
        return file;
    }
    std::vector<std::string> stored() const {
        return defaults_.stringArrayValue(kListKey).value_or(std::vector<std::string>{});
    }

    testing::TemporaryDirectory directory_;
    InMemoryUserDefaults defaults_;
    InMemoryApplicationCatalog catalog_;
    InMemoryApplicationFileReader reader_;
    ClipboardIgnoredAppsSettings ignoredApps_{catalog_};
    IgnoredAppsSettingsViewModel model_{defaults_, ignoredApps_, catalog_, reader_};
};

TEST_F(IgnoredAppsSettingsViewModelTest, RowsAreTheNormalisedStoredListWithNamesFromTheCatalog) {
    defaults_.set(kListKey, listOf({" org.keepassxc.KeePassXC ", "gone.App", "", "org.keepassxc.KeePassXC",
                                    "a.First\n"}));
    EXPECT_EQ(model_.ignoredAppBundleIdentifiers(),
              (std::vector<std::string>{"a.First", "gone.App", "org.keepassxc.KeePassXC"}));
    EXPECT_EQ(model_.row(2), (IgnoredAppRow{"org.keepassxc.KeePassXC", "KeePassXC", "keepassxc"}));
    // An application that is not installed keeps a row, named by its identifier.
    EXPECT_EQ(model_.row(1), (IgnoredAppRow{"gone.App", "gone.App", ""}));
    EXPECT_EQ(model_.row(3), std::nullopt);

    // Names follow the interface language of the page that looks them up.
    IgnoredAppsSettingsViewModel chinesePage(defaults_, ignoredApps_, catalog_, reader_);
    defaults_.set("AppLanguage", std::string("zh-Hans"));
    StandardAppLanguage language(defaults_);
    EXPECT_EQ(chinesePage.row(2)->displayName, "KeePassXC 密码库");

    // An id that itself ends in ".desktop" is still found.
    defaults_.set(kListKey, listOf({"com.bitwarden.desktop"}));
    EXPECT_EQ(model_.row(0)->displayName, "Bitwarden");
}

TEST_F(IgnoredAppsSettingsViewModelTest, ThePickerOffersApplicationsByTheirNamesInNameOrder) {
    InstalledApplication hidden;
    hidden.identifier = "org.example.Helper";
    hidden.name = "A Helper";
    hidden.noDisplay = true;
    catalog_.install(hidden);
    InstalledApplication zoo;
    zoo.identifier = "aaa.zoo";
    zoo.name = "zoo";
    zoo.desktopFilePath = "/usr/share/applications/aaa.zoo.desktop";
    catalog_.install(zoo);
    const auto names = [this] {
        std::vector<std::string> shown;
        for (const auto& choice : model_.pickerApplications()) shown.push_back(choice.name);
        return shown;
    };
    // Sorted by name, letter case aside, never by the file name; what the desktop does not offer is left out.
    EXPECT_EQ(names(), (std::vector<std::string>{"Bitwarden", "KeePassXC", "Terminal", "zoo"}));
    const auto choices = model_.pickerApplications();
    EXPECT_EQ(choices[1], (ApplicationFilePickerChoice{"KeePassXC", "keepassxc", ""}));
    EXPECT_EQ(choices[3].file, fs::path("/usr/share/applications/aaa.zoo.desktop"));

    defaults_.set("AppLanguage", std::string("zh-Hans"));
    StandardAppLanguage language(defaults_);
    EXPECT_EQ(names(), (std::vector<std::string>{"Bitwarden", "KeePassXC 密码库", "Terminal", "zoo"}));

    // Chinese readers find a Han name under the letter of its pinyin, among the Latin names there.
    for (const auto& [identifier, chinese] :
         std::vector<std::pair<std::string, std::string>>{{"org.mozilla.firefox", "火狐"},
                                                          {"org.gnome.Music", "音乐"},
                                                          {"org.gnome.Dictionary", "词典"},
                                                          {"org.example.Archive", "阿里"}}) {
        InstalledApplication application;
        application.identifier = identifier;
        application.name = identifier;
        application.localizedNames = {{"zh_CN", chinese}};
        catalog_.install(application);
    }
    EXPECT_EQ(names(), (std::vector<std::string>{"阿里", "Bitwarden", "词典", "火狐", "KeePassXC 密码库",
                                                 "Terminal", "音乐", "zoo"}));
}

TEST_F(IgnoredAppsSettingsViewModelTest, AddingSortsFilesIntoAddedListedAndInvalid) {
    const fs::path terminal = applicationFile("org.gnome.Terminal.desktop", "org.gnome.Terminal");
    const fs::path upper = applicationFile("Shouting.DESKTOP", "Shouting");
    const fs::path link = directory_ / "link.desktop";
    fs::create_symlink(terminal, link);
    const fs::path document = plainFile("notes.txt");
    const fs::path malformed = plainFile("broken.desktop");
    const fs::path folder = directory_ / "folder.desktop";
    fs::create_directory(folder);

    const auto result = model_.addAppURLs(
        {terminal, document, upper, link, malformed, folder, directory_ / "missing.desktop"});
    EXPECT_EQ(result.added, (std::vector<std::string>{"org.gnome.Terminal", "Shouting"}));
    // The link is the Terminal again.
    EXPECT_EQ(result.alreadyListed, std::vector<std::string>{"org.gnome.Terminal"});
    EXPECT_EQ(result.invalidURLs,
              (std::vector<fs::path>{document, malformed, folder, directory_ / "missing.desktop"}));
    EXPECT_EQ(stored(), (std::vector<std::string>{"Shouting", "org.gnome.Terminal"}));
    EXPECT_EQ(IgnoredAppsSettingsViewModel::selectionTarget(result), "Shouting");

    // A drop is offered while hovering when one file is named like an application, read or not.
    EXPECT_TRUE(model_.canAcceptDroppedAppURLs({document, malformed}));
    EXPECT_TRUE(model_.canAcceptDroppedAppURLs({link}));
    EXPECT_FALSE(model_.canAcceptDroppedAppURLs({document, folder, directory_ / "missing.desktop"}));
    EXPECT_FALSE(model_.canAcceptDroppedAppURLs({}));
}

TEST_F(IgnoredAppsSettingsViewModelTest, AlertsReportOnlyAdditionsThatAddedNothing) {
    using Result = IgnoredAppAddResult;
    const fs::path doc = "/tmp/doc.txt";
    const auto title = [](const Result& result) {
        const auto alert = IgnoredAppsSettingsViewModel::addResultAlert(result);
        return alert ? alert->messageText : std::string("none");
    };
    EXPECT_EQ(title(Result{{"a"}, {"b"}, {doc}}), "none");
    EXPECT_EQ(title(Result{{}, {"b"}, {}}), "App Already Added");
    EXPECT_EQ(title(Result{{}, {"b", "c"}, {}}), "Apps Already Added");
    EXPECT_EQ(title(Result{{}, {"b"}, {doc}}), "Cannot Add App");
    EXPECT_EQ(
        IgnoredAppsSettingsViewModel::addResultAlert(Result{{}, {"b"}, {doc}})->informativeText,
        "No new apps were added. Make sure the dropped items are applications (.desktop files) that are "
        "not already in the list.");
    EXPECT_EQ(IgnoredAppsSettingsViewModel::addResultAlert(Result{{}, {}, {doc}})->informativeText,
              "Drop an application (.desktop file) into the list, or use the add button to choose one.");
    EXPECT_EQ(IgnoredAppsSettingsViewModel::selectionTarget(Result{{}, {"b", "c"}, {}}), "c");
    EXPECT_EQ(IgnoredAppsSettingsViewModel::selectionTarget(Result{{}, {}, {doc}}), std::nullopt);
}

TEST_F(IgnoredAppsSettingsViewModelTest, RemovingSelectsTheApplicationThatMovedIntoTheRow) {
    defaults_.set(kListKey, listOf({"c", "a", "b"}));
    // "b" was selected (row 1) and is removed: "c" moves into row 1.
    EXPECT_TRUE(model_.removeIgnoredApp("b"));
    EXPECT_EQ(model_.rowToSelect(1, std::nullopt), 1u);
    EXPECT_EQ(model_.row(1)->identifier, "c");
    // Removing the bottom row leaves nothing selected.
    EXPECT_TRUE(model_.removeIgnoredApp("c"));
    EXPECT_EQ(model_.rowToSelect(1, std::nullopt), std::nullopt);
    EXPECT_FALSE(model_.removeIgnoredApp("c"));
    // A target wins over the old row, and one that is not listed selects nothing.
    defaults_.set(kListKey, listOf({"a", "m", "z"}));
    EXPECT_EQ(model_.rowToSelect(0, std::string("z")), 2u);
    EXPECT_EQ(model_.rowToSelect(0, std::string("q")), std::nullopt);
    EXPECT_EQ(model_.rowToSelect(std::nullopt, std::nullopt), std::nullopt);
}

}  // namespace
}  // namespace quorvane
