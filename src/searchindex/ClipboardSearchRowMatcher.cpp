#include "searchindex/ClipboardSearchRowMatcher.h"

#include <unicode/brkiter.h>
#include <unicode/utext.h>

#include <cstring>
#include <memory>

namespace quorvane {
namespace {

bool startsWith(std::string_view text, std::string_view part) {
    return text.size() >= part.size() && std::memcmp(text.data(), part.data(), part.size()) == 0;
}

bool isAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

icu::BreakIterator* characterIterator() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> created(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(created) : nullptr;
    }();
    return iterator.get();
}

// Character boundaries inside `text` (offsets after its first character up to its end).
std::vector<std::int32_t> innerBoundaries(std::string_view text) {
    std::vector<std::int32_t> boundaries;
    auto* iterator = characterIterator();
    UErrorCode status = U_ZERO_ERROR;
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    if (iterator == nullptr || U_FAILURE(status)) {
        utext_close(utext);
        return {};
    }
    iterator->setText(utext, status);
    for (std::int32_t at = iterator->next(); at != icu::BreakIterator::DONE; at = iterator->next()) {
        boundaries.push_back(at);
    }
    utext_close(utext);
    return boundaries;
}

// True when some occurrence of `part` in `text` is made of the same characters as `part`.
bool holdsAsCharacters(std::string_view text, std::string_view part) {
    if (part.empty()) return true;
    const void* found = memmem(text.data(), text.size(), part.data(), part.size());
    if (found == nullptr) return false;
    // ASCII has no character of more than one byte in a compact text (no line breaks survive).
    if (isAscii(text)) return true;
    const auto boundaries = innerBoundaries(part);
    auto* iterator = characterIterator();
    UErrorCode status = U_ZERO_ERROR;
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    if (iterator == nullptr || U_FAILURE(status)) {
        utext_close(utext);
        return false;
    }
    iterator->setText(utext, status);
    bool held = false;
    while (found != nullptr && !held) {
        const auto start = static_cast<std::int32_t>(static_cast<const char*>(found) - text.data());
        held = iterator->isBoundary(start);
        for (std::size_t i = 0; held && i < boundaries.size(); ++i) {
            held = iterator->next() == start + boundaries[i];
        }
        const auto next = static_cast<std::size_t>(start) + 1;
        found = next >= text.size()
                    ? nullptr
                    : memmem(text.data() + next, text.size() - next, part.data(), part.size());
    }
    utext_close(utext);
    return held;
}

}  // namespace

bool ClipboardSearchRowMatcher::holds(std::string_view text, std::string_view part) {
    return part.empty() || memmem(text.data(), text.size(), part.data(), part.size()) != nullptr;
}

ClipboardSearchRowMatcher::Tier ClipboardSearchRowMatcher::tier(const ClipboardSearchIndexRow& row,
                                                                const ClipboardSearchQueryText& query) {
    const std::string_view texts[] = {row.normalizedText, row.compactText, row.pinyinSpaced,
                                      row.pinyinCompact};
    const std::string_view parts[] = {query.normalizedText, query.compactText};
    bool contains = false;
    for (const auto text : texts) {
        for (const auto part : parts) {
            if (startsWith(text, part)) return Tier::prefix;
            contains = contains || holds(text, part);
        }
    }
    return contains ? Tier::contains : Tier::none;
}

bool ClipboardSearchRowMatcher::holdsSubstring(const ClipboardSearchIndexRow& row,
                                               const ClipboardSearchQueryText& query) {
    return holds(row.normalizedText, query.normalizedText) || holds(row.compactText, query.compactText);
}

bool ClipboardSearchRowMatcher::holdsCharacters(const ClipboardSearchIndexRow& row, std::string_view text) {
    return holdsAsCharacters(row.compactText, text) || holdsAsCharacters(row.pinyinCompact, text);
}

bool ClipboardSearchRowMatcher::holdsAllGrams(const ClipboardSearchIndexRow& row,
                                              const std::vector<std::string>& grams) {
    for (const auto& gram : grams) {
        if (!holdsCharacters(row, gram)) return false;
    }
    return true;
}

bool ClipboardSearchRowMatcher::equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

bool ClipboardSearchRowMatcher::passes(const ClipboardSearchIndexRow& row, const Filters& filters) {
    if (filters.contentType && row.contentType != *filters.contentType) return false;
    if (filters.classification &&
        (!row.classification || !equalsNoCase(*row.classification, *filters.classification))) {
        return false;
    }
    if (filters.bundleIdentifiers) {
        if (!row.bundleIdentifier) return false;
        bool matched = false;
        for (const auto& id : *filters.bundleIdentifiers)
            matched = matched || equalsNoCase(*row.bundleIdentifier, id);
        if (!matched) return false;
    }
    // SQLite compares a REAL column with an integer bound exactly; long double holds both exactly here.
    if (filters.lowerBound && !(static_cast<long double>(row.createdAt) >= *filters.lowerBound)) return false;
    if (filters.upperBound && !(static_cast<long double>(row.createdAt) < *filters.upperBound)) return false;
    return true;
}

}  // namespace quorvane
