#pragma once

// Image decoding with Qt's image readers under an allocation cap: the reader is chosen by the data's
// signature (so no other reader, such as SVG's XML parser, sees untrusted bytes), the header's pixel size is
// checked before any pixel is decoded, and Qt's own reader limit backs that up. Data whose signature names
// no format is read only through convertedToPng(), with the reader its file type names. File types come
// from the shared MIME database (name and contents). Safe from any thread.

#include <QImage>
#include <cstdint>

#include "platform/ImageDecoder.h"

namespace quorvane {

class QtImageDecoder final : public ImageDecoder {
public:
    // Decoded images larger than this many bytes (at 4 bytes a pixel) are refused.
    static constexpr std::int64_t maximumDecodedBytes = 256ll * 1024 * 1024;

    std::optional<Data> pngData(const Data& imageData) const override;
    std::string fileContentType(std::string_view fileName,
                                std::span<const std::uint8_t> leadingBytes) const override;
    bool canDecode(std::string_view contentType) const override;
    std::optional<TypedConversion> convertedToPng(const Data& imageData,
                                                  std::string_view contentType) const override;

    // The decoded image, or a null image when the data cannot be decoded within `maximumBytes`.
    static QImage decode(const Data& imageData, std::int64_t maximumBytes = maximumDecodedBytes);
    // The decoded image scaled down, keeping its proportions, to at most `maximumPixels` pixels where it is
    // larger; a null image as decode() gives one.
    static QImage decodeFitting(const Data& imageData, std::int64_t maximumPixels);
};

}  // namespace quorvane
