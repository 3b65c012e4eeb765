#pragma once

// The kind of a history entry, stored and compared by its raw string ("text", "image"). A plain value.

#include <array>
#include <functional>
#include <optional>
#include <string_view>

#include "base/RawValueEnum.h"

namespace quorvane {

enum class ClipboardContentType { text, image };

inline constexpr std::array<ClipboardContentType, 2> allClipboardContentTypes = {ClipboardContentType::text,
                                                                                 ClipboardContentType::image};

constexpr std::string_view rawValue(ClipboardContentType type) {
    return type == ClipboardContentType::image ? "image" : "text";
}

// The case with exactly this raw value (case-sensitive), or nothing.
constexpr std::optional<ClipboardContentType> clipboardContentTypeFromRawValue(std::string_view raw) {
    return caseWithRawValue(allClipboardContentTypes, raw);
}

}  // namespace quorvane

template <>
struct std::hash<quorvane::ClipboardContentType> : quorvane::RawValueHash<quorvane::ClipboardContentType> {};
