#pragma once

// The desktop's global hot keys: holds a key position with modifiers for the whole session and reports each
// press by the number given when it was registered. The hot-key manager is its one user. Main thread only;
// presses are reported on the main thread.

#include <cstdint>
#include <functional>

#include "base/CallbackList.h"

namespace quorvane {

// Modifier bits of a stored key combination, kept as the other platform's event flags so stored values stay
// valid. On Linux Command is Ctrl, Control is Super, Option is Alt.
enum HotkeyModifierFlag : std::uint64_t {
    hotkeyModifierShift = 0x20000,
    hotkeyModifierControl = 0x40000,
    hotkeyModifierOption = 0x80000,
    hotkeyModifierCommand = 0x100000,
    // Caps Lock, carried by values stored from a raw event; never part of a grab.
    hotkeyModifierCapsLock = 0x10000,
    // The four bits that carry meaning; every other bit is dropped before grabbing.
    hotkeyModifierMask = 0x1E0000,
};

class HotkeyRegistrar {
public:
    // Names one registration; 0 is never handed out.
    using HotkeyRef = std::uint64_t;

    // Statuses besides the X protocol's error codes (BadAccess = 10: another program holds the combination).
    static constexpr std::int32_t statusOK = 0;
    static constexpr std::int32_t statusKeyWithoutPosition = -1;  // the key code names no key of the keyboard
    static constexpr std::int32_t statusNoDisplay = -2;           // no X connection to grab on

    struct Result {
        std::int32_t status = statusOK;
        HotkeyRef ref = 0;  // non-zero exactly when status is statusOK
    };

    struct Press {
        std::uint32_t id = 0;         // the number given to registerHotkey()
        std::uint32_t timestamp = 0;  // the X server time of the key press
    };
    using PressHandler = std::function<void(const Press&)>;

    virtual ~HotkeyRegistrar() = default;

    // Grabs `keyCode` (a stored virtual key code, mapped by key position) with the modifiers among
    // `modifierFlags` & hotkeyModifierMask, whatever the Caps Lock and Num Lock states. Presses are reported
    // with `id`; auto-repeats of a held key are not. On failure nothing stays grabbed.
    virtual Result registerHotkey(std::uint16_t keyCode, std::uint64_t modifierFlags, std::uint32_t id) = 0;
    // Releases a registration. Unknown or already released references are ignored.
    virtual void unregisterHotkey(HotkeyRef ref) = 0;
    // Installs the handler of every press until the subscription ends. One handler at a time: a new one
    // replaces the earlier.
    [[nodiscard]] virtual Subscription installPressHandler(PressHandler handler) = 0;
};

}  // namespace quorvane
