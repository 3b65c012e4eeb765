#pragma once

// The two main content types (text, image) that the classification settings enable and that the search's
// type filter accepts, with their fixed definition table. Plain values; safe from any thread.

#include <array>
#include <optional>
#include <string_view>

namespace quorvane {

enum class ClipboardMainContentType { text, image };

inline constexpr std::array<ClipboardMainContentType, 2> kAllMainContentTypes = {
    ClipboardMainContentType::text, ClipboardMainContentType::image};

struct ClipboardMainContentTypeDefinition {
    ClipboardMainContentType id;
    std::string_view displayName;
    std::string_view summary;

    static const std::array<ClipboardMainContentTypeDefinition, 2>& all();

    friend bool operator==(const ClipboardMainContentTypeDefinition&,
                           const ClipboardMainContentTypeDefinition&) = default;
};

// "text" or "image".
std::string_view rawValue(ClipboardMainContentType type);
// "Text" or "Image".
std::string_view displayName(ClipboardMainContentType type);
// Exact raw value; nothing for any other text.
std::optional<ClipboardMainContentType> mainContentTypeFromRawValue(std::string_view raw);
// A typed type-filter word, normalised like search text: "text" is text; "image" and "img" are image (also by
// normalised display name or raw value). Nothing for an empty or any other word.
std::optional<ClipboardMainContentType> mainContentTypeMatching(std::string_view word);

}  // namespace quorvane
