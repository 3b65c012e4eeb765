#pragma once

// The kind of a history entry, stored and exchanged as its raw string ("text" or "image").
// A plain value: safe from any thread.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

enum class ClipboardContentType { text, image };

// Every case, in declaration order.
inline constexpr std::array<ClipboardContentType, 2> allClipboardContentTypes{ClipboardContentType::text,
                                                                              ClipboardContentType::image};

// "text" or "image".
std::string_view rawValue(ClipboardContentType type);
// The case whose raw string is exactly `raw` (case-sensitive), else nothing.
std::optional<ClipboardContentType> clipboardContentTypeFromRawValue(std::string_view raw);

}  // namespace quorvane

// Hashes by the raw string, so the hash is stable across builds that reorder the cases.
template <>
struct std::hash<quorvane::ClipboardContentType> {
    std::size_t operator()(quorvane::ClipboardContentType type) const noexcept {
        return std::hash<std::string_view>{}(quorvane::rawValue(type));
    }
};
