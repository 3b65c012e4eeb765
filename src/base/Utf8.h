#pragma once

// UTF-8 helpers. A "character" is a user-perceived character (an extended grapheme cluster: a flag, an emoji
// sequence, "e" plus a combining accent), never a byte or a code point. Invalid byte sequences count as one
// character each and are never dropped. Safe from any thread.

#include <unicode/unistr.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

bool isValidUtf8(std::string_view text);

// Number of characters in `text`.
std::size_t characterCount(std::string_view text);
// Number of characters, counting no further than `limit` (cheap on huge texts): min(count, limit).
std::size_t characterCountUpTo(std::string_view text, std::size_t limit);
// The first `count` characters of `text` (all of it when shorter), as a view into `text`.
std::string_view characterPrefix(std::string_view text, std::size_t count);
// `text` cut into its characters.
std::vector<std::string_view> splitCharacters(std::string_view text);

// Appends the UTF-8 form of one code point; NUL, surrogates and values beyond U+10FFFF become U+FFFD.
void appendUtf8(std::string& text, char32_t codePoint);

// Conversions between UTF-8 and ICU strings; invalid bytes become U+FFFD.
icu::UnicodeString toUnicodeString(std::string_view text);
std::string toUtf8(const icu::UnicodeString& text);

}  // namespace quorvane
