#pragma once

// One text item read from the pasteboard: the text with its RTF and HTML forms as offered. Plain value.

#include <cstddef>
#include <optional>
#include <string>

#include "platform/DefaultsValue.h"

namespace quorvane {

struct ClipboardTextPayload {
    std::string plainText;
    std::optional<Data> rtfData;
    std::optional<Data> htmlData;

    // UTF-8 bytes of the text plus the bytes of both rich forms: what the size limit counts.
    std::size_t byteCount() const {
        return plainText.size() + (rtfData ? rtfData->size() : 0) + (htmlData ? htmlData->size() : 0);
    }

    bool operator==(const ClipboardTextPayload&) const = default;
};

}  // namespace quorvane
