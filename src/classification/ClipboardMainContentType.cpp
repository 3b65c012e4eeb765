#include "classification/ClipboardMainContentType.h"

#include <string>
#include <vector>

#include "model/SearchTextNormalizer.h"

namespace quorvane {
namespace {

// Type-filter words are compared in the normal form of search text.
std::string normalizedWord(std::string_view word) {
    return SearchTextNormalizer::normalize(word);
}

}  // namespace

const std::array<ClipboardMainContentTypeDefinition, 2>& ClipboardMainContentTypeDefinition::all() {
    static const std::array<ClipboardMainContentTypeDefinition, 2> table = {{
        {ClipboardMainContentType::text, "Text", "Includes clipboard text and rich text entries."},
        {ClipboardMainContentType::image, "Image",
         "Includes image clipboard entries, including OCR-searchable images."},
    }};
    return table;
}

std::string_view rawValue(ClipboardMainContentType type) {
    return type == ClipboardMainContentType::text ? "text" : "image";
}

std::string_view displayName(ClipboardMainContentType type) {
    return ClipboardMainContentTypeDefinition::all()[static_cast<std::size_t>(type)].displayName;
}

std::optional<ClipboardMainContentType> mainContentTypeFromRawValue(std::string_view raw) {
    for (const auto type : kAllMainContentTypes) {
        if (rawValue(type) == raw) return type;
    }
    return std::nullopt;
}

std::optional<ClipboardMainContentType> mainContentTypeMatching(std::string_view word) {
    const std::string normalized = normalizedWord(word);
    if (normalized.empty()) return std::nullopt;
    for (const auto type : kAllMainContentTypes) {
        const std::vector<std::string_view> aliases = type == ClipboardMainContentType::text
                                                          ? std::vector<std::string_view>{"text"}
                                                          : std::vector<std::string_view>{"image", "img"};
        for (const auto alias : aliases) {
            if (normalized == alias) return type;
        }
        if (normalized == normalizedWord(displayName(type)) || normalized == rawValue(type)) return type;
    }
    return std::nullopt;
}

}  // namespace quorvane
