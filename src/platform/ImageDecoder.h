#pragma once

// Decodes image data into PNG for capture (TIFF and other formats are stored as PNG). Decoding never
// allocates more than a fixed cap, however large the image's header claims it is. Pixel sizes without
// decoding come from ImageProbe. Safe from any thread.

#include <optional>

#include "platform/DefaultsValue.h"

namespace quorvane {

class ImageDecoder {
public:
    virtual ~ImageDecoder() = default;

    // The image decoded and encoded as PNG; nothing when it is in no known image format, cannot be decoded
    // or its decoded pixels would exceed the cap.
    virtual std::optional<Data> pngData(const Data& imageData) const = 0;
};

}  // namespace quorvane
