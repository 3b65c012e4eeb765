#include "core/ClipboardContentType.h"

namespace quorvane {

std::string_view rawValue(ClipboardContentType type) {
    return type == ClipboardContentType::image ? "image" : "text";
}

std::optional<ClipboardContentType> clipboardContentTypeFromRawValue(std::string_view raw) {
    for (ClipboardContentType type : allClipboardContentTypes) {
        if (rawValue(type) == raw) return type;
    }
    return std::nullopt;
}

}  // namespace quorvane
