#include "base/CaseFolding.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>

#include "base/Utf8.h"

namespace quorvane {
namespace {

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool equalIgnoringCase(std::string_view left, std::string_view right) {
    if (left == right) return true;
    // Identifiers and most names are ASCII, where folding is lower-casing; this keeps lookups cheap.
    if (isAscii(left) && isAscii(right)) {
        return left.size() == right.size() &&
               std::equal(left.begin(), left.end(), right.begin(),
                          [](char a, char b) { return asciiLower(a) == asciiLower(b); });
    }
    return toUnicodeString(left).caseCompare(toUnicodeString(right), U_FOLD_CASE_DEFAULT) == 0;
}

}  // namespace quorvane
