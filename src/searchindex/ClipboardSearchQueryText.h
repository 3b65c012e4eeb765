#pragma once

// The text part of a search query in the forms the index store matches against: normalised, without blanks,
// and as words. Built by the search service, read by the index store. A plain value: safe from any thread.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvane {

struct ClipboardSearchQueryText {
    std::string normalizedText;
    // normalizedText with every blank removed.
    std::string compactText;
    // normalizedText split at blanks, empty pieces dropped.
    std::vector<std::string> tokens;

    ClipboardSearchQueryText() = default;
    ClipboardSearchQueryText(std::string normalizedText, std::string compactText,
                             std::vector<std::string> tokens)
        : normalizedText(std::move(normalizedText)),
          compactText(std::move(compactText)),
          tokens(std::move(tokens)) {}
    // The forms of `text`, normalised for search.
    explicit ClipboardSearchQueryText(std::string_view text);

    // The same query with each NUL taken for a blank, as the index takes the NULs of a document's text.
    ClipboardSearchQueryText withNulAsBlank() const;

    friend bool operator==(const ClipboardSearchQueryText&, const ClipboardSearchQueryText&) = default;
};

}  // namespace quorvane

template <>
struct std::hash<quorvane::ClipboardSearchQueryText> {
    std::size_t operator()(const quorvane::ClipboardSearchQueryText& text) const noexcept;
};
