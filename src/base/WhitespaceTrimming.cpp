#include "base/WhitespaceTrimming.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace quorvane {
namespace {

// The Unicode White_Space property: blanks of every width, tabs, line and paragraph breaks, NEL.
bool isWhitespaceOrNewline(UChar32 c) {
    return c >= 0 && u_isUWhiteSpace(c);
}

}  // namespace

std::string_view trimmedWhitespaceAndNewlines(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(INT32_MAX)) return text;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());

    int32_t start = 0;
    while (start < length) {
        int32_t next = start;
        UChar32 c;
        U8_NEXT(bytes, next, length, c);
        if (!isWhitespaceOrNewline(c)) break;
        start = next;
    }
    int32_t end = length;
    while (end > start) {
        int32_t previous = end;
        UChar32 c;
        U8_PREV(bytes, start, previous, c);
        if (!isWhitespaceOrNewline(c)) break;
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

}  // namespace quorvane
