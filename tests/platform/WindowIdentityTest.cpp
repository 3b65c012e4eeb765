#include "platform/WindowIdentity.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(WindowIdentityTest, GtkApplicationIdWinsOverDesktopFileAndClass) {
    WindowIdentity window{"org.gnome.TextEditor", "/usr/share/applications/other.desktop", "gnome-text-editor",
                          "Gnome-text-editor", "Untitled"};
    EXPECT_EQ(fallbackApplicationIdentity(window),
              (ApplicationIdentity{"org.gnome.TextEditor", "Gnome-text-editor"}));
}

TEST(WindowIdentityTest, KdeDesktopFileLosesItsFolderAndSuffix) {
    WindowIdentity window;
    window.kdeDesktopFile = "/usr/share/applications/org.kde.kate.desktop";
    EXPECT_EQ(fallbackApplicationIdentity(window), (ApplicationIdentity{"org.kde.kate", "org.kde.kate"}));
    window.kdeDesktopFile = "org.kde.dolphin";
    window.wmClassName = "dolphin";
    EXPECT_EQ(fallbackApplicationIdentity(window), (ApplicationIdentity{"org.kde.dolphin", "dolphin"}));
}

TEST(WindowIdentityTest, ClassThenInstanceWhenNothingBetterAndBlankValuesCountAsMissing) {
    WindowIdentity window;
    window.gtkApplicationId = "  ";
    window.kdeDesktopFile = ".desktop";
    window.wmClassInstance = "xterm";
    window.wmClassName = "XTerm";
    EXPECT_EQ(fallbackApplicationIdentity(window), (ApplicationIdentity{"XTerm", "XTerm"}));
    window.wmClassName.reset();
    EXPECT_EQ(fallbackApplicationIdentity(window), (ApplicationIdentity{"xterm", "xterm"}));
    window.wmClassInstance = "";
    window.title = "a window with only a title";
    EXPECT_EQ(fallbackApplicationIdentity(window), std::nullopt);
}

}  // namespace
}  // namespace quorvane
