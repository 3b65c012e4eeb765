#include "searchindex/ClipboardSearchQueryText.h"

#include "model/SearchTextNormalizer.h"
#include "searchindex/SearchStrings.h"
#include "searchindex/SearchValueHash.h"

namespace quorvane {

ClipboardSearchQueryText::ClipboardSearchQueryText(std::string_view text)
    : normalizedText(SearchTextNormalizer::normalize(text)),
      compactText(search_strings::removingCharacters(normalizedText, " ")),
      tokens(search_strings::splitAtBlanks(normalizedText)) {}

}  // namespace quorvane

std::size_t std::hash<quorvane::ClipboardSearchQueryText>::operator()(
    const quorvane::ClipboardSearchQueryText& text) const noexcept {
    std::size_t seed = std::hash<std::string>{}(text.normalizedText);
    quorvane::search_hash::combine(seed, std::hash<std::string>{}(text.compactText));
    quorvane::search_hash::combine(seed, quorvane::search_hash::ofList(text.tokens));
    return seed;
}
