#pragma once

// Settings kept in memory only: the double for tests and headless runs. Safe from any thread.

#include "platform/MapBackedUserDefaults.h"

namespace quorvane {

class InMemoryUserDefaults : public MapBackedUserDefaults {
public:
    InMemoryUserDefaults() = default;
    explicit InMemoryUserDefaults(std::map<std::string, DefaultsValue> values)
        : MapBackedUserDefaults(std::move(values)) {}

private:
    void didChange(const std::map<std::string, DefaultsValue>&) override {}
};

}  // namespace quorvane
