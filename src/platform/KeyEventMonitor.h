#pragma once

// A stream of the key-downs typed in every program, for the copy-keystroke monitor (it only shortens the
// delay until a copy is seen). Install and remove monitors on the main queue; handlers run on the monitor's
// own event thread. Implementations never log, store or forward a key beyond the handlers.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/CallbackList.h"

namespace quorvane {

// Modifier flags under the stored names: Command is Ctrl, Option is Alt, Control is Super.
enum KeyModifierFlag : std::uint32_t {
    keyModifierCommand = 1u << 0,
    keyModifierOption = 1u << 1,
    keyModifierControl = 1u << 2,
    keyModifierShift = 1u << 3,
    keyModifierCapsLock = 1u << 4,
    keyModifierFunction = 1u << 5,
};

struct KeyDownEvent {
    std::uint32_t keyCode = 0;  // the platform's own code for the key position
    std::string
        charactersIgnoringModifiers;  // UTF-8 of the unshifted key in the current layout; may be empty
    std::uint32_t modifierFlags = 0;  // KeyModifierFlag bits held when the key went down
    bool isRepeat = false;            // auto-repeat of a held key

    bool operator==(const KeyDownEvent&) const = default;
};

class KeyEventMonitor {
public:
    using Handler = std::function<void(const KeyDownEvent&)>;

    virtual ~KeyEventMonitor() = default;

    // Starts delivering every key-down to `handler` until the returned subscription is reset or destroyed.
    // Nothing when no monitor can be installed (no display, no input extension).
    virtual std::optional<Subscription> addGlobalKeyDownMonitor(Handler handler) = 0;
};

}  // namespace quorvane
