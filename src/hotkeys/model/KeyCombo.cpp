#include "hotkeys/model/KeyCombo.h"

#include <array>
#include <nlohmann/json.hpp>

#include "platform/KeyPositions.h"

namespace quorvane {

namespace {

// The refusal rules let these keys stand alone.
constexpr std::array<std::uint16_t, 12> kFunctionKeyCodes{122, 120, 99,  118, 96,  97,
                                                          98,  100, 101, 109, 103, 111};

}  // namespace

std::optional<std::string> KeyCombo::keyName(std::uint16_t keyCode) {
    if (const auto position = KeyPositions::ofKeyCode(keyCode)) return std::string(position->name);
    return std::nullopt;
}

bool KeyCombo::isFunctionKey(std::uint16_t keyCode) {
    for (const auto code : kFunctionKeyCodes) {
        if (code == keyCode) return true;
    }
    return false;
}

std::string KeyCombo::displayString() const {
    std::string text;
    const auto append = [&text](std::string_view part) {
        if (!text.empty()) text += '+';
        text += part;
    };
    if (modifierFlags & hotkeyModifierControl) append("Super");
    if (modifierFlags & hotkeyModifierCommand) append("Ctrl");
    if (modifierFlags & hotkeyModifierOption) append("Alt");
    if (modifierFlags & hotkeyModifierShift) append("Shift");
    if (const auto name = keyName(keyCode)) append(*name);
    return text;
}

nlohmann::json KeyCombo::json() const {
    return nlohmann::json{{"keyCode", keyCode}, {"modifierFlags", modifierFlags}};
}

std::string KeyCombo::jsonText() const {
    return json().dump();
}

Data KeyCombo::encoded() const {
    const std::string text = jsonText();
    return Data(text.begin(), text.end());
}

KeyCombo KeyCombo::fromJson(const nlohmann::json& json) {
    if (!json.is_object()) throw KeyComboDecodingError("key combination is not a JSON object");
    const auto keyCode = json.find("keyCode");
    if (keyCode == json.end()) throw KeyComboDecodingError("missing key \"keyCode\"");
    const auto flags = json.find("modifierFlags");
    if (flags == json.end()) throw KeyComboDecodingError("missing key \"modifierFlags\"");
    if (!keyCode->is_number_integer()) throw KeyComboDecodingError("\"keyCode\" is not an integer");
    if (!flags->is_number_unsigned())
        throw KeyComboDecodingError("\"modifierFlags\" is not an unsigned integer");
    if (keyCode->is_number_unsigned() ? keyCode->get<std::uint64_t>() > 0xFFFF : true) {
        throw KeyComboDecodingError("\"keyCode\" is outside 0-65535");
    }
    return KeyCombo{static_cast<std::uint16_t>(keyCode->get<std::uint64_t>()), flags->get<std::uint64_t>()};
}

KeyCombo KeyCombo::decode(std::string_view jsonText) {
    nlohmann::json json = nlohmann::json::parse(jsonText, nullptr, false);
    if (json.is_discarded()) throw KeyComboDecodingError("key combination is not valid JSON");
    return fromJson(json);
}

KeyCombo KeyCombo::decode(const Data& data) {
    return decode(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

}  // namespace quorvane
