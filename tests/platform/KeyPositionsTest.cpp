#include <gtest/gtest.h>

#include <set>

#include "platform/KeyPositions.h"

namespace quorvane {
namespace {

TEST(KeyPositionsTest, EveryPositionIsFoundBackByEachOfItsCodes) {
    std::set<std::uint16_t> keyCodes;
    std::set<std::uint16_t> inputCodes;
    std::set<std::uint32_t> keysyms;
    std::set<std::string_view> names;
    for (std::uint32_t code = 0; code <= 0xFFFF; ++code) {
        const auto position = KeyPositions::ofKeyCode(static_cast<std::uint16_t>(code));
        if (!position) continue;
        SCOPED_TRACE(std::string(position->name));
        EXPECT_TRUE(keyCodes.insert(position->keyCode).second);
        EXPECT_TRUE(inputCodes.insert(position->inputCode).second) << "two keys on one position";
        EXPECT_TRUE(keysyms.insert(position->usKeysym).second);
        EXPECT_TRUE(names.insert(position->name).second);
        EXPECT_EQ(KeyPositions::ofXKeycode(position->inputCode + 8)->keyCode, code);
        EXPECT_EQ(KeyPositions::ofUsKeysym(position->usKeysym)->keyCode, code);
    }
    // Letters, digits, punctuation, F1-F20, editing and arrow keys, the keypad.
    EXPECT_EQ(keyCodes.size(), 99u);
}

TEST(KeyPositionsTest, KnownPositionsOfAUsKeyboard) {
    EXPECT_EQ(KeyPositions::ofKeyCode(9)->inputCode, 47u);   // V
    EXPECT_EQ(KeyPositions::ofXKeycode(55)->keyCode, 9u);    // V on an evdev server
    EXPECT_EQ(KeyPositions::ofUsKeysym('K')->keyCode, 40u);  // either case
    EXPECT_EQ(KeyPositions::ofUsKeysym(0xffc2)->name, "F5");
    EXPECT_EQ(KeyPositions::ofXKeycode(66), std::nullopt);  // Caps Lock
    EXPECT_EQ(KeyPositions::ofXKeycode(3), std::nullopt);
    EXPECT_EQ(KeyPositions::ofKeyCode(10), std::nullopt);
}

}  // namespace
}  // namespace quorvane
