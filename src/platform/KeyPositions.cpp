#include "platform/KeyPositions.h"

#include <array>

namespace quorvane {

namespace {

// Every position a hot key may use. Modifier and lock keys are left out: they are never the key of a
// combination. The names are the ones Qt and the Linux desktops show.
constexpr std::array kPositions{
    KeyPosition{0, 30, "A", 0x61},
    KeyPosition{1, 31, "S", 0x73},
    KeyPosition{2, 32, "D", 0x64},
    KeyPosition{3, 33, "F", 0x66},
    KeyPosition{4, 35, "H", 0x68},
    KeyPosition{5, 34, "G", 0x67},
    KeyPosition{6, 44, "Z", 0x7a},
    KeyPosition{7, 45, "X", 0x78},
    KeyPosition{8, 46, "C", 0x63},
    KeyPosition{9, 47, "V", 0x76},
    KeyPosition{11, 48, "B", 0x62},
    KeyPosition{12, 16, "Q", 0x71},
    KeyPosition{13, 17, "W", 0x77},
    KeyPosition{14, 18, "E", 0x65},
    KeyPosition{15, 19, "R", 0x72},
    KeyPosition{16, 21, "Y", 0x79},
    KeyPosition{17, 20, "T", 0x74},
    KeyPosition{18, 2, "1", 0x31},
    KeyPosition{19, 3, "2", 0x32},
    KeyPosition{20, 4, "3", 0x33},
    KeyPosition{21, 5, "4", 0x34},
    KeyPosition{22, 7, "6", 0x36},
    KeyPosition{23, 6, "5", 0x35},
    KeyPosition{24, 13, "=", 0x3d},
    KeyPosition{25, 10, "9", 0x39},
    KeyPosition{26, 8, "7", 0x37},
    KeyPosition{27, 12, "-", 0x2d},
    KeyPosition{28, 9, "8", 0x38},
    KeyPosition{29, 11, "0", 0x30},
    KeyPosition{30, 27, "]", 0x5d},
    KeyPosition{31, 24, "O", 0x6f},
    KeyPosition{32, 22, "U", 0x75},
    KeyPosition{33, 26, "[", 0x5b},
    KeyPosition{34, 23, "I", 0x69},
    KeyPosition{35, 25, "P", 0x70},
    KeyPosition{36, 28, "Return", 0xff0d},
    KeyPosition{37, 38, "L", 0x6c},
    KeyPosition{38, 36, "J", 0x6a},
    KeyPosition{39, 40, "'", 0x27},
    KeyPosition{40, 37, "K", 0x6b},
    KeyPosition{41, 39, ";", 0x3b},
    KeyPosition{42, 43, "\\", 0x5c},
    KeyPosition{43, 51, ",", 0x2c},
    KeyPosition{44, 53, "/", 0x2f},
    KeyPosition{45, 49, "N", 0x6e},
    KeyPosition{46, 50, "M", 0x6d},
    KeyPosition{47, 52, ".", 0x2e},
    KeyPosition{48, 15, "Tab", 0xff09},
    KeyPosition{49, 57, "Space", 0x20},
    KeyPosition{50, 41, "`", 0x60},
    KeyPosition{51, 14, "Backspace", 0xff08},
    KeyPosition{53, 1, "Esc", 0xff1b},
    KeyPosition{64, 187, "F17", 0xffce},
    KeyPosition{65, 83, "Num+.", 0xffae},
    KeyPosition{67, 55, "Num+*", 0xffaa},
    KeyPosition{69, 78, "Num++", 0xffab},
    KeyPosition{75, 98, "Num+/", 0xffaf},
    KeyPosition{76, 96, "Enter", 0xff8d},
    KeyPosition{78, 74, "Num+-", 0xffad},
    KeyPosition{79, 188, "F18", 0xffcf},
    KeyPosition{80, 189, "F19", 0xffd0},
    KeyPosition{81, 117, "Num+=", 0xffbd},
    KeyPosition{82, 82, "Num+0", 0xffb0},
    KeyPosition{83, 79, "Num+1", 0xffb1},
    KeyPosition{84, 80, "Num+2", 0xffb2},
    KeyPosition{85, 81, "Num+3", 0xffb3},
    KeyPosition{86, 75, "Num+4", 0xffb4},
    KeyPosition{87, 76, "Num+5", 0xffb5},
    KeyPosition{88, 77, "Num+6", 0xffb6},
    KeyPosition{89, 71, "Num+7", 0xffb7},
    KeyPosition{90, 190, "F20", 0xffd1},
    KeyPosition{91, 72, "Num+8", 0xffb8},
    KeyPosition{92, 73, "Num+9", 0xffb9},
    KeyPosition{96, 63, "F5", 0xffc2},
    KeyPosition{97, 64, "F6", 0xffc3},
    KeyPosition{98, 65, "F7", 0xffc4},
    KeyPosition{99, 61, "F3", 0xffc0},
    KeyPosition{100, 66, "F8", 0xffc5},
    KeyPosition{101, 67, "F9", 0xffc6},
    KeyPosition{103, 87, "F11", 0xffc8},
    KeyPosition{105, 183, "F13", 0xffca},
    KeyPosition{106, 186, "F16", 0xffcd},
    KeyPosition{107, 184, "F14", 0xffcb},
    KeyPosition{109, 68, "F10", 0xffc7},
    KeyPosition{111, 88, "F12", 0xffc9},
    KeyPosition{113, 185, "F15", 0xffcc},
    KeyPosition{114, 110, "Ins", 0xff63},
    KeyPosition{115, 102, "Home", 0xff50},
    KeyPosition{116, 104, "PgUp", 0xff55},
    KeyPosition{117, 111, "Del", 0xffff},
    KeyPosition{118, 62, "F4", 0xffc1},
    KeyPosition{119, 107, "End", 0xff57},
    KeyPosition{120, 60, "F2", 0xffbf},
    KeyPosition{121, 109, "PgDown", 0xff56},
    KeyPosition{122, 59, "F1", 0xffbe},
    KeyPosition{123, 105, "Left", 0xff51},
    KeyPosition{124, 106, "Right", 0xff53},
    KeyPosition{125, 108, "Down", 0xff54},
    KeyPosition{126, 103, "Up", 0xff52},
};

template <class Predicate>
std::optional<KeyPosition> find(Predicate matches) {
    for (const auto& position : kPositions) {
        if (matches(position)) return position;
    }
    return std::nullopt;
}

}  // namespace

std::optional<KeyPosition> KeyPositions::ofKeyCode(std::uint16_t keyCode) {
    return find([&](const KeyPosition& position) { return position.keyCode == keyCode; });
}

std::optional<KeyPosition> KeyPositions::ofXKeycode(std::uint32_t xKeycode) {
    if (xKeycode < xKeycodeOffset) return std::nullopt;
    return find([&](const KeyPosition& position) { return position.inputCode + xKeycodeOffset == xKeycode; });
}

std::optional<KeyPosition> KeyPositions::ofUsKeysym(std::uint32_t keysym) {
    // Upper-case Latin letters share the lower-case key.
    if (keysym >= 0x41 && keysym <= 0x5a) keysym += 0x20;
    return find([&](const KeyPosition& position) { return position.usKeysym == keysym; });
}

}  // namespace quorvane
