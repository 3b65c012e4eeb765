#pragma once

// Application files kept in memory: the double of the desktop-file reader. A path answers with the
// application registered for it, anything else with nothing. Safe from any thread once set up.

#include <map>

#include "platform/ApplicationFileReader.h"

namespace quorvane {

class InMemoryApplicationFileReader final : public ApplicationFileReader {
public:
    std::optional<InstalledApplication> applicationAt(const std::filesystem::path& file) const override {
        const auto found = applications.find(file);
        if (found == applications.end()) return std::nullopt;
        return found->second;
    }

    std::map<std::filesystem::path, InstalledApplication> applications;
};

}  // namespace quorvane
