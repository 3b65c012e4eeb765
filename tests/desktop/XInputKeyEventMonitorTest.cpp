#include "platform/linux/XInputKeyEventMonitor.h"

#include <mutex>
#include <vector>

#include "desktop/DesktopSession.h"

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

bool type(const QString& keys) { return DesktopSession::run("xdotool", {"key", keys}).exitCode == 0; }

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
