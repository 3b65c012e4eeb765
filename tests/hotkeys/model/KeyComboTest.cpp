#include <gtest/gtest.h>

#include <unordered_set>

#include "hotkeys/model/KeyCombo.h"

namespace quorvane {
namespace {

constexpr std::uint64_t kShift = hotkeyModifierShift;
constexpr std::uint64_t kSuper = hotkeyModifierControl;
constexpr std::uint64_t kAlt = hotkeyModifierOption;
constexpr std::uint64_t kCtrl = hotkeyModifierCommand;

TEST(KeyComboTest, StoredValuesDecodeInAnyKeyOrderAndEncodeCompactly) {
    EXPECT_EQ(KeyCombo::decode(std::string_view(R"({"modifierFlags":1179648,"keyCode":9})")),
              (KeyCombo{9, kCtrl | kShift}));
    EXPECT_EQ(KeyCombo::decode(std::string_view(R"( { "keyCode" : 40 , "modifierFlags" : 0 , "x" : [1] } )")),
              (KeyCombo{40, 0}));
    EXPECT_EQ((KeyCombo{9, kCtrl | kShift}).jsonText(), R"({"keyCode":9,"modifierFlags":1179648})");
    // Stored bits outside the four modifiers survive a round trip and count for equality.
    const KeyCombo withCapsLock{9, kCtrl | kShift | hotkeyModifierCapsLock};
    EXPECT_EQ(KeyCombo::decode(withCapsLock.encoded()), withCapsLock);
    EXPECT_NE(withCapsLock, (KeyCombo{9, kCtrl | kShift}));
    EXPECT_EQ(KeyCombo::decode(std::string_view(R"({"keyCode":65535,"modifierFlags":18446744073709551615})")),
              (KeyCombo{65535, ~std::uint64_t{0}}));
}

TEST(KeyComboTest, MalformedStoredValuesAreDecodingErrors) {
    for (const char* text : {
             R"({"keyCode":9})",
             R"({"modifierFlags":1179648})",
             R"({"keyCode":"9","modifierFlags":1179648})",
             R"({"keyCode":9.0,"modifierFlags":1179648})",
             R"({"keyCode":65536,"modifierFlags":0})",
             R"({"keyCode":-1,"modifierFlags":0})",
             R"({"keyCode":9,"modifierFlags":-131072})",
             R"({"keyCode":9,"modifierFlags":true})",
             R"([9,1179648])",
             R"({"keyCode":9,"modifierFlags":1179648)",
             "",
         }) {
        SCOPED_TRACE(text);
        EXPECT_THROW(KeyCombo::decode(std::string_view(text)), KeyComboDecodingError);
    }
    try {
        KeyCombo::decode(std::string_view(R"({"keyCode":9})"));
    } catch (const KeyComboDecodingError& error) {
        EXPECT_NE(std::string(error.what()).find("modifierFlags"), std::string::npos);
    }
}

TEST(KeyComboTest, DefaultIsSuperShiftV) {
    const KeyCombo combo = KeyCombo::defaultClipboardHistory();
    EXPECT_EQ(combo.jsonText(), R"({"keyCode":9,"modifierFlags":393216})");
    EXPECT_EQ(combo.displayString(), "Super+Shift+V");
}

TEST(KeyComboTest, DisplayUsesLinuxNamesInTheDesktopsOrder) {
    EXPECT_EQ((KeyCombo{40, kCtrl | kAlt}).displayString(), "Ctrl+Alt+K");
    EXPECT_EQ((KeyCombo{9, kCtrl | kShift}).displayString(), "Ctrl+Shift+V");
    EXPECT_EQ((KeyCombo{36, kSuper | kCtrl}).displayString(), "Super+Ctrl+Return");
    EXPECT_EQ((KeyCombo{49, kSuper | kCtrl | kAlt | kShift}).displayString(), "Super+Ctrl+Alt+Shift+Space");
    EXPECT_EQ((KeyCombo{96, 0}).displayString(), "F5");
    EXPECT_EQ((KeyCombo{18, kAlt}).displayString(), "Alt+1");
    EXPECT_EQ((KeyCombo{122, kShift | hotkeyModifierCapsLock}).displayString(), "Shift+F1");
    // A code that names no key shows the modifiers alone.
    EXPECT_EQ((KeyCombo{200, kAlt}).displayString(), "Alt");
    EXPECT_EQ(KeyCombo::keyName(57), std::nullopt);  // Caps Lock is never a combination's key
}

TEST(KeyComboTest, FunctionKeysAreExactlyF1ToF12) {
    int count = 0;
    for (std::uint16_t code = 0; code < 256; ++code) {
        if (!KeyCombo::isFunctionKey(code)) continue;
        ++count;
        const auto name = KeyCombo::keyName(code);
        ASSERT_TRUE(name.has_value()) << code;
        EXPECT_EQ(name->front(), 'F') << *name;
        EXPECT_LE(std::stoi(name->substr(1)), 12) << *name;
    }
    EXPECT_EQ(count, 12);
    EXPECT_FALSE(KeyCombo::isFunctionKey(105));  // F13
}

TEST(KeyComboTest, HashAgreesWithEquality) {
    std::unordered_set<KeyCombo> combos{{9, kCtrl}, {9, kCtrl | kShift}, {9, kCtrl}, {8, kCtrl}};
    EXPECT_EQ(combos.size(), 3u);
}

}  // namespace
}  // namespace quorvane
