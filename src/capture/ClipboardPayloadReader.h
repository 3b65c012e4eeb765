#pragma once

// The reading side of capture: turns the pasteboard's current item into one text or image payload with its
// fingerprint, or into nothing. It decides which representation wins (a copied image file, PNG, TIFF, other
// image data, then RTF, HTML and plain text), applies the capture switches and the size limit, and never
// decodes or reads more than the limit allows: image sizes come from headers, copied files are checked with
// stat() before they are opened. Main queue only (it reads the pasteboard).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/ClipboardMonitoredPayload.h"
#include "platform/ImageDecoder.h"
#include "platform/ImageProbe.h"
#include "platform/Pasteboard.h"

namespace quorvane {

class ClipboardPayloadReader {
public:
    // The largest item any size setting allows (500 MB): the bound for fingerprints taken without a limit.
    static constexpr std::int64_t largestItemBytes = 500ll * 1024 * 1024;

    // An image found on the pasteboard that is larger than the limit: its format name for the warning.
    struct OversizedImage {
        std::string formatName;
        std::uint64_t byteCount = 0;
    };
    // Result of the image step: an image, an oversized image, or neither.
    struct ImageRead {
        std::optional<ClipboardImagePayload> image;
        std::optional<OversizedImage> oversized;
    };

    // Both must outlive the reader.
    ClipboardPayloadReader(const ImageProbe& probe, const ImageDecoder& decoder)
        : probe_(probe), decoder_(decoder) {}

    // The item as capture takes it: an image when image capture is on and the item has one (an oversized
    // image yields nothing, with a warning, and its text is not taken instead), else a non-blank text of
    // no copied files within the limit (a warning when it is larger), else nothing.
    std::optional<ClipboardMonitoredPayload> readMonitoredPayload(const Pasteboard& pasteboard,
                                                                  std::int64_t maxBytes, bool textEnabled,
                                                                  bool imageEnabled) const;
    // The fingerprint of the item's image, else of its non-blank text when no files were copied; nothing
    // otherwise. Ignores the capture switches; items beyond largestItemBytes have none.
    std::optional<std::string> payloadFingerprint(const Pasteboard& pasteboard) const;

    ImageRead readImagePayload(const Pasteboard& pasteboard, std::int64_t maxBytes) const;
    // The item's text: the plain text, else the RTF's text, else the HTML's text (possibly empty); the rich
    // forms are carried as read. Nothing when the item has none of the three.
    std::optional<ClipboardTextPayload> readTextPayload(const Pasteboard& pasteboard) const;
    // A copied image file: a regular file (checked with stat() before it is opened, so a FIFO or device
    // never blocks) whose type is an image type the decoder reads. A format known by its signature keeps the
    // file's bytes; any other is converted to PNG (its own bytes when it decodes but cannot be encoded).
    ImageRead imageFromFile(const std::filesystem::path& path, std::int64_t maxBytes) const;

    static std::vector<std::filesystem::path> readFileURLs(const Pasteboard& pasteboard);
    static std::string textPayloadFingerprint(const ClipboardTextPayload& payload);
    static std::string imageFingerprint(const Data& imageData);
    static std::string oversizedImageMessage(std::string_view formatName, std::uint64_t actualBytes,
                                             std::int64_t maxBytes);

private:
    // Image data offered under `type` when its header states at least 2 by 2 pixels.
    std::optional<ImageDimensions> usableDimensions(const Data& imageData) const;
    // Data that must be converted to PNG: checked against the limit before it is decoded and after.
    ImageRead convertedToPng(const Data& imageData, const ImageDimensions& dimensions,
                             std::int64_t maxBytes) const;

    const ImageProbe& probe_;
    const ImageDecoder& decoder_;
};

}  // namespace quorvane
