#pragma once

// Settings held in a map under one lock: the common body of the in-memory double and the settings file.
// A subclass that persists the values does so in didChange(). Safe from any thread.

#include <map>
#include <mutex>

#include "platform/UserDefaults.h"

namespace quorvane {

class MapBackedUserDefaults : public UserDefaults {
public:
    std::optional<DefaultsValue> object(const std::string& key) const override;
    void set(const std::string& key, DefaultsValue value) override;
    void remove(const std::string& key) override;
    std::vector<std::string> keys() const override;

protected:
    MapBackedUserDefaults() = default;
    explicit MapBackedUserDefaults(std::map<std::string, DefaultsValue> values)
        : values_(std::move(values)) {}

    // Called under the lock after every change, with the values as they now stand.
    virtual void didChange(const std::map<std::string, DefaultsValue>& values) = 0;

    // The values before any observer can see them (loading); not for use after construction.
    std::map<std::string, DefaultsValue>& initialValues() { return values_; }

private:
    mutable std::mutex mutex_;
    std::map<std::string, DefaultsValue> values_;
};

}  // namespace quorvane
