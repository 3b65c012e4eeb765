#pragma once

// The text part of a search query in the forms the index matches: normalised, without blanks, and split into
// words. Built by the search service, read by the index store. A plain value.

#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

struct ClipboardSearchQueryText {
    std::string normalizedText;
    // normalizedText without blanks.
    std::string compactText;
    // normalizedText split at blanks.
    std::vector<std::string> tokens;

    static ClipboardSearchQueryText make(std::string_view text);

    friend bool operator==(const ClipboardSearchQueryText&, const ClipboardSearchQueryText&) = default;
};

}  // namespace quorvane
