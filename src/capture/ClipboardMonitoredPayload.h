#pragma once

// What one poll read from the pasteboard: a text with its rich forms or an image with its header's
// dimensions, together with the monitor's fingerprint of it (the repeat test). Plain value.

#include <string>
#include <variant>

#include "capture/ClipboardTextPayload.h"
#include "platform/ImageProbe.h"

namespace quorvane {

struct ClipboardImagePayload {
    Data imageData;              // the bytes to store: PNG, or the copied file's own format
    ImageDimensions dimensions;  // as the bytes' header declares them, for the entry's title

    bool operator==(const ClipboardImagePayload&) const = default;
};

struct ClipboardMonitoredPayload {
    std::variant<ClipboardTextPayload, ClipboardImagePayload> content;
    std::string fingerprint;  // 64 lower-case hexadecimal digits

    const ClipboardTextPayload* text() const { return std::get_if<ClipboardTextPayload>(&content); }
    const ClipboardImagePayload* image() const { return std::get_if<ClipboardImagePayload>(&content); }

    bool operator==(const ClipboardMonitoredPayload&) const = default;
};

}  // namespace quorvane
