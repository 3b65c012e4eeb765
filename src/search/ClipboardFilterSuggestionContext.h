#pragma once

// The colon fragment before the cursor of a search field (":js", ": image") that the type-filter suggestion
// list completes. Found by the query parser, handed back to it with the chosen suggestion.
// A plain value: safe from any thread.

#include <cstddef>
#include <string>

namespace quorvane {

// A span of a text in UTF-16 code units, the unit of the search field's cursor.
struct Utf16Range {
    std::size_t location = 0;
    std::size_t length = 0;
    friend bool operator==(const Utf16Range&, const Utf16Range&) = default;
};

struct ClipboardFilterSuggestionContext {
    // The span a chosen suggestion replaces: the colon, any whitespace after it and the prefix.
    Utf16Range replacementRange;
    // The value characters typed after the colon, possibly empty.
    std::string prefix;
    // The whole fragment text.
    std::string sourceText;

    friend bool operator==(const ClipboardFilterSuggestionContext&,
                           const ClipboardFilterSuggestionContext&) = default;
};

}  // namespace quorvane
