#pragma once

// Trimming of white space and line breaks at both ends of a UTF-8 text, by the Unicode definition (spaces of
// every width, line and paragraph separators, tabs, form and line feeds, NEL), so an identifier pasted with a
// no-break space compares equal to the typed one. Safe from any thread.

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane {

// The Unicode White_Space property: blanks of every width, tabs, line and paragraph breaks, NEL. A negative
// value (an invalid byte as ICU decodes it) is not white space.
bool isUnicodeWhitespace(char32_t c);
bool isUnicodeWhitespace(std::int32_t c);

// A line break as text views count lines: LF, VT, FF, CR, NEL, LINE and PARAGRAPH SEPARATOR.
bool isLineBreak(std::int32_t c);

// `text` without leading and trailing white space and line breaks, as a view into `text`. Invalid bytes are
// never trimmed.
std::string_view trimmedWhitespaceAndNewlines(std::string_view text);

}  // namespace quorvane
