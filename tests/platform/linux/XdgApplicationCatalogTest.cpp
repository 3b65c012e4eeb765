#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "platform/linux/XdgApplicationCatalog.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> identifiers(const std::vector<InstalledApplication>& applications) {
    std::vector<std::string> ids;
    for (const auto& application : applications) ids.push_back(application.identifier);
    return ids;
}

class XdgApplicationCatalogTest : public ::testing::Test {
protected:
    // Writes `contents` to <data directory>/applications/<relative>.
    void write(const fs::path& dataDirectory, const fs::path& relative, const std::string& contents) {
        const auto path = dataDirectory / "applications" / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << contents;
    }
    static std::string entry(const std::string& name, const std::string& extra = {}) {
        // The extra lines come first, so theirs are the values that count.
        return "[Desktop Entry]\n" + extra + "Type=Application\nName=" + name + "\nExec=" + name + "\n";
    }

    testing::TemporaryDirectory home;
    testing::TemporaryDirectory system;
    fs::path userData = home.path() / "share";
    fs::path systemData = system.path();
};

TEST_F(XdgApplicationCatalogTest, ReadsEntriesWithIdsFromSubfoldersAndAllTheirFields) {
    write(systemData, "org.keepassxc.KeePassXC.desktop",
          entry("KeePassXC",
                "Name[de]=KeePassXC DE\nIcon=keepassxc\nStartupWMClass=keepassxc\n"
                "Exec=keepassxc\\s%f\n"));
    write(systemData, "kde/okular.desktop", entry("Okular"));
    write(systemData, "README", "not an entry");
    write(systemData, "notes.txt.desktop~", entry("Backup"));

    XdgApplicationCatalog catalog({userData, systemData});
    const auto applications = catalog.installedApplications();
    ASSERT_EQ(identifiers(applications), (std::vector<std::string>{"kde-okular", "org.keepassxc.KeePassXC"}));
    InstalledApplication expected;
    expected.identifier = "org.keepassxc.KeePassXC";
    expected.name = "KeePassXC";
    expected.localizedNames = {{"de", "KeePassXC DE"}};
    expected.icon = "keepassxc";
    expected.startupWMClass = "keepassxc";
    expected.exec = "keepassxc %f";
    expected.desktopFilePath = (systemData / "applications/org.keepassxc.KeePassXC.desktop").string();
    EXPECT_EQ(applications[1], expected);
    EXPECT_EQ(catalog.applicationNamed("okular")->desktopFilePath,
              (systemData / "applications/kde/okular.desktop").string());
}

TEST_F(XdgApplicationCatalogTest, NoDisplayHiddenNamelessAndOtherTypesAreNotOffered) {
    write(systemData, "handler.desktop", entry("Handler", "NoDisplay=true\n"));
    write(systemData, "removed.desktop", entry("Removed", "Hidden=true\n"));
    write(systemData, "nameless.desktop", "[Desktop Entry]\nType=Application\nExec=x\n");
    write(systemData, "emptyname.desktop", "[Desktop Entry]\nType=Application\nName=\n");
    write(systemData, "typeless.desktop", "[Desktop Entry]\nName=Typeless\n");
    write(systemData, "link.desktop", "[Desktop Entry]\nType=Link\nName=Link\nURL=https://example.org\n");
    write(systemData, "editor.desktop", entry("Editor"));

    testing::LogCapture log;
    XdgApplicationCatalog catalog({systemData});
    EXPECT_EQ(identifiers(catalog.installedApplications()), (std::vector<std::string>{"editor"}));
    EXPECT_EQ(identifiers(*catalog.applicationEntries()), (std::vector<std::string>{"editor", "handler"}));
    EXPECT_FALSE(catalog.applicationNamed("Handler"));
    EXPECT_FALSE(catalog.applicationWithIdentifier("removed"));
    EXPECT_TRUE(log.contains("WARNING", "nameless.desktop, skipped: no Name"));
    EXPECT_TRUE(log.contains("WARNING", "emptyname.desktop, skipped: no Name"));
    EXPECT_TRUE(log.contains("WARNING", "typeless.desktop, skipped: no Type"));
    EXPECT_EQ(log.count("link.desktop"), 0u);
}

TEST_F(XdgApplicationCatalogTest, MalformedAndUnreadableFilesAreSkippedWithAWarning) {
    write(systemData, "binary.desktop",
          std::string("\x7F"
                      "ELF\0\0\xFF\xFE",
                      8));
    write(systemData, "garbage.desktop", "[Desktop Entry]\nName=Garbage\nType=Application\n<<<>>>\n");
    write(systemData, "huge.desktop",
          entry("Huge", std::string(XdgApplicationCatalog::maximumDesktopFileSize, '#')));
    fs::create_directories(systemData / "applications/folder.desktop");
    ASSERT_EQ(mkfifo((systemData / "applications/pipe.desktop").c_str(), 0600), 0);
    fs::create_symlink(systemData / "applications/missing-target",
                       systemData / "applications/dangling.desktop");
    fs::create_directory_symlink(systemData / "applications", systemData / "applications/loop");
    write(systemData, "good.desktop", entry("Good"));

    testing::LogCapture log;
    XdgApplicationCatalog catalog({systemData});
    EXPECT_EQ(identifiers(catalog.installedApplications()), (std::vector<std::string>{"good"}));
    for (const char* skipped :
         {"binary.desktop", "garbage.desktop", "huge.desktop", "pipe.desktop", "dangling.desktop"}) {
        EXPECT_TRUE(log.contains("WARNING", std::string("Failed to read desktop entry ")) &&
                    log.count(skipped) == 1)
            << skipped;
    }
    EXPECT_TRUE(log.contains("WARNING", "garbage.desktop, skipped: line 4"));
}

TEST_F(XdgApplicationCatalogTest, EarlierFoldersMaskLaterOnesButMalformedOverridesDoNot) {
    write(userData, "editor.desktop", entry("My Editor"));
    write(systemData, "editor.desktop", entry("Editor"));
    write(userData, "vault.desktop", "[Desktop Entry]\nHidden=true\n");
    write(systemData, "vault.desktop", entry("Vault"));
    write(userData, "broken.desktop", "not a desktop entry");
    write(systemData, "broken.desktop", entry("Repaired"));
    write(userData, "web.desktop", "[Desktop Entry]\nType=Link\nName=Web\nURL=x\n");
    write(systemData, "web.desktop", entry("Web Browser"));

    testing::LogCapture log;
    XdgApplicationCatalog catalog({userData, systemData});
    EXPECT_EQ(identifiers(catalog.installedApplications()), (std::vector<std::string>{"broken", "editor"}));
    EXPECT_EQ(catalog.applicationWithIdentifier("editor")->name, "My Editor");
    EXPECT_EQ(catalog.applicationWithIdentifier("broken")->name, "Repaired");
}

TEST_F(XdgApplicationCatalogTest, NoticesApplicationsInstalledAndRemovedLater) {
    XdgApplicationCatalog catalog({userData, systemData});
    EXPECT_TRUE(catalog.installedApplications().empty());

    write(systemData, "kde/okular.desktop", entry("Okular"));
    EXPECT_EQ(identifiers(catalog.installedApplications()), (std::vector<std::string>{"kde-okular"}));

    write(systemData, "kde/gwenview.desktop", entry("Gwenview"));
    EXPECT_EQ(identifiers(catalog.installedApplications()),
              (std::vector<std::string>{"kde-gwenview", "kde-okular"}));

    fs::remove(systemData / "applications/kde/okular.desktop");
    EXPECT_EQ(identifiers(catalog.installedApplications()), (std::vector<std::string>{"kde-gwenview"}));

    // An entry rewritten in place leaves its folder untouched; reload() picks it up.
    write(systemData, "kde/gwenview.desktop", entry("Gwenview", "NoDisplay=true\n"));
    catalog.reload();
    EXPECT_TRUE(catalog.installedApplications().empty());
}

TEST_F(XdgApplicationCatalogTest, DataDirectoriesComeFromTheEnvironmentWithTheirDefaults) {
    const auto saved = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const auto dataHome = saved("XDG_DATA_HOME"), dataDirs = saved("XDG_DATA_DIRS"), homeDir = saved("HOME");

    setenv("XDG_DATA_HOME", "/home/anna/data", 1);
    setenv("XDG_DATA_DIRS", "/opt/share::relative/share:/usr/share", 1);
    EXPECT_EQ(XdgApplicationCatalog::dataDirectoriesFromEnvironment(),
              (std::vector<fs::path>{"/home/anna/data", "/opt/share", "/usr/share"}));

    unsetenv("XDG_DATA_HOME");
    setenv("XDG_DATA_DIRS", "", 1);
    setenv("HOME", "/home/anna", 1);
    EXPECT_EQ(XdgApplicationCatalog::dataDirectoriesFromEnvironment(),
              (std::vector<fs::path>{"/home/anna/.local/share", "/usr/local/share", "/usr/share"}));

    const auto restore = [](const char* name, const std::optional<std::string>& value) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    };
    restore("XDG_DATA_HOME", dataHome);
    restore("XDG_DATA_DIRS", dataDirs);
    restore("HOME", homeDir);
}

}  // namespace
}  // namespace quorvane
