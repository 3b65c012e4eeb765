#include <gtest/gtest.h>

#include "platform/DesktopSettingsCommand.h"

namespace quorvane {
namespace {

TEST(DesktopSettingsCommandTest, AccessibilitySettingsOfGnomeAndKdeOnly) {
    const DesktopSettingsCommand gnome{"gnome-control-center", {"universal-access"}};
    const DesktopSettingsCommand kde{"systemsettings", {"kcm_access"}};
    EXPECT_EQ(DesktopSettingsCommand::accessibility("GNOME"), gnome);
    EXPECT_EQ(DesktopSettingsCommand::accessibility("ubuntu:GNOME"), gnome);
    EXPECT_EQ(DesktopSettingsCommand::accessibility("gnome-flashback:gnome"), gnome);
    EXPECT_EQ(DesktopSettingsCommand::accessibility("KDE"), kde);
    // Another desktop, a name that only contains one of ours, or none at all: no settings to open.
    EXPECT_EQ(DesktopSettingsCommand::accessibility("XFCE"), std::nullopt);
    EXPECT_EQ(DesktopSettingsCommand::accessibility("GNOME-Classic"), std::nullopt);
    EXPECT_EQ(DesktopSettingsCommand::accessibility(":"), std::nullopt);
    EXPECT_EQ(DesktopSettingsCommand::accessibility(""), std::nullopt);
}

}  // namespace
}  // namespace quorvane
