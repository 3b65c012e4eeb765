#pragma once

// The clipboard-history shortcut in the settings, read and written the same way by the coordinator that
// registers it, the settings page, the wizard and the menu bar: "ClipboardHistoryHotkey" holds a KeyCombo as
// JSON data (no default: missing means no shortcut stored), and "ClipboardHistoryHotkeyCleared" is true once
// the user deleted the shortcut, so that no default takes its place. Safe from any thread.

#include <optional>
#include <string>

#include "hotkeys/model/KeyCombo.h"
#include "platform/UserDefaults.h"

namespace quorvane::ClipboardHotkeySetting {

inline constexpr char key[] = "ClipboardHistoryHotkey";
inline constexpr char clearedKey[] = "ClipboardHistoryHotkeyCleared";

struct Stored {
    std::optional<KeyCombo> keyCombo;
    // Why a stored value could not be read: not data, or data that does not decode.
    std::optional<std::string> error;
};

// The stored shortcut, leaving the settings as they are.
Stored read(const UserDefaults& userDefaults);
// The same, but an unreadable value is logged at ERROR as "<failureMessage>: <why>" under `logCategory` and
// removed.
Stored load(UserDefaults& userDefaults, const std::string& failureMessage, const char* logCategory);
// Whether the user deleted the shortcut; false by default.
bool isCleared(const UserDefaults& userDefaults);
// Saving a shortcut: stores it and lifts a deletion. Throws what encoding throws, storing nothing.
void store(UserDefaults& userDefaults, const KeyCombo& keyCombo);
// Deleting the shortcut: removes it and marks the deletion.
void clear(UserDefaults& userDefaults);
// Dropping a stored value that can never work, without marking a deletion: the default takes its place.
void discard(UserDefaults& userDefaults);

}  // namespace quorvane::ClipboardHotkeySetting
