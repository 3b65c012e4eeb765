#pragma once

// The format of an image blob, recognised from its first bytes, with the name, file extension and type
// descriptor (MIME type on this platform) used by the capture, its log lines and saved or dragged-out
// image files. A plain value; safe from any thread.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quorvane {

struct ImageFormat {
    enum Value { png, jpeg, gif, webp, tiff, bmp, pdf };

    Value value;

    // The format whose signature starts `data`, or none (an empty blob included). Reads at most 12 bytes.
    static std::optional<ImageFormat> detect(std::span<const std::uint8_t> data);

    std::string_view name() const;           // "png", "jpeg", ...
    std::string_view fileExtension() const;  // "png", "jpg", ...
    std::string_view utType() const;         // "image/png", ...

    // For data of no recognised format: PNG's extension and type, and the name "unknown" for log text.
    static std::string_view nameOf(std::optional<ImageFormat> format);
    static std::string_view fileExtensionOf(std::optional<ImageFormat> format);
    static std::string_view utTypeOf(std::optional<ImageFormat> format);

    friend bool operator==(ImageFormat, ImageFormat) = default;
};

}  // namespace quorvane
