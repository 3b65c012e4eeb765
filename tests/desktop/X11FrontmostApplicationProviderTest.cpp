#include "platform/linux/X11FrontmostApplicationProvider.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "desktop/DesktopSession.h"

namespace quorvane {
namespace {

// Plays both the other programs (their windows and properties) and the window manager (_NET_ACTIVE_WINDOW).
class FakeDesktop {
public:
    FakeDesktop() : connection_(xcb_connect(testing::DesktopSession::display().c_str(), nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    }
    ~FakeDesktop() { xcb_disconnect(connection_); }

    xcb_window_t createWindow() {
        const xcb_window_t window = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        return window;
    }
    void destroyWindow(xcb_window_t window) { xcb_destroy_window(connection_, window); }

    void setString(xcb_window_t window, const char* property, const std::string& value, const char* type) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, atom(property), atom(type), 8,
                            static_cast<std::uint32_t>(value.size()), value.data());
    }
    void setCardinal(xcb_window_t window, const char* property, std::uint32_t value, const char* type) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, atom(property), atom(type), 32, 1,
                            &value);
    }
    void activate(xcb_window_t window) { setCardinal(root_, "_NET_ACTIVE_WINDOW", window, "WINDOW"); }
    void clearActive() { xcb_delete_property(connection_, root_, atom("_NET_ACTIVE_WINDOW")); }

    // Returns once the server has applied every request sent so far.
    void sync() {
        std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

private:
    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t result = reply->atom;
        std::free(reply);
        return result;
    }

    xcb_connection_t* connection_;
    xcb_window_t root_;
};

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
    desktop().setString(editor, "WM_CLASS", std::string("gnome-text-editor\0Gnome-text-editor\0", 36), "STRING");
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

TEST_F(X11FrontmostApplicationProviderTest, ResolverDecidesAndWindowIdentityIsTheFallback) {
    std::vector<WindowIdentity> asked;
    X11FrontmostApplicationProvider provider([&](const WindowIdentity& window) -> std::optional<ApplicationIdentity> {
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

TEST_F(X11FrontmostApplicationProviderTest, NoActiveOrAVanishedWindowGivesNothing) {
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
