#pragma once

// Small string operations the query vocabulary, the application resolver and the index share: whitespace
// trimming, lower-casing, the case-insensitive comparison used to order and match names, and the grams of a
// text. Safe from any thread.

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::search_strings {

// True when the text holds some whitespace character.
bool containsWhitespace(std::string_view text);
// True when the last character of `text` is whitespace.
bool endsWithWhitespace(std::string_view text);
// `text` without leading and trailing whitespace and newlines, as its own string.
std::string trimmed(std::string_view text);
// Full Unicode lower case, independent of the user's locale.
std::string lowercased(std::string_view text);
// `text` cut at every blank (U+0020), empty pieces dropped.
std::vector<std::string> splitAtBlanks(std::string_view text);
std::string joined(const std::vector<std::string>& pieces, std::string_view separator);
// `text` without any of the characters in `removed` (ASCII only).
std::string removingCharacters(std::string_view text, std::string_view removed);
// `text` with every NUL taken for a blank: runs of NULs and blanks become one blank, none at either end. A
// text without NUL comes back unchanged. Full-text tokens must never hold a NUL (SQLite cuts its terms
// there).
std::string blankingNul(std::string_view text);
// <0, 0 or >0 as `a` sorts before, with or after `b` under the root collation, ignoring letter case (but
// not accents). The same under every process locale.
int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b);
// Every run of n consecutive characters (grapheme clusters) of `text`, for each n of `sizes`; a text shorter
// than n gives no grams of that size.
std::set<std::string> makeGrams(std::string_view text, const std::vector<int>& sizes);

}  // namespace quorvane::search_strings
