#include "search/ClipboardSearchQueryText.h"

#include "search/SearchValueHash.h"

std::size_t std::hash<quorvane::ClipboardSearchQueryText>::operator()(
    const quorvane::ClipboardSearchQueryText& text) const noexcept {
    std::size_t seed = std::hash<std::string>{}(text.normalizedText);
    quorvane::search_hash::combine(seed, std::hash<std::string>{}(text.compactText));
    quorvane::search_hash::combine(seed, quorvane::search_hash::ofList(text.tokens));
    return seed;
}
