#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

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
    XdgAutostartLaunchAtLoginManager manager() const {
        return XdgAutostartLaunchAtLoginManager(entry(), std::filesystem::path("/opt/My \"Apps\"/quorvane"));
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
    // The quotes in the folder name survive both escaping layers.
    EXPECT_EQ(parsed.value("Exec"), R"("/opt/My \"Apps\"/quorvane")");
    EXPECT_EQ(parsed.value("Type"), "Application");

    write("[Desktop Entry]\nType=Application\nName=Edited by the user\nExec=quorvane\n");
    launch.setEnabled(true);  // already on: left as the user has it
    EXPECT_NE(read().find("Edited by the user"), std::string::npos);
}

TEST_F(XdgAutostartLaunchAtLoginManagerTest, HiddenOrMalformedEntriesCountAsOffAndTurningOnReplacesThem) {
    XdgAutostartLaunchAtLoginManager launch = manager();
    write("[Desktop Entry]\nType=Application\nName=Quorvane\nExec=quorvane\nHidden=true\n");
    EXPECT_EQ(launch.status(), LaunchAtLoginStatus::notRegistered);
    launch.setEnabled(false);  // nothing to do
    EXPECT_TRUE(std::filesystem::exists(entry()));
    launch.setEnabled(true);
    EXPECT_EQ(launch.status(), LaunchAtLoginStatus::enabled);

    write("not a desktop entry\n");
    EXPECT_EQ(launch.status(), LaunchAtLoginStatus::notRegistered);
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
