#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "desktop/DesktopSession.h"
#include "desktop/FakeDesktop.h"
#include "platform/linux/X11FrontmostApplicationProvider.h"

namespace quorvane {
namespace {

using testing::FakeDesktop;

class X11FrontmostApplicationProviderTest : public ::testing::Test {
protected:
    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        desktop_ = std::make_unique<FakeDesktop>();
    }
    FakeDesktop& desktop() { return *desktop_; }

private:
    std::unique_ptr<FakeDesktop> desktop_;
};

TEST_F(X11FrontmostApplicationProviderTest, ReadsTheActiveWindowsIdentityProcessAndTitle) {
    X11FrontmostApplicationProvider provider;
    ASSERT_TRUE(provider.isConnected());
    const auto editor = desktop().createWindow();
    desktop().setString(editor, "_GTK_APPLICATION_ID", "org.gnome.TextEditor", "UTF8_STRING");
    desktop().setString(editor, "WM_CLASS", std::string("gnome-text-editor\0Gnome-text-editor\0", 36),
                        "STRING");
    desktop().setString(editor, "_NET_WM_NAME", "Notes — Editor", "UTF8_STRING");
    desktop().setCardinal(editor, "_NET_WM_PID", 4242, "CARDINAL");
    const auto terminal = desktop().createWindow();
    desktop().setString(terminal, "WM_CLASS", std::string("xterm\0XTerm\0", 12), "STRING");
    desktop().setString(terminal, "WM_NAME", "bash", "STRING");

    desktop().activate(editor);
    desktop().sync();
    auto application = provider.frontmostApplication();
    ASSERT_TRUE(application.has_value());
    EXPECT_EQ(application->bundleIdentifier, std::optional<std::string>("org.gnome.TextEditor"));
    EXPECT_EQ(application->name, "Gnome-text-editor");
    EXPECT_EQ(application->processIdentifier, std::optional<std::int64_t>(4242));
    EXPECT_EQ(application->window.wmClassInstance, std::optional<std::string>("gnome-text-editor"));
    EXPECT_EQ(application->window.title, std::optional<std::string>("Notes — Editor"));

    desktop().activate(terminal);
    desktop().sync();
    application = provider.frontmostApplication();
    ASSERT_TRUE(application.has_value());
    EXPECT_EQ(application->bundleIdentifier, std::optional<std::string>("XTerm"));
    EXPECT_EQ(application->processIdentifier, std::nullopt);
    EXPECT_EQ(application->window.title, std::optional<std::string>("bash"));
}

TEST_F(X11FrontmostApplicationProviderTest, WindowsOfThisProcessAreOurs) {
    X11FrontmostApplicationProvider provider({}, nullptr, "tech.zanto.QuorvaneApp");
    const auto panel = desktop().createWindow();
    desktop().setString(panel, "WM_CLASS", std::string("quorvane\0Quorvane\0", 18), "STRING");
    desktop().setCardinal(panel, "_NET_WM_PID", static_cast<std::uint32_t>(getpid()), "CARDINAL");
    const auto other = desktop().createWindow();
    desktop().setString(other, "WM_CLASS", std::string("quorvane\0Quorvane\0", 18), "STRING");
    desktop().setCardinal(other, "_NET_WM_PID", static_cast<std::uint32_t>(getpid()) + 1, "CARDINAL");

    desktop().activate(panel);
    desktop().sync();
    EXPECT_EQ(provider.frontmostBundleIdentifier(), std::optional<std::string>("tech.zanto.QuorvaneApp"));
    desktop().activate(other);
    desktop().sync();
    EXPECT_EQ(provider.frontmostBundleIdentifier(), std::optional<std::string>("Quorvane"));
}

TEST_F(X11FrontmostApplicationProviderTest, ResolverDecidesAndWindowIdentityIsTheFallback) {
    std::vector<WindowIdentity> asked;
    X11FrontmostApplicationProvider provider(
        [&](const WindowIdentity& window) -> std::optional<ApplicationIdentity> {
            asked.push_back(window);
            if (window.kdeDesktopFile == "org.kde.kate") return ApplicationIdentity{"org.kde.kate", "Kate"};
            return std::nullopt;
        });
    const auto kate = desktop().createWindow();
    desktop().setString(kate, "_KDE_NET_WM_DESKTOP_FILE", "org.kde.kate", "UTF8_STRING");
    desktop().setString(kate, "WM_CLASS", std::string("kate\0kate\0", 10), "STRING");
    desktop().activate(kate);
    desktop().sync();
    EXPECT_EQ(provider.frontmostApplication()->name, "Kate");

    const auto unknown = desktop().createWindow();
    desktop().setString(unknown, "WM_CLASS", std::string("tool\0Tool\0", 10), "STRING");
    desktop().activate(unknown);
    desktop().sync();
    EXPECT_EQ(provider.frontmostBundleIdentifier(), std::optional<std::string>("Tool"));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].wmClassName, std::optional<std::string>("Tool"));
}

TEST_F(X11FrontmostApplicationProviderTest, NoActiveAVanishedOrAHiddenWindowGivesNothing) {
    X11FrontmostApplicationProvider provider;
    desktop().clearActive();
    desktop().sync();
    EXPECT_EQ(provider.frontmostApplication(), std::nullopt);

    const auto window = desktop().createWindow();
    desktop().setString(window, "WM_CLASS", std::string("gone\0Gone\0", 10), "STRING");
    desktop().activate(window);
    desktop().destroyWindow(window);
    desktop().sync();
    EXPECT_EQ(provider.frontmostApplication(), std::nullopt);

    // A hidden window the window manager still names active is no window in front, until shown again.
    const auto panel = desktop().createWindow();
    desktop().setString(panel, "WM_CLASS", std::string("panel\0Panel\0", 12), "STRING");
    desktop().activate(panel);
    desktop().unmapWindow(panel);
    desktop().sync();
    EXPECT_EQ(provider.frontmostApplication(), std::nullopt);
    desktop().mapWindow(panel);
    desktop().sync();
    EXPECT_EQ(provider.frontmostBundleIdentifier(), std::optional<std::string>("Panel"));

    // A window without any property is active but names no program.
    const auto bare = desktop().createWindow();
    desktop().activate(bare);
    desktop().sync();
    EXPECT_EQ(provider.frontmostBundleIdentifier(), std::nullopt);
}

TEST(X11FrontmostApplicationProviderWithoutDisplayTest, AnswersNothing) {
    X11FrontmostApplicationProvider provider({}, ":65001");
    EXPECT_FALSE(provider.isConnected());
    EXPECT_EQ(provider.frontmostApplication(), std::nullopt);
}

}  // namespace
}  // namespace quorvane
