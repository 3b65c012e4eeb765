#include "base/WhitespaceTrimming.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace quorvane {
bool isUnicodeWhitespace(std::int32_t c) {
    if (c < 0x80) return c == ' ' || (c >= '\t' && c <= '\r');  // the common case without ICU
    return u_isUWhiteSpace(c);
}

bool isUnicodeWhitespace(char32_t c) {
    return c <= 0x10FFFF && isUnicodeWhitespace(static_cast<std::int32_t>(c));
}

bool isLineBreak(std::int32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

std::string_view trimmedWhitespaceAndNewlines(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(INT32_MAX)) return text;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());

    int32_t start = 0;
    while (start < length) {
        int32_t next = start;
        UChar32 c;
        U8_NEXT(bytes, next, length, c);
        if (!isUnicodeWhitespace(c)) break;
        start = next;
    }
    int32_t end = length;
    while (end > start) {
        int32_t previous = end;
        UChar32 c;
        U8_PREV(bytes, start, previous, c);
        if (!isUnicodeWhitespace(c)) break;
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

}  // namespace quorvane
