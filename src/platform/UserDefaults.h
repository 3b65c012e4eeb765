#pragma once

// The user's settings: typed values under string keys. A value stored with the wrong type is told apart from
// a missing one (object() has it, the typed reader does not). Safe from any thread; change callbacks run on
// the thread that made the change, after the value is stored.

#include <optional>
#include <string>
#include <vector>

#include "base/CallbackList.h"
#include "platform/DefaultsValue.h"

namespace quorvane {

class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    // Returns the stored value of any kind, or nothing when the key is missing.
    virtual std::optional<DefaultsValue> object(const std::string& key) const = 0;
    // Stores `value` under `key`, replacing any earlier value.
    virtual void set(const std::string& key, DefaultsValue value) = 0;
    // Removes `key`; harmless when it is missing.
    virtual void remove(const std::string& key) = 0;
    // Every stored key, sorted.
    virtual std::vector<std::string> keys() const = 0;

    bool contains(const std::string& key) const { return object(key).has_value(); }

    // Typed readers: the value when the key is present with exactly that kind, else nothing.
    std::optional<bool> boolValue(const std::string& key) const;
    std::optional<std::int64_t> integerValue(const std::string& key) const;
    std::optional<double> doubleValue(const std::string& key) const;
    std::optional<std::string> stringValue(const std::string& key) const;
    std::optional<Data> dataValue(const std::string& key) const;
    std::optional<Date> dateValue(const std::string& key) const;
    std::optional<DefaultsValue::Array> arrayValue(const std::string& key) const;
    std::optional<DefaultsValue::Dictionary> dictionaryValue(const std::string& key) const;
    // An array made only of strings.
    std::optional<std::vector<std::string>> stringArrayValue(const std::string& key) const;

    // Calls `callback` with the key after every set() or remove().
    [[nodiscard]] Subscription observeChanges(std::function<void(const std::string& key)> callback) {
        return changes_.subscribe(std::move(callback));
    }

protected:
    void notifyChanged(const std::string& key) const { changes_.notify(key); }

private:
    CallbackList<const std::string&> changes_;
};

}  // namespace quorvane
