#pragma once

// Image probe on Qt's image readers. Only the raster formats recognised by their signature are handed to Qt,
// and only the size in the header is asked for, so pixels are never decoded. Safe from any thread.

#include "platform/ImageProbe.h"

namespace quorvane {

class QtImageProbe final : public ImageProbe {
public:
    std::optional<ImageDimensions> dimensions(std::span<const std::uint8_t> data) const override;
};

}  // namespace quorvane
