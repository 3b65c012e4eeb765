#pragma once

// Where each key of a stored key combination sits on the keyboard. Stored combinations keep the other
// platform's virtual key codes, which name key positions of a US keyboard; this table ties each to the Linux
// input code of the same position, to the name the user sees and to the US layout's unshifted keysym.
// Constant data; safe from any thread.

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvane {

struct KeyPosition {
    std::uint16_t keyCode;    // the stored virtual key code
    std::uint16_t inputCode;  // Linux input event code of the same position (X keycode = inputCode + 8)
    std::string_view name;    // shown to the user ("V", "F5", "Space")
    std::uint32_t usKeysym;   // X keysym of the unshifted key in the US layout
};

class KeyPositions {
public:
    KeyPositions() = delete;

    // The position of a stored key code; nothing for codes without one (modifier keys, unknown codes).
    static std::optional<KeyPosition> ofKeyCode(std::uint16_t keyCode);
    // The position whose X keycode (evdev-based servers: input code + 8) is `xKeycode`.
    static std::optional<KeyPosition> ofXKeycode(std::uint32_t xKeycode);
    // The position whose US-layout keysym is `keysym` (letters in either case).
    static std::optional<KeyPosition> ofUsKeysym(std::uint32_t keysym);

    // X keycodes of evdev-based servers (Xorg, Xwayland, Xvfb) are the input codes moved by 8.
    static constexpr std::uint32_t xKeycodeOffset = 8;
};

}  // namespace quorvane
