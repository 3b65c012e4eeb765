#pragma once

// Decodes image data into PNG for capture (TIFF and other formats are stored as PNG). Decoding never
// allocates more than a fixed cap, however large the image's header claims it is. Pixel sizes without
// decoding come from ImageProbe. It also names the type of a copied file, so the capture can tell image
// files from others whatever their first bytes. Safe from any thread.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/DefaultsValue.h"
#include "platform/ImageProbe.h"

namespace quorvane {

class ImageDecoder {
public:
    // Image data of a format named by its type rather than by its signature (ICO, SVG, XPM, PNM, TGA...).
    struct TypedConversion {
        // The image encoded as PNG; empty when it decoded but could not be encoded.
        Data png;
        ImageDimensions dimensions;
    };

    virtual ~ImageDecoder() = default;

    // The image decoded and encoded as PNG; nothing when it is in no known image format, cannot be decoded
    // or its decoded pixels would exceed the cap.
    virtual std::optional<Data> pngData(const Data& imageData) const = 0;

    // The MIME type of a file named `fileName` whose contents begin with `leadingBytes`, judged by both;
    // empty when nothing is known.
    virtual std::string fileContentType(std::string_view fileName,
                                        std::span<const std::uint8_t> leadingBytes) const = 0;

    // True when images of the type `contentType` can be decoded here. The MIME database files some things
    // that are no pictures under "image/" (3D Studio models, whose only signature is "MM"): those are not.
    virtual bool canDecode(std::string_view contentType) const = 0;

    // `imageData` read as the image type `contentType` and converted to PNG under the cap; nothing when it
    // cannot be decoded as that type or would exceed the cap.
    virtual std::optional<TypedConversion> convertedToPng(const Data& imageData,
                                                          std::string_view contentType) const = 0;

    // True for the MIME types of images ("image/..."), the types a copied file must have to be captured.
    static bool isImageContentType(std::string_view contentType) {
        return contentType.starts_with("image/") && contentType.size() > 6;
    }
};

}  // namespace quorvane
