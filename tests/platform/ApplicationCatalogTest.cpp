#include <gtest/gtest.h>

#include "platform/memory/InMemoryApplicationCatalog.h"

namespace quorvane {
namespace {

InstalledApplication application(std::string identifier, std::string name, std::string wmClass = {},
                                 std::string exec = {}, bool noDisplay = false) {
    InstalledApplication made;
    made.identifier = std::move(identifier);
    made.name = std::move(name);
    made.startupWMClass = std::move(wmClass);
    made.exec = std::move(exec);
    made.noDisplay = noDisplay;
    return made;
}

std::optional<std::string> identifierOf(const std::optional<InstalledApplication>& found) {
    if (!found) return std::nullopt;
    return found->identifier;
}

TEST(ApplicationCatalogTest, ListsOnlyOfferedApplicationsButFindsEveryIdentifier) {
    InMemoryApplicationCatalog catalog(
        {application("org.b.Viewer", "Viewer"), application("org.a.Handler", "Handler", {}, {}, true),
         application("org.a.Editor", "Editor"), application("com.bitwarden.desktop", "Bitwarden")});
    std::vector<std::string> listed;
    for (const auto& app : catalog.installedApplications()) listed.push_back(app.identifier);
    EXPECT_EQ(listed, (std::vector<std::string>{"com.bitwarden.desktop", "org.a.Editor", "org.b.Viewer"}));

    EXPECT_EQ(identifierOf(catalog.applicationWithIdentifier("org.a.Handler")), "org.a.Handler");
    EXPECT_EQ(identifierOf(catalog.applicationWithIdentifier("org.a.Editor.desktop")), "org.a.Editor");
    EXPECT_FALSE(catalog.applicationWithIdentifier("org.a.editor"));
    EXPECT_FALSE(catalog.applicationWithIdentifier(".desktop"));
    // An id that ends in ".desktop" itself, by its id or by its file name.
    EXPECT_EQ(identifierOf(catalog.applicationWithIdentifier("com.bitwarden.desktop")),
              "com.bitwarden.desktop");
    EXPECT_EQ(identifierOf(catalog.applicationWithIdentifier("com.bitwarden.desktop.desktop")),
              "com.bitwarden.desktop");
    EXPECT_FALSE(catalog.applicationWithIdentifier(""));
}

TEST(ApplicationCatalogTest, FindsAnOfferedApplicationByNamePreferringTheExactUntranslatedName) {
    auto translated = application("org.c.Vault", "Coffre");
    translated.localizedNames = {{"en", "Keeper"}};
    InMemoryApplicationCatalog catalog(
        {application("org.a.Keeper", "KEEPER"), application("org.b.Keeper", "Keeper"), translated,
         application("org.d.Hidden", "Enpass", {}, {}, true), application("org.e.Pass", "Proton Pass")});
    EXPECT_EQ(identifierOf(catalog.applicationNamed("Keeper")), "org.b.Keeper");
    EXPECT_EQ(identifierOf(catalog.applicationNamed(" keeper\n")), "org.a.Keeper");
    EXPECT_EQ(identifierOf(catalog.applicationNamed("coffre")), "org.c.Vault");
    EXPECT_EQ(identifierOf(catalog.applicationNamed("PROTON PASS")), "org.e.Pass");
    EXPECT_FALSE(catalog.applicationNamed("Enpass"));
    EXPECT_FALSE(catalog.applicationNamed("Proton"));
    EXPECT_FALSE(catalog.applicationNamed("  "));

    catalog.uninstall("org.a.Keeper");
    catalog.uninstall("org.b.Keeper");
    EXPECT_EQ(identifierOf(catalog.applicationNamed("KEEPER")), "org.c.Vault");
}

TEST(ApplicationCatalogTest, ResolvesWindowClassesInOrderOfConfidence) {
    InMemoryApplicationCatalog catalog({
        application("org.keepassxc.KeePassXC", "KeePassXC", "", "keepassxc %f"),
        application("code", "Code", "Code", "/usr/share/code/code --unity-launch %F"),
        application("firefox-esr", "Firefox", "", "/usr/lib/firefox-esr/firefox-esr %u"),
        application("a.Utility", "Tool", "", "env GDK_BACKEND=x11 \"/opt/My Tool/tool\" --x"),
        application("a.HandlerFirst", "Handler", "handler", "", true),
        application("b.Handler", "Handler", "handler", ""),
        application("c.Misc", "Misc", "KeePassXC", ""),
    });
    EXPECT_EQ(identifierOf(catalog.applicationForWindowClass("code", "Code")), "code");
    // StartupWMClass beats a matching identifier part.
    EXPECT_EQ(identifierOf(catalog.applicationForWindowClass("keepassxc", "KeePassXC")), "c.Misc");
    catalog.uninstall("c.Misc");
    EXPECT_EQ(identifierOf(catalog.applicationForWindowClass("keepassxc", "KeePassXC")),
              "org.keepassxc.KeePassXC");
    EXPECT_EQ(identifierOf(catalog.applicationForWindowClass("Navigator", "firefox-esr")), "firefox-esr");
    EXPECT_EQ(identifierOf(catalog.applicationForWindowClass("tool", "")), "a.Utility");
    // An offered application wins over a NoDisplay one; a NoDisplay one is still found alone.
    EXPECT_EQ(identifierOf(catalog.applicationForWindowClass("handler", "Handler")), "b.Handler");
    catalog.uninstall("b.Handler");
    EXPECT_EQ(identifierOf(catalog.applicationForWindowClass("handler", "Handler")), "a.HandlerFirst");

    EXPECT_FALSE(catalog.applicationForWindowClass("", ""));
    EXPECT_FALSE(catalog.applicationForWindowClass("unknown", "Unknown"));
}

TEST(ApplicationCatalogTest, WindowsResolveByApplicationIdThenDesktopFileThenWindowClass) {
    auto nautilus = application("org.gnome.Nautilus", "Files", "", "nautilus --new-window");
    nautilus.localizedNames = {{"de", "Dateien"}};
    InMemoryApplicationCatalog catalog({nautilus, application("org.kde.dolphin", "Dolphin", "dolphin"),
                                        application("org.kde.okular", "Okular", "okular")});
    const auto resolve = catalog.identityResolver();

    WindowIdentity window;
    window.gtkApplicationId = " org.gnome.Nautilus ";
    window.kdeDesktopFile = "/usr/share/applications/org.kde.okular.desktop";
    window.wmClassInstance = "dolphin";
    window.wmClassName = "dolphin";
    EXPECT_EQ(resolve(window), (ApplicationIdentity{"org.gnome.Nautilus", "Files"}));

    window.gtkApplicationId = "org.gnome.Unknown";
    EXPECT_EQ(resolve(window), (ApplicationIdentity{"org.kde.okular", "Okular"}));
    window.kdeDesktopFile = "org.kde.unknown";
    EXPECT_EQ(resolve(window), (ApplicationIdentity{"org.kde.dolphin", "Dolphin"}));
    window.wmClassInstance = " nautilus\n";
    window.wmClassName = std::nullopt;
    EXPECT_EQ(resolve(window), (ApplicationIdentity{"org.gnome.Nautilus", "Files"}));
    window.wmClassInstance = "unknown";
    EXPECT_FALSE(resolve(window));
    EXPECT_FALSE(resolve(WindowIdentity{}));
}

TEST(ApplicationCatalogTest, LocalizedNamesFollowTheLocaleFallbackOrder) {
    auto app = application("org.a.App", "Files");
    app.localizedNames = {{"sr", "Датотеке"}, {"sr@latin", "Datoteke"}, {"sr_RS@latin", "Datoteke RS"},
                          {"zh_CN", "文件"},  {"pt", "Arquivos"},       {"pt_BR", "Arquivos BR"}};
    EXPECT_EQ(app.localizedName("sr_RS.UTF-8@latin"), "Datoteke RS");
    EXPECT_EQ(app.localizedName("sr_ME@latin"), "Datoteke");
    EXPECT_EQ(app.localizedName("sr_ME.UTF-8"), "Датотеке");
    EXPECT_EQ(app.localizedName("zh_CN.UTF-8"), "文件");
    EXPECT_EQ(app.localizedName("pt_BR"), "Arquivos BR");
    EXPECT_EQ(app.localizedName("pt_PT"), "Arquivos");
    EXPECT_EQ(app.localizedName("zh_TW"), "Files");
    EXPECT_EQ(app.localizedName("C"), "Files");
    EXPECT_EQ(app.localizedName(""), "Files");
}

}  // namespace
}  // namespace quorvane
