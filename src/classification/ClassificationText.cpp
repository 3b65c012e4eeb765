#include "classification/ClassificationText.h"

#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <vector>

#include "base/Utf8.h"
#include "base/WhitespaceTrimming.h"

namespace quorvane {

CodePoint codePointAt(std::string_view text, std::size_t offset) {
    if (offset >= text.size()) return {-1, 0};
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int64_t>(text.size());
    int64_t index = static_cast<int64_t>(offset);
    UChar32 c = 0;
    U8_NEXT_OR_FFFD(bytes, index, length, c);
    return {c, static_cast<std::size_t>(index) - offset};
}

CodePoint codePointBefore(std::string_view text, std::size_t offset) {
    if (offset == 0 || offset > text.size()) return {-1, 0};
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    auto index = static_cast<int32_t>(offset);
    UChar32 c = 0;
    U8_PREV_OR_FFFD(bytes, 0, index, c);
    return {c, offset - static_cast<std::size_t>(index)};
}

bool isHorizontalWhitespace(UChar32 c) {
    return c == '\t' || (c >= 0 && u_charType(c) == U_SPACE_SEPARATOR);
}

bool isPatternDigit(UChar32 c) {
    return c >= 0 && u_charType(c) == U_DECIMAL_DIGIT_NUMBER;
}

bool extendsPreviousCharacter(UChar32 c) {
    return c >= 0 && (u_hasBinaryProperty(c, UCHAR_GRAPHEME_EXTEND) || u_charType(c) == U_FORMAT_CHAR);
}

namespace {

template <class Predicate>
std::string_view trimmed(std::string_view text, Predicate isBlank) {
    std::size_t start = 0;
    while (start < text.size()) {
        const CodePoint c = codePointAt(text, start);
        if (!isBlank(c.value)) break;
        start += c.length;
    }
    std::size_t end = text.size();
    while (end > start) {
        const CodePoint c = codePointBefore(text, end);
        if (!isBlank(c.value)) break;
        end -= c.length;
    }
    return text.substr(start, end - start);
}

bool isAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

}  // namespace

std::string_view trimmedHorizontalWhitespace(std::string_view text) {
    return trimmed(text, isHorizontalWhitespace);
}

std::string lowercased(std::string_view text) {
    if (isAscii(text)) {
        std::string result(text);
        for (char& c : result) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        return result;
    }
    icu::UnicodeString unicode = toUnicodeString(text);
    unicode.toLower(icu::Locale::getRoot());
    return toUtf8(unicode);
}

std::string foldedForComparison(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* decomposer = icu::Normalizer2::getNFDInstance(status);
    icu::UnicodeString unicode = toUnicodeString(text);
    if (U_SUCCESS(status) && decomposer != nullptr) {
        icu::UnicodeString decomposed = decomposer->normalize(unicode, status);
        if (U_SUCCESS(status)) unicode = std::move(decomposed);
    }
    // Diacritics are the non-spacing marks left after decomposition.
    icu::UnicodeString stripped;
    stripped.getBuffer(unicode.length());
    stripped.releaseBuffer(0);
    for (int32_t i = 0; i < unicode.length();) {
        const UChar32 c = unicode.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK) stripped.append(c);
        i += U16_LENGTH(c);
    }
    stripped.foldCase();
    return toUtf8(stripped);
}

bool containsIgnoringCaseAndDiacritics(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return true;
    return containsSubstring(foldedForComparison(haystack), foldedForComparison(needle));
}

bool containsSubstring(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return true;
    if (needle.size() > haystack.size()) return false;
    // Knuth-Morris-Pratt: no input can make it revisit the haystack.
    std::vector<std::size_t> border(needle.size(), 0);
    for (std::size_t i = 1, k = 0; i < needle.size(); ++i) {
        while (k > 0 && needle[i] != needle[k]) k = border[k - 1];
        if (needle[i] == needle[k]) ++k;
        border[i] = k;
    }
    for (std::size_t i = 0, k = 0; i < haystack.size(); ++i) {
        while (k > 0 && haystack[i] != needle[k]) k = border[k - 1];
        if (haystack[i] == needle[k]) ++k;
        if (k == needle.size()) return true;
    }
    return false;
}

}  // namespace quorvane
