#include "platform/UserDefaults.h"

namespace quorvane {

std::optional<bool> UserDefaults::boolValue(const std::string& key) const {
    auto value = object(key);
    return value ? value->boolValue() : std::nullopt;
}

std::optional<std::int64_t> UserDefaults::integerValue(const std::string& key) const {
    auto value = object(key);
    return value ? value->integerValue() : std::nullopt;
}

std::optional<double> UserDefaults::doubleValue(const std::string& key) const {
    auto value = object(key);
    return value ? value->doubleValue() : std::nullopt;
}

std::optional<std::string> UserDefaults::stringValue(const std::string& key) const {
    auto value = object(key);
    return value ? value->stringValue() : std::nullopt;
}

std::optional<Data> UserDefaults::dataValue(const std::string& key) const {
    auto value = object(key);
    return value ? value->dataValue() : std::nullopt;
}

std::optional<Date> UserDefaults::dateValue(const std::string& key) const {
    auto value = object(key);
    return value ? value->dateValue() : std::nullopt;
}

std::optional<DefaultsValue::Array> UserDefaults::arrayValue(const std::string& key) const {
    auto value = object(key);
    if (!value || !value->arrayValue()) return std::nullopt;
    return *value->arrayValue();
}

std::optional<DefaultsValue::Dictionary> UserDefaults::dictionaryValue(const std::string& key) const {
    auto value = object(key);
    if (!value || !value->dictionaryValue()) return std::nullopt;
    return *value->dictionaryValue();
}

std::optional<std::vector<std::string>> UserDefaults::stringArrayValue(const std::string& key) const {
    auto value = object(key);
    return value ? value->stringArrayValue() : std::nullopt;
}

}  // namespace quorvane
