#pragma once

// Reads what an image's header declares about its size without decoding its pixels, so a huge or hostile
// image is titled cheaply. The capture uses it to title image entries. Implementations are safe from any
// thread.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quorvane {

struct ImagePixelSize {
    std::int64_t width = 0;
    std::int64_t height = 0;

    friend bool operator==(const ImagePixelSize&, const ImagePixelSize&) = default;
};

struct ImageDimensions {
    // Pixel size of each representation (frame, page, resolution) the header lists, in order; a header may
    // declare zero pixels.
    std::vector<ImagePixelSize> representations;
    // Size in points (1/72 inch) when the header states one; zero when it does not.
    double widthInPoints = 0;
    double heightInPoints = 0;

    friend bool operator==(const ImageDimensions&, const ImageDimensions&) = default;
};

class ImageProbe {
public:
    virtual ~ImageProbe() = default;
    // The dimensions `data` declares, or none when it is no image this probe can read.
    virtual std::optional<ImageDimensions> dimensions(std::span<const std::uint8_t> data) const = 0;
};

}  // namespace quorvane
