#pragma once

// Settings kept in memory only: the double for tests and headless runs. Safe from any thread.

#include <map>
#include <mutex>

#include "platform/UserDefaults.h"

namespace quorvane {

class InMemoryUserDefaults : public UserDefaults {
public:
    InMemoryUserDefaults() = default;
    explicit InMemoryUserDefaults(std::map<std::string, DefaultsValue> values) : values_(std::move(values)) {}

    std::optional<DefaultsValue> object(const std::string& key) const override;
    void set(const std::string& key, DefaultsValue value) override;
    void remove(const std::string& key) override;
    std::vector<std::string> keys() const override;

protected:
    // Called under the lock after every change, with the values as they now stand.
    virtual void didChange(const std::map<std::string, DefaultsValue>& values) { (void)values; }

    mutable std::mutex mutex_;
    std::map<std::string, DefaultsValue> values_;
};

}  // namespace quorvane
