#pragma once

// Image probe for tests: answers the dimensions registered for exact byte blobs and none for anything else.
// Safe from any thread.

#include <map>
#include <mutex>

#include "platform/ImageProbe.h"

namespace quorvane {

class InMemoryImageProbe final : public ImageProbe {
public:
    // Makes `dimensions` the answer for `data`.
    void setDimensions(std::vector<std::uint8_t> data, ImageDimensions dimensions);

    std::optional<ImageDimensions> dimensions(std::span<const std::uint8_t> data) const override;

private:
    mutable std::mutex mutex_;
    std::map<std::vector<std::uint8_t>, ImageDimensions> answers_;
};

}  // namespace quorvane
