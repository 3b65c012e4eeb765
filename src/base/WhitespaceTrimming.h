#pragma once

// Trimming of white space and line breaks at both ends of a UTF-8 text, by the Unicode definition (spaces of
// every width, line and paragraph separators, tabs, form and line feeds, NEL), so an identifier pasted with a
// no-break space compares equal to the typed one. Safe from any thread.

#include <string>
#include <string_view>

namespace quorvane {

// `text` without leading and trailing white space and line breaks, as a view into `text`. Invalid bytes are
// never trimmed.
std::string_view trimmedWhitespaceAndNewlines(std::string_view text);

}  // namespace quorvane
