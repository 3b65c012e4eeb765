#pragma once

// Decodes image data for capture: the pixel size from the header alone, and full decoding into PNG, which
// never allocates more than a fixed cap however large the header claims the image is. Safe from any thread.

#include <cstdint>
#include <optional>

#include "platform/DefaultsValue.h"

namespace quorvane {

struct PixelSize {
    std::int64_t width = 0;
    std::int64_t height = 0;

    bool operator==(const PixelSize&) const = default;
};

class ImageDecoder {
public:
    virtual ~ImageDecoder() = default;

    // The width and height the image's header states, read without decoding; nothing for data that is no
    // image in a format the decoder knows.
    virtual std::optional<PixelSize> pixelSize(const Data& imageData) const = 0;
    // The image decoded and encoded as PNG; nothing when it cannot be decoded or its decoded pixels would
    // exceed the cap.
    virtual std::optional<Data> pngData(const Data& imageData) const = 0;
};

}  // namespace quorvane
