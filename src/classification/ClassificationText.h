#pragma once

// Text helpers shared by the classifier, its detectors and the highlighters: trimming, code-point reading,
// the character sets of the regular-expression dialect the patterns were written in, and comparisons that
// ignore letter case and diacritics. All work on UTF-8 and are linear in their input. Safe from any thread.

#include <unicode/umachine.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "base/WhitespaceTrimming.h"

namespace quorvane {

// One decoded code point and its length in bytes; invalid bytes read as U+FFFD, one byte at a time.
struct CodePoint {
    UChar32 value = 0;
    std::size_t length = 0;
};

CodePoint codePointAt(std::string_view text, std::size_t offset);
// The code point that ends right before `offset` (none at the start: value -1, length 0).
CodePoint codePointBefore(std::string_view text, std::size_t offset);

// White space that is not a line break.
bool isHorizontalWhitespace(UChar32 c);
// `\d` of the pattern dialect (decimal digits of any script).
bool isPatternDigit(UChar32 c);
// Marks and format characters that join the character before them (a boundary never falls before them).
bool extendsPreviousCharacter(UChar32 c);

std::string_view trimmedHorizontalWhitespace(std::string_view text);

// Full Unicode lower-casing, independent of the user's locale.
std::string lowercased(std::string_view text);
// The form used for comparisons that ignore letter case and diacritics.
std::string foldedForComparison(std::string_view text);
// True when `needle` occurs in `haystack` ignoring letter case and diacritics; an empty needle occurs.
bool containsIgnoringCaseAndDiacritics(std::string_view haystack, std::string_view needle);
// Plain substring search in guaranteed linear time (the needle may be long and repetitive).
bool containsSubstring(std::string_view haystack, std::string_view needle);

}  // namespace quorvane
