#include "platform/memory/InMemoryImageProbe.h"

namespace quorvane {

void InMemoryImageProbe::setDimensions(std::vector<std::uint8_t> data, ImageDimensions dimensions) {
    std::lock_guard lock(mutex_);
    answers_[std::move(data)] = std::move(dimensions);
}

std::optional<ImageDimensions> InMemoryImageProbe::dimensions(std::span<const std::uint8_t> data) const {
    std::lock_guard lock(mutex_);
    const auto found = answers_.find(std::vector<std::uint8_t>(data.begin(), data.end()));
    if (found == answers_.end()) return std::nullopt;
    return found->second;
}

}  // namespace quorvane
