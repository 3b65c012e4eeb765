#include "searchindex/SearchStrings.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <memory>

#include "base/Utf8.h"
#include "base/WhitespaceTrimming.h"

namespace quorvane::search_strings {
namespace {

// A collator is costly to open; each thread keeps one. It uses the root locale, not the process's: under
// LANG=C or POSIX the default is en_US_POSIX, whose collation keeps letter case apart at every strength.
icu::Collator* caseInsensitiveCollator() {
    thread_local std::unique_ptr<icu::Collator> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> created(icu::Collator::createInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) return std::unique_ptr<icu::Collator>();
        // Secondary strength: accents still count, letter case does not.
        created->setStrength(icu::Collator::SECONDARY);
        return created;
    }();
    return collator.get();
}

// The code point that starts at byte `offset`; invalid bytes read as U+FFFD.
UChar32 codePointAt(std::string_view text, int32_t& offset) {
    UChar32 c;
    U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), offset, static_cast<int32_t>(text.size()), c);
    return c < 0 ? 0xFFFD : c;
}

}  // namespace

bool containsWhitespace(std::string_view text) {
    for (int32_t offset = 0; offset < static_cast<int32_t>(text.size());) {
        if (isUnicodeWhitespace(codePointAt(text, offset))) return true;
    }
    return false;
}

bool endsWithWhitespace(std::string_view text) {
    if (text.empty()) return false;
    int32_t offset = static_cast<int32_t>(text.size());
    UChar32 c;
    U8_PREV(reinterpret_cast<const uint8_t*>(text.data()), 0, offset, c);
    return c >= 0 && isUnicodeWhitespace(c);
}

std::string trimmed(std::string_view text) {
    return std::string(trimmedWhitespaceAndNewlines(text));
}

std::string lowercased(std::string_view text) {
    auto unicode = toUnicodeString(text);
    unicode.toLower(icu::Locale::getRoot());
    return toUtf8(unicode);
}

std::vector<std::string> splitAtBlanks(std::string_view text) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t blank = std::min(text.find(' ', start), text.size());
        if (blank > start) pieces.emplace_back(text.substr(start, blank - start));
        start = blank + 1;
    }
    return pieces;
}

std::string joined(const std::vector<std::string>& pieces, std::string_view separator) {
    std::string result;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) result += separator;
        result += pieces[i];
    }
    return result;
}

std::string removingCharacters(std::string_view text, std::string_view removed) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (removed.find(c) == std::string_view::npos) result += c;
    }
    return result;
}

std::string blankingNul(std::string_view text) {
    if (text.find('\0') == std::string_view::npos) return std::string(text);
    std::string result;
    result.reserve(text.size());
    bool pendingBlank = false;
    for (const char c : text) {
        if (c == '\0' || c == ' ') {
            pendingBlank = !result.empty();
            continue;
        }
        if (pendingBlank) result += ' ';
        pendingBlank = false;
        result += c;
    }
    return result;
}

int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b) {
    if (auto* collator = caseInsensitiveCollator()) {
        UErrorCode status = U_ZERO_ERROR;
        const auto order =
            collator->compareUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
                                  icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
        if (U_SUCCESS(status)) return order;
    }
    const auto lowerA = lowercased(a);
    const auto lowerB = lowercased(b);
    return lowerA < lowerB ? -1 : (lowerA == lowerB ? 0 : 1);
}

std::set<std::string> makeGrams(std::string_view text, const std::vector<int>& sizes) {
    std::set<std::string> grams;
    if (text.empty() || sizes.empty()) return grams;
    const auto characters = splitCharacters(text);
    for (const int size : sizes) {
        if (size < 1 || characters.size() < static_cast<std::size_t>(size)) continue;
        for (std::size_t start = 0; start + size <= characters.size(); ++start) {
            // Characters are consecutive views into `text`, so a gram is one substring.
            const char* first = characters[start].data();
            const auto& last = characters[start + size - 1];
            grams.emplace(first, static_cast<std::size_t>(last.data() + last.size() - first));
        }
    }
    return grams;
}

}  // namespace quorvane::search_strings
