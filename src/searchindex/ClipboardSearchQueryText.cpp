#include "searchindex/ClipboardSearchQueryText.h"

#include "model/SearchTextNormalizer.h"
#include "searchindex/SearchStrings.h"
#include "searchindex/SearchValueHash.h"

namespace quorvane {

ClipboardSearchQueryText::ClipboardSearchQueryText(std::string_view text)
    : normalizedText(SearchTextNormalizer::normalize(text)),
      compactText(search_strings::removingCharacters(normalizedText, " ")),
      tokens(search_strings::splitAtBlanks(normalizedText)) {}

ClipboardSearchQueryText ClipboardSearchQueryText::withNulAsBlank() const {
    ClipboardSearchQueryText searchable;
    searchable.normalizedText = search_strings::blankingNul(normalizedText);
    searchable.compactText = search_strings::removingCharacters(compactText, std::string_view("\0", 1));
    for (const auto& token : tokens) {
        for (auto& piece : search_strings::splitAtBlanks(search_strings::blankingNul(token))) {
            searchable.tokens.push_back(std::move(piece));
        }
    }
    return searchable;
}

}  // namespace quorvane

std::size_t std::hash<quorvane::ClipboardSearchQueryText>::operator()(
    const quorvane::ClipboardSearchQueryText& text) const noexcept {
    std::size_t seed = std::hash<std::string>{}(text.normalizedText);
    quorvane::search_hash::combine(seed, std::hash<std::string>{}(text.compactText));
    quorvane::search_hash::combine(seed, quorvane::search_hash::ofList(text.tokens));
    return seed;
}
