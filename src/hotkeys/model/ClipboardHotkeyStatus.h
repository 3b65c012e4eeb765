#pragma once

// Whether the clipboard-history hot key works, for the line under the shortcut recorders: the combination
// the user chose that another program holds now, and what opens the history meanwhile. The panel
// coordinator is the source; the settings page and the wizard read it. Main thread only.

#include <functional>
#include <optional>
#include <string>

#include "base/CallbackList.h"
#include "hotkeys/model/KeyCombo.h"

namespace quorvane {

class ClipboardHotkeyStatus {
public:
    virtual ~ClipboardHotkeyStatus() = default;

    // The combination the desktop refuses now; nothing while it works, while recording, or without one.
    virtual const std::optional<KeyCombo>& failedClipboardHotkey() const = 0;
    // The combination the user recorded last that can never be a global shortcut (Ctrl+V alone, a bare
    // letter); the default took its place. Nothing once a shortcut registers as stored.
    virtual const std::optional<KeyCombo>& refusedClipboardHotkey() const = 0;
    // The combination registered now (while one fails, the default standing in for it, if any).
    virtual const std::optional<KeyCombo>& registeredClipboardHotkey() const = 0;
    // Told on the next main-queue turn after failedClipboardHotkey() changed.
    [[nodiscard]] virtual Subscription observeClipboardHotkeyStatus(std::function<void()> callback) = 0;
    // Tries a failing combination again now (a window with the recorder opened).
    virtual void retryFailedClipboardHotkey() = 0;

    // The line shown under the recorder in the interface language; nothing while the hot key works.
    static std::optional<std::string> failureText(const ClipboardHotkeyStatus& status);
};

}  // namespace quorvane
