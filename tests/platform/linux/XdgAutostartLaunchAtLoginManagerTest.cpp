#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/DesktopEntry.h"
#include "platform/linux/XdgAutostartLaunchAtLoginManager.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

class XdgAutostartLaunchAtLoginManagerTest : public ::testing::Test {
protected:
    std::filesystem::path entry() const {
        return directory_ / "autostart" / "tech.zanto.QuorvaneApp.desktop";
    }
    // A program of its own, in a folder whose name needs quoting.
    std::filesystem::path program() const { return directory_ / "My \"Apps\" $HOME" / "quorvane"; }
    XdgAutostartLaunchAtLoginManager manager() const {
        std::filesystem::create_directories(program().parent_path());
        std::ofstream(program()) << "#!/bin/sh\n";
        std::filesystem::permissions(program(), std::filesystem::perms::owner_all);
        return XdgAutostartLaunchAtLoginManager(entry(), program());
    }
    void write(const std::string& contents) const {
        std::filesystem::create_directories(entry().parent_path());
        std::ofstream(entry()) << contents;
    }
    std::string read() const {
        std::stringstream contents;
        contents << std::ifstream(entry()).rdbuf();
        return contents.str();
    }

    testing::TemporaryDirectory directory_;
};

TEST_F(XdgAutostartLaunchAtLoginManagerTest, TurningOnWritesAnEntryThatStartsThisProgramOnce) {
    XdgAutostartLaunchAtLoginManager launch = manager();
    EXPECT_EQ(launch.status(), LaunchAtLoginStatus::notRegistered);
    launch.setEnabled(true);
    EXPECT_EQ(launch.status(), LaunchAtLoginStatus::enabled);
    const std::string written = read();
    const DesktopEntry parsed = DesktopEntry::parse(written);
    // The quotes and the dollar in the folder name survive both escaping layers.
    EXPECT_EQ(parsed.value("Exec"), "\"" + directory_.path().string() + R"(/My \"Apps\" \$HOME/quorvane")");
    EXPECT_EQ(parsed.value("Type"), "Application");

    write("[Desktop Entry]\nType=Application\nName=Edited by the user\nExec=sh\n");
    launch.setEnabled(true);  // already on: left as the user has it
    EXPECT_NE(read().find("Edited by the user"), std::string::npos);
}

// Entries the desktop would not start at sign-in show as off, and turning on replaces them.
TEST_F(XdgAutostartLaunchAtLoginManagerTest,
       EntriesTheDesktopWouldNotStartCountAsOffAndTurningOnReplacesThem) {
    XdgAutostartLaunchAtLoginManager launch = manager();
    const std::filesystem::path notExecutable = directory_ / "notes.txt";
    std::ofstream(notExecutable) << "text";
    const std::string head = "[Desktop Entry]\nType=Application\nName=Quorvane\n";
    const std::vector<std::string> dead = {
        head + "Exec=sh\nHidden=true\n",
        head + "Exec=sh\nX-GNOME-Autostart-enabled=false\n",
        head + "Exec=/opt/gone/quorvane --minimized\n",
        head + "Exec=\"/opt/gone/My Apps/quorvane\" %U\n",
        head + "Exec=quorvane-installed-nowhere\n",
        head + "Exec=" + notExecutable.string() + "\n",
        head + "Exec=\"/bin/sh\n",  // unbalanced quote
        head + "Exec=sh\nTryExec=/opt/gone/quorvane\n",
        head,  // no program at all
        "not a desktop entry\n",
    };
    for (const std::string& contents : dead) {
        write(contents);
        EXPECT_EQ(launch.status(), LaunchAtLoginStatus::notRegistered) << contents;
        launch.setEnabled(false);  // already off: nothing to do
        EXPECT_TRUE(std::filesystem::exists(entry()));
        launch.setEnabled(true);
        EXPECT_EQ(launch.status(), LaunchAtLoginStatus::enabled) << contents;
        EXPECT_EQ(DesktopEntry::parse(read()).value("X-GNOME-Autostart-enabled"), "true");
    }

    // Entries the desktop does start, as a user or another tool may have written them.
    const std::vector<std::string> alive = {
        head + "Exec=sh -c true\n",
        head + "Exec=  \"/bin/sh\" %U\nX-GNOME-Autostart-enabled=true\nHidden=false\n",
        head + "Exec=/bin/sh\nTryExec=sh\n",
        head + "Exec=/bin/sh\nTryExec=" + program().string() + "\n",  // taken as it is, blanks and all
    };
    for (const std::string& contents : alive) {
        write(contents);
        EXPECT_EQ(launch.status(), LaunchAtLoginStatus::enabled) << contents;
    }
}

TEST_F(XdgAutostartLaunchAtLoginManagerTest, TheProgramToStartIsThisProcessesEvenAfterAnUpgradeReplacedIt) {
    const auto self = XdgAutostartLaunchAtLoginManager::programOf("/proc/self/exe");
    ASSERT_TRUE(self);
    EXPECT_TRUE(std::filesystem::equivalent(*self, "/proc/self/exe"));

    // What the process link reads once the running file was replaced: the successor at the same path.
    const std::filesystem::path link = directory_ / "exe";
    std::filesystem::create_symlink(program().string() + " (deleted)", link);
    EXPECT_EQ(XdgAutostartLaunchAtLoginManager::programOf(link), program());
    EXPECT_EQ(XdgAutostartLaunchAtLoginManager::programOf(directory_ / "no-link"), std::nullopt);
}

TEST_F(XdgAutostartLaunchAtLoginManagerTest, TurningOffRemovesTheEntryAndUnknownStatusRefusesBoth) {
    XdgAutostartLaunchAtLoginManager launch = manager();
    launch.setEnabled(true);
    launch.setEnabled(false);
    EXPECT_FALSE(std::filesystem::exists(entry()));
    EXPECT_EQ(launch.status(), LaunchAtLoginStatus::notRegistered);

    XdgAutostartLaunchAtLoginManager homeless(std::nullopt, std::filesystem::path("/usr/bin/quorvane"));
    EXPECT_EQ(homeless.status(), LaunchAtLoginStatus::unknown);
    EXPECT_THROW(homeless.setEnabled(true), LaunchAtLoginManagerError);
    EXPECT_THROW(homeless.setEnabled(false), LaunchAtLoginManagerError);
    try {
        homeless.setEnabled(true);
    } catch (const LaunchAtLoginManagerError& error) {
        EXPECT_STREQ(error.what(), "Launch at login is unavailable for this app.");
    }
}

TEST_F(XdgAutostartLaunchAtLoginManagerTest, AFailedWriteReachesTheCallerAndChangesNothing) {
    // A regular file where the autostart folder should be.
    std::ofstream(directory_ / "autostart") << "in the way";
    XdgAutostartLaunchAtLoginManager launch = manager();
    EXPECT_THROW(launch.setEnabled(true), std::system_error);
    EXPECT_EQ(launch.status(), LaunchAtLoginStatus::notRegistered);
}

}  // namespace
}  // namespace quorvane
