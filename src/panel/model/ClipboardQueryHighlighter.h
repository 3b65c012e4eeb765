#pragma once

// Finds the search terms of a query in a text the way the search folds text (case and accents ignored,
// SearchTextNormalizer's folding applied character by character) and returns the merged UTF-16 ranges to
// highlight. The terms are the whole query, then each of its words not already listed. A term that folds to
// nothing (a lone accent) is dropped, so the search always moves forward. Pure functions; safe from any
// thread.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

struct ClipboardTextSpan {
    std::size_t start = 0;   // UTF-16 units
    std::size_t length = 0;  // UTF-16 units
    std::size_t end() const { return start + length; }
    friend bool operator==(const ClipboardTextSpan&, const ClipboardTextSpan&) = default;
};

class ClipboardQueryHighlighter {
public:
    ClipboardQueryHighlighter() = delete;

    // The terms of a trimmed query, in order, without repeats that fold alike. Empty for an empty query.
    static std::vector<std::u16string> terms(std::u16string_view query);
    // The folded form of a text, one code point at a time; `origins` (when given) receives, for each folded
    // unit, the index of the text's code point it came from.
    static std::u16string fold(std::u16string_view text, std::vector<std::uint32_t>* origins = nullptr);
    // Every occurrence of every term, sorted and merged (overlapping and touching ranges become one).
    static std::vector<ClipboardTextSpan> ranges(std::u16string_view text, std::u16string_view query);
    // Sorted and merged copies of `spans`.
    static std::vector<ClipboardTextSpan> merged(std::vector<ClipboardTextSpan> spans);
};

}  // namespace quorvane
