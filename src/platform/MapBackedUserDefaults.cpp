#include "platform/MapBackedUserDefaults.h"

namespace quorvane {

std::optional<DefaultsValue> MapBackedUserDefaults::object(const std::string& key) const {
    std::lock_guard lock(mutex_);
    auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

void MapBackedUserDefaults::set(const std::string& key, DefaultsValue value) {
    {
        std::lock_guard lock(mutex_);
        values_[key] = std::move(value);
        didChange(values_);
    }
    notifyChanged(key);
}

void MapBackedUserDefaults::remove(const std::string& key) {
    {
        std::lock_guard lock(mutex_);
        if (values_.erase(key) == 0) return;
        didChange(values_);
    }
    notifyChanged(key);
}

std::vector<std::string> MapBackedUserDefaults::keys() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> keys;
    keys.reserve(values_.size());
    for (const auto& entry : values_) keys.push_back(entry.first);
    return keys;
}

}  // namespace quorvane
