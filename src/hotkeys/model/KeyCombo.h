#pragma once

// One keyboard shortcut: a stored virtual key code (a key position) and modifier flags. Its JSON form is the
// one every stored shortcut uses ("ClipboardHistoryHotkey", "RegisteredHotkeys"): {"keyCode":9,
// "modifierFlags":393216}. A plain value; safe to copy between threads.

#include <cstdint>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/DefaultsValue.h"
#include "platform/HotkeyRegistrar.h"

namespace quorvane {

// Stored data that is not a key combination; what() says why.
class KeyComboDecodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct KeyCombo {
    std::uint16_t keyCode = 0;
    // Raw flags as stored; only hotkeyModifierMask bits carry meaning, the others still count for equality.
    std::uint64_t modifierFlags = 0;

    // Key codes with names worth keeping as constants.
    static constexpr std::uint16_t keyCodeV = 9;
    static constexpr std::uint16_t keyCodeEscape = 53;

    // The clipboard-history default, Super+Shift+V (Ctrl+Shift+V is the terminals' paste).
    static KeyCombo defaultClipboardHistory() {
        return {keyCodeV, hotkeyModifierControl | hotkeyModifierShift};
    }

    // The modifiers the user sees, in the desktops' order Super, Ctrl, Alt, Shift, then the key's name,
    // joined by "+": "Super+Shift+V", "Ctrl+Alt+K". A key without a name adds nothing.
    std::string displayString() const;
    // The name of a key position ("V", "F5", "Space", "Return"); nothing for codes of no key.
    static std::optional<std::string> keyName(std::uint16_t keyCode);
    // True for the twelve function keys F1-F12, the only keys allowed without modifiers.
    static bool isFunctionKey(std::uint16_t keyCode);
    // The flags reduced to the four meaningful bits.
    std::uint64_t meaningfulModifiers() const { return modifierFlags & hotkeyModifierMask; }

    nlohmann::json json() const;
    // Compact JSON text.
    std::string jsonText() const;
    // The UTF-8 JSON text as stored settings data.
    Data encoded() const;
    // Each throws KeyComboDecodingError for anything but an object with an integer "keyCode" in 0-65535 and
    // an unsigned integer "modifierFlags" (other keys are ignored, order does not matter).
    static KeyCombo fromJson(const nlohmann::json& json);
    static KeyCombo decode(std::string_view jsonText);
    static KeyCombo decode(const Data& data);

    friend bool operator==(const KeyCombo&, const KeyCombo&) = default;
};

}  // namespace quorvane

template <>
struct std::hash<quorvane::KeyCombo> {
    std::size_t operator()(const quorvane::KeyCombo& combo) const noexcept {
        return std::hash<std::uint64_t>{}(combo.modifierFlags * 65537u + combo.keyCode);
    }
};
