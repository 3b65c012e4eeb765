#pragma once

// The process's global hot keys as its users see them: the panel coordinator registers the clipboard hot
// key, the container unregisters everything before a rebuild and at exit, the settings page and onboarding
// replace the combination. Main thread only.

#include <cstdint>
#include <functional>
#include <vector>

#include "hotkeys/model/KeyCombo.h"

namespace quorvane {

class HotkeyManagerProtocol {
public:
    virtual ~HotkeyManagerProtocol() = default;

    // Binds `keyCombo` to `action` for the whole desktop (named registerHotkey, as `register` is a C++
    // keyword). False when the combination is refused (a system shortcut, or a bare key other than F1-F12)
    // or the desktop will not grant it (another program holds it). The action runs on a later main-queue
    // turn after each press.
    virtual bool registerHotkey(const KeyCombo& keyCombo, std::function<void()> action) = 0;
    // Releases the combination's registration; nothing happens for one that is not registered.
    virtual void unregister(const KeyCombo& keyCombo) = 0;
    // Releases every registration.
    virtual void unregisterAll() = 0;
    // The combinations registered now, ordered by key code then flags.
    virtual std::vector<KeyCombo> registeredKeyCombos() const = 0;
    virtual bool isRegistered(const KeyCombo& keyCombo) const = 0;
    // The X server time of the press whose action was queued last (0 before any), for a window shown by that
    // action to get past focus-stealing prevention.
    virtual std::uint32_t lastHotkeyTimestamp() const = 0;
    // Writes the list of registered combinations to the settings.
    virtual void saveRegisteredHotkeys() = 0;
};

}  // namespace quorvane
