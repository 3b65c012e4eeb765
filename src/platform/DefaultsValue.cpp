#include "platform/DefaultsValue.h"

#include <nlohmann/json.hpp>

#include "base/Base64.h"

namespace quorvane {
namespace {

template <class T, class V>
std::optional<T> getIf(const V& value) {
    if (const T* found = std::get_if<T>(&value)) return *found;
    return std::nullopt;
}

}  // namespace

std::optional<bool> DefaultsValue::boolValue() const {
    return getIf<bool>(value_);
}
std::optional<std::int64_t> DefaultsValue::integerValue() const {
    return getIf<std::int64_t>(value_);
}
std::optional<double> DefaultsValue::doubleValue() const {
    return getIf<double>(value_);
}
std::optional<std::string> DefaultsValue::stringValue() const {
    return getIf<std::string>(value_);
}
std::optional<Data> DefaultsValue::dataValue() const {
    return getIf<Data>(value_);
}
std::optional<Date> DefaultsValue::dateValue() const {
    return getIf<Date>(value_);
}

std::optional<double> DefaultsValue::numberValue() const {
    if (auto integer = integerValue()) return static_cast<double>(*integer);
    return doubleValue();
}

std::optional<std::vector<std::string>> DefaultsValue::stringArrayValue() const {
    const Array* array = arrayValue();
    if (!array) return std::nullopt;
    std::vector<std::string> strings;
    strings.reserve(array->size());
    for (const auto& element : *array) {
        auto string = element.stringValue();
        if (!string) return std::nullopt;
        strings.push_back(std::move(*string));
    }
    return strings;
}

nlohmann::json DefaultsValue::toJson() const {
    switch (kind()) {
        case Kind::boolean:
            return *boolValue();
        case Kind::integer:
            return *integerValue();
        case Kind::real:
            return *doubleValue();
        case Kind::string:
            return *stringValue();
        case Kind::data:
            return nlohmann::json{{"$data", base64Encode(std::get<Data>(value_))}};
        case Kind::date:
            return nlohmann::json{{"$date", std::get<Date>(value_).timeIntervalSince1970}};
        case Kind::array: {
            auto json = nlohmann::json::array();
            for (const auto& element : *arrayValue()) json.push_back(element.toJson());
            return json;
        }
        case Kind::dictionary: {
            auto json = nlohmann::json::object();
            for (const auto& [key, element] : *dictionaryValue()) json[key] = element.toJson();
            return json;
        }
    }
    return nullptr;
}

DefaultsValue DefaultsValue::fromJson(const nlohmann::json& json) {
    return fromJson(json, 0);
}

DefaultsValue DefaultsValue::fromJson(const nlohmann::json& json, int depth) {
    // Settings never nest deeply; a hostile file must not exhaust the stack.
    constexpr int maximumDepth = 256;
    if (depth > maximumDepth) return Dictionary{};
    using Type = nlohmann::json::value_t;
    switch (json.type()) {
        case Type::boolean:
            return json.get<bool>();
        case Type::number_integer:
            return json.get<std::int64_t>();
        case Type::number_unsigned: {
            const auto value = json.get<std::uint64_t>();
            if (value > static_cast<std::uint64_t>(INT64_MAX)) return static_cast<double>(value);
            return static_cast<std::int64_t>(value);
        }
        case Type::number_float:
            return json.get<double>();
        case Type::string:
            return json.get<std::string>();
        case Type::array: {
            Array array;
            for (const auto& element : json) array.push_back(fromJson(element, depth + 1));
            return array;
        }
        case Type::object: {
            if (json.size() == 1 && json.contains("$data") && json["$data"].is_string()) {
                if (auto data = base64Decode(json["$data"].get<std::string>())) return *data;
            }
            if (json.size() == 1 && json.contains("$date") && json["$date"].is_number()) {
                return Date(json["$date"].get<double>());
            }
            Dictionary dictionary;
            for (const auto& [key, element] : json.items())
                dictionary.emplace(key, fromJson(element, depth + 1));
            return dictionary;
        }
        default:
            return Dictionary{};  // null and binary never come from our own files
    }
}

}  // namespace quorvane
