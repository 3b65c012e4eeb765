#include "search/ClipboardSearchQueryText.h"

#include <algorithm>

#include "core/SearchTextNormalizer.h"

namespace quorvane {

ClipboardSearchQueryText ClipboardSearchQueryText::make(std::string_view text) {
    ClipboardSearchQueryText query;
    query.normalizedText = SearchTextNormalizer::normalize(text);
    query.compactText = query.normalizedText;
    std::erase(query.compactText, ' ');
    std::string_view rest = query.normalizedText;
    while (!rest.empty()) {
        const auto blank = rest.find(' ');
        if (blank != 0) query.tokens.emplace_back(rest.substr(0, blank));
        if (blank == std::string_view::npos) break;
        rest.remove_prefix(blank + 1);
    }
    return query;
}

}  // namespace quorvane
