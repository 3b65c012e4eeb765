#include <gtest/gtest.h>

#include "capture/SystemClipboardCopyIntentMonitor.h"
#include "platform/memory/InMemoryKeyEventMonitor.h"

namespace quorvane {
namespace {

KeyDownEvent key(std::string characters, std::uint32_t modifiers, bool isRepeat = false) {
    return KeyDownEvent{0, std::move(characters), modifiers, isRepeat};
}

TEST(SystemClipboardCopyIntentMonitorTest, CommandWithCOrXPassesWhateverShiftCapsLockOrFunctionSay) {
    for (std::string character : {"c", "x", "C", "X"}) {
        EXPECT_TRUE(SystemClipboardCopyIntentMonitor::isCopyIntent(key(character, keyModifierCommand)));
        EXPECT_TRUE(SystemClipboardCopyIntentMonitor::isCopyIntent(key(
            character, keyModifierCommand | keyModifierShift | keyModifierCapsLock | keyModifierFunction)));
    }
}

TEST(SystemClipboardCopyIntentMonitorTest, OptionOrControlBesideCommandOrCommandMissingFails) {
    EXPECT_FALSE(
        SystemClipboardCopyIntentMonitor::isCopyIntent(key("x", keyModifierCommand | keyModifierControl)));
    EXPECT_FALSE(
        SystemClipboardCopyIntentMonitor::isCopyIntent(key("c", keyModifierCommand | keyModifierOption)));
    EXPECT_FALSE(SystemClipboardCopyIntentMonitor::isCopyIntent(key("c", keyModifierOption)));
    EXPECT_FALSE(SystemClipboardCopyIntentMonitor::isCopyIntent(key("c", keyModifierControl)));
    EXPECT_FALSE(SystemClipboardCopyIntentMonitor::isCopyIntent(key("c", keyModifierShift)));
    EXPECT_FALSE(SystemClipboardCopyIntentMonitor::isCopyIntent(key("c", 0)));
}

TEST(SystemClipboardCopyIntentMonitorTest, TheCharacterDecidesNotTheKeyPosition) {
    // The key in the C position of a Cyrillic layout gives "с" (U+0441), which is not a copy.
    KeyDownEvent cyrillic{54, "\xD1\x81", keyModifierCommand, false};
    EXPECT_FALSE(SystemClipboardCopyIntentMonitor::isCopyIntent(cyrillic));
    // Another key position that gives "c" in its layout is one.
    KeyDownEvent dvorak{31, "c", keyModifierCommand, false};
    EXPECT_TRUE(SystemClipboardCopyIntentMonitor::isCopyIntent(dvorak));
    for (std::string characters : {"", "v", "cc", "xc", "c ", "\xEF\xBD\x83" /* fullwidth c */}) {
        EXPECT_FALSE(SystemClipboardCopyIntentMonitor::isCopyIntent(key(characters, keyModifierCommand)))
            << characters;
    }
}

TEST(SystemClipboardCopyIntentMonitorTest, HeldKeysFireOnce) {
    InMemoryKeyEventMonitor keys;
    SystemClipboardCopyIntentMonitor monitor(keys);
    int calls = 0;
    ASSERT_TRUE(monitor.start([&] { ++calls; }));
    keys.press(key("c", keyModifierCommand));
    keys.press(key("c", keyModifierCommand, true));
    keys.press(key("c", keyModifierCommand, true));
    keys.press(key("v", keyModifierCommand));
    EXPECT_EQ(calls, 1);
}

TEST(SystemClipboardCopyIntentMonitorTest, SecondStartReplacesTheFirstMonitor) {
    InMemoryKeyEventMonitor keys;
    SystemClipboardCopyIntentMonitor monitor(keys);
    int first = 0;
    int second = 0;
    ASSERT_TRUE(monitor.start([&] { ++first; }));
    ASSERT_TRUE(monitor.start([&] { ++second; }));
    EXPECT_EQ(keys.installedMonitorCount(), 1u);
    keys.press(key("x", keyModifierCommand));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
}

TEST(SystemClipboardCopyIntentMonitorTest, StopAndDestructionRemoveTheMonitor) {
    InMemoryKeyEventMonitor keys;
    int calls = 0;
    {
        SystemClipboardCopyIntentMonitor monitor(keys);
        ASSERT_TRUE(monitor.start([&] { ++calls; }));
        EXPECT_TRUE(monitor.isRunning());
        monitor.stop();
        EXPECT_FALSE(monitor.isRunning());
        EXPECT_EQ(keys.installedMonitorCount(), 0u);
        keys.press(key("c", keyModifierCommand));
        monitor.stop();
        ASSERT_TRUE(monitor.start([&] { ++calls; }));
    }
    EXPECT_EQ(keys.installedMonitorCount(), 0u);
    keys.press(key("c", keyModifierCommand));
    EXPECT_EQ(calls, 0);
}

TEST(SystemClipboardCopyIntentMonitorTest, FailedInstallReportsFalseAndDropsAnEarlierMonitor) {
    InMemoryKeyEventMonitor keys;
    SystemClipboardCopyIntentMonitor monitor(keys);
    ASSERT_TRUE(monitor.start([] {}));
    keys.setAvailable(false);
    EXPECT_FALSE(monitor.start([] {}));
    EXPECT_FALSE(monitor.isRunning());
    EXPECT_EQ(keys.installedMonitorCount(), 0u);
}

}  // namespace
}  // namespace quorvane
