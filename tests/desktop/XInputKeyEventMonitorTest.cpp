#include <xcb/xtest.h>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "desktop/DesktopSession.h"
#include "platform/linux/XInputKeyEventMonitor.h"

namespace quorvane {
namespace {

using testing::DesktopSession;

// Collects what a handler receives on the monitor's thread.
class ReceivedKeys {
public:
    KeyEventMonitor::Handler handler() {
        return [this](const KeyDownEvent& event) {
            std::lock_guard lock(mutex_);
            events_.push_back(event);
        };
    }
    std::vector<KeyDownEvent> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    bool waitForCharacters(const std::string& characters) const {
        return DesktopSession::processEventsUntil([&] {
            for (const auto& event : events()) {
                if (event.charactersIgnoringModifiers == characters) return true;
            }
            return false;
        });
    }
    std::size_t countWith(const std::string& characters) const {
        std::size_t count = 0;
        for (const auto& event : events()) count += event.charactersIgnoringModifiers == characters ? 1 : 0;
        return count;
    }
    std::optional<KeyDownEvent> firstWith(const std::string& characters) const {
        for (const auto& event : events()) {
            if (event.charactersIgnoringModifiers == characters) return event;
        }
        return std::nullopt;
    }

private:
    mutable std::mutex mutex_;
    std::vector<KeyDownEvent> events_;
};

bool type(const QString& keys) {
    return DesktopSession::run("xdotool", {"key", keys}).exitCode == 0;
}

// Presses and releases one key by its code, whatever the layout makes of it.
void pressKeyCode(std::uint32_t keyCode) {
    xcb_connection_t* connection = xcb_connect(DesktopSession::display().c_str(), nullptr);
    const auto code = static_cast<std::uint8_t>(keyCode);
    xcb_test_fake_input(connection, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(connection, XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    xcb_disconnect(connection);
}

class XInputKeyEventMonitorTest : public ::testing::Test {
protected:
    void SetUp() override { DESKTOP_SESSION_OR_SKIP(); }
};

TEST_F(XInputKeyEventMonitorTest, KeyDownsOfOtherProgramsArriveWithTheirModifiers) {
    XInputKeyEventMonitor monitor;
    ReceivedKeys keys;
    auto subscription = monitor.addGlobalKeyDownMonitor(keys.handler());
    ASSERT_TRUE(subscription.has_value());

    ASSERT_TRUE(type("ctrl+c"));
    ASSERT_TRUE(keys.waitForCharacters("c"));
    EXPECT_EQ(keys.firstWith("c")->modifierFlags & ~keyModifierCapsLock, std::uint32_t{keyModifierCommand});
    EXPECT_FALSE(keys.firstWith("c")->isRepeat);

    // Characters ignore the modifiers (shift gives no capital), while the flags report them.
    ASSERT_TRUE(type("alt+shift+x"));
    ASSERT_TRUE(keys.waitForCharacters("x"));
    EXPECT_EQ(keys.firstWith("x")->modifierFlags & ~keyModifierCapsLock,
              std::uint32_t{keyModifierOption | keyModifierShift});

    // Released modifiers no longer count.
    ASSERT_TRUE(type("v"));
    ASSERT_TRUE(keys.waitForCharacters("v"));
    EXPECT_EQ(keys.firstWith("v")->modifierFlags & ~keyModifierCapsLock, 0u);
    EXPECT_NE(keys.firstWith("v")->keyCode, keys.firstWith("c")->keyCode);
    // One key-down is one event, not one per input device that reports it.
    EXPECT_EQ(keys.countWith("c"), 1u);
    EXPECT_EQ(keys.countWith("v"), 1u);
}

TEST_F(XInputKeyEventMonitorTest, EveryMonitorReceivesAndRemovedOnesStop) {
    XInputKeyEventMonitor monitor;
    ReceivedKeys first;
    ReceivedKeys second;
    auto firstSubscription = monitor.addGlobalKeyDownMonitor(first.handler());
    auto secondSubscription = monitor.addGlobalKeyDownMonitor(second.handler());
    ASSERT_TRUE(firstSubscription && secondSubscription);
    ASSERT_TRUE(type("a"));
    ASSERT_TRUE(first.waitForCharacters("a"));
    ASSERT_TRUE(second.waitForCharacters("a"));

    firstSubscription->reset();
    ASSERT_TRUE(type("b"));
    ASSERT_TRUE(second.waitForCharacters("b"));
    EXPECT_EQ(first.firstWith("b"), std::nullopt);

    // With no monitor left the reader stops; a new monitor starts it again.
    secondSubscription->reset();
    ReceivedKeys third;
    auto thirdSubscription = monitor.addGlobalKeyDownMonitor(third.handler());
    ASSERT_TRUE(thirdSubscription.has_value());
    ASSERT_TRUE(type("z"));
    ASSERT_TRUE(third.waitForCharacters("z"));
    EXPECT_EQ(second.firstWith("z"), std::nullopt);
}

TEST_F(XInputKeyEventMonitorTest, CharactersFollowTheActiveLayoutNotTheKeyPosition) {
    XInputKeyEventMonitor monitor;
    ReceivedKeys keys;
    auto subscription = monitor.addGlobalKeyDownMonitor(keys.handler());
    ASSERT_TRUE(subscription.has_value());
    ASSERT_TRUE(type("c"));
    ASSERT_TRUE(keys.waitForCharacters("c"));
    const std::uint32_t keyOfC = keys.firstWith("c")->keyCode;

    // A second layout, switched to as the second group: the same key now gives a Cyrillic letter. xdotool
    // restores the group it found, so the group key is pressed directly once xdotool has shown which it is.
    ASSERT_EQ(DesktopSession::run("setxkbmap", {"-layout", "us,ru", "-option", "grp:caps_toggle"}).exitCode,
              0);
    const std::size_t before = keys.events().size();
    ASSERT_TRUE(type("ISO_Next_Group"));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return keys.events().size() > before; }));
    const std::uint32_t groupKey = keys.events().back().keyCode;
    pressKeyCode(groupKey);
    pressKeyCode(keyOfC);
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return keys.events().back().keyCode == keyOfC; }));
    EXPECT_NE(keys.events().back().charactersIgnoringModifiers, "c");
    EXPECT_EQ(keys.countWith("c"), 1u);
    DesktopSession::run("setxkbmap", {"-layout", "us"});
}

TEST(XInputKeyEventMonitorWithoutDisplayTest, InstallingFails) {
    XInputKeyEventMonitor monitor(":65002");
    EXPECT_EQ(monitor.addGlobalKeyDownMonitor([](const KeyDownEvent&) {}), std::nullopt);
}

TEST(XInputKeyEventMonitorCharactersTest, LatinAndUnicodeKeysymsGiveTheirText) {
    EXPECT_EQ(XInputKeyEventMonitor::charactersOfKeysym(0x63), "c");
    EXPECT_EQ(XInputKeyEventMonitor::charactersOfKeysym(0xE4), "ä");
    EXPECT_EQ(XInputKeyEventMonitor::charactersOfKeysym(0x1000441), "с");  // Cyrillic es, not "c"
    EXPECT_EQ(XInputKeyEventMonitor::charactersOfKeysym(0x101F600), "\xF0\x9F\x98\x80");
    EXPECT_EQ(XInputKeyEventMonitor::charactersOfKeysym(0x100D800), "");
    EXPECT_EQ(XInputKeyEventMonitor::charactersOfKeysym(0xFFE3), "");  // Control_L
    EXPECT_EQ(XInputKeyEventMonitor::charactersOfKeysym(0x1F), "");
}

}  // namespace
}  // namespace quorvane
