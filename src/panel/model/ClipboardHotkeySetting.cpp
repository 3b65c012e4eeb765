#include "panel/model/ClipboardHotkeySetting.h"

#include "base/Logger.h"

namespace quorvane::ClipboardHotkeySetting {

Stored read(const UserDefaults& userDefaults) {
    const auto stored = userDefaults.object(key);
    if (!stored) return {};
    const auto data = stored->dataValue();
    if (!data) return {std::nullopt, "the stored value is not data"};
    try {
        return {KeyCombo::decode(*data), std::nullopt};
    } catch (const KeyComboDecodingError& error) {
        return {std::nullopt, error.what()};
    }
}

Stored load(UserDefaults& userDefaults, const std::string& failureMessage, const char* logCategory) {
    Stored stored = read(userDefaults);
    if (stored.error) {
        Logger::error(failureMessage + ": " + *stored.error, logCategory);
        discard(userDefaults);
    }
    return stored;
}

bool isCleared(const UserDefaults& userDefaults) {
    return userDefaults.boolValue(clearedKey).value_or(false);
}

void store(UserDefaults& userDefaults, const KeyCombo& keyCombo) {
    userDefaults.set(key, DefaultsValue(keyCombo.encoded()));
    userDefaults.remove(clearedKey);
}

void discard(UserDefaults& userDefaults) {
    userDefaults.remove(key);
}

void clear(UserDefaults& userDefaults) {
    userDefaults.remove(key);
    userDefaults.set(clearedKey, DefaultsValue(true));
}

}  // namespace quorvane::ClipboardHotkeySetting
