#pragma once

// One stored settings value: bool, integer, double, string, data, date, array or dictionary.
// A plain value with equality; safe to copy between threads.

#include <cstdint>
#include <map>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/Date.h"

namespace quorvane {

using Data = std::vector<std::uint8_t>;

class DefaultsValue {
public:
    using Array = std::vector<DefaultsValue>;
    using Dictionary = std::map<std::string, DefaultsValue>;
    enum class Kind { boolean, integer, real, string, data, date, array, dictionary };

    DefaultsValue() : value_(false) {}
    DefaultsValue(bool value) : value_(value) {}
    DefaultsValue(int value) : value_(static_cast<std::int64_t>(value)) {}
    DefaultsValue(std::int64_t value) : value_(value) {}
    DefaultsValue(double value) : value_(value) {}
    DefaultsValue(const char* value) : value_(std::string(value)) {}
    DefaultsValue(std::string value) : value_(std::move(value)) {}
    DefaultsValue(Data value) : value_(std::move(value)) {}
    DefaultsValue(Date value) : value_(value) {}
    DefaultsValue(Array value) : value_(std::move(value)) {}
    DefaultsValue(Dictionary value) : value_(std::move(value)) {}

    Kind kind() const { return static_cast<Kind>(value_.index()); }

    // Each returns the value when it has exactly that kind, else nothing.
    std::optional<bool> boolValue() const;
    std::optional<std::int64_t> integerValue() const;
    std::optional<double> doubleValue() const;
    std::optional<std::string> stringValue() const;
    std::optional<Data> dataValue() const;
    std::optional<Date> dateValue() const;
    const Array* arrayValue() const { return std::get_if<Array>(&value_); }
    const Dictionary* dictionaryValue() const { return std::get_if<Dictionary>(&value_); }

    // An integer or a double, as a double.
    std::optional<double> numberValue() const;
    // An array whose elements are all strings; nothing when any element is not a string.
    std::optional<std::vector<std::string>> stringArrayValue() const;

    // JSON form used by the settings file: data and dates become {"$data": base64} and {"$date": seconds}.
    nlohmann::json toJson() const;
    static DefaultsValue fromJson(const nlohmann::json& json);

    friend bool operator==(const DefaultsValue&, const DefaultsValue&) = default;

private:
    static DefaultsValue fromJson(const nlohmann::json& json, int depth);

    std::variant<bool, std::int64_t, double, std::string, Data, Date, Array, Dictionary> value_;
};

}  // namespace quorvane
