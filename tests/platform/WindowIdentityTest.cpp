#include <gtest/gtest.h>

#include "platform/WindowIdentity.h"
#include "platform/memory/InMemoryApplicationCatalog.h"

namespace quorvane {
namespace {

TEST(WindowIdentityTest, GtkApplicationIdWinsOverDesktopFileAndClass) {
    WindowIdentity window{"org.gnome.TextEditor", "/usr/share/applications/other.desktop",
                          "gnome-text-editor", "Gnome-text-editor", "Untitled"};
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

TEST(WindowIdentityTest, CatalogResolvesIdsThenWindowClassAndLeavesUnknownWindowsToTheFallback) {
    InMemoryApplicationCatalog catalog;
    catalog.install("org.gnome.TextEditor", "Text Editor");
    catalog.install("org.kde.kate", "Kate");
    InstalledApplication keepass;
    keepass.identifier = "org.keepassxc.KeePassXC";
    keepass.name = "KeePassXC";
    keepass.startupWMClass = "keepassxc";
    catalog.install(keepass);
    const auto resolve = catalogApplicationIdentityResolver(catalog);

    WindowIdentity editor;
    editor.gtkApplicationId = "org.gnome.TextEditor";
    editor.wmClassName = "org.kde.kate";
    EXPECT_EQ(resolve(editor), (ApplicationIdentity{"org.gnome.TextEditor", "Text Editor"}));

    WindowIdentity kate;
    kate.gtkApplicationId = "not.installed";
    kate.kdeDesktopFile = "/usr/share/applications/org.kde.kate.desktop";
    EXPECT_EQ(resolve(kate), (ApplicationIdentity{"org.kde.kate", "Kate"}));

    WindowIdentity vault;
    vault.wmClassInstance = "keepassxc";
    vault.wmClassName = "KeePassXC";
    EXPECT_EQ(resolve(vault), (ApplicationIdentity{"org.keepassxc.KeePassXC", "KeePassXC"}));

    WindowIdentity stranger;
    stranger.wmClassName = "Stranger";
    EXPECT_EQ(resolve(stranger), std::nullopt);
    EXPECT_EQ(resolve(WindowIdentity{}), std::nullopt);
}

}  // namespace
}  // namespace quorvane
