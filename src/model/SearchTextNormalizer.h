#pragma once

// The one normal form of search text (entry text, queries, filter values, application names) and the pinyin
// forms of Chinese ideographs that make entries findable by Latin letters. Used by the history store, the
// search index, the query parser and the panels. Safe from any thread; no operation fails.

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane {

class SearchTextNormalizer {
public:
    SearchTextNormalizer() = delete;

    // Pinyin of the ideographs in a text, for the search index's pinyin columns.
    struct LatinTransliteration {
        std::string compact;  // syllables joined without separator ("beijing")
        std::string spaced;   // syllables joined with one blank ("bei jing")

        friend bool operator==(const LatinTransliteration&, const LatinTransliteration&) = default;
    };

    // Only this many characters at the start of a text are transliterated, so the cost stays bounded.
    static constexpr std::size_t transliterationLimit = 100;

    // Case and diacritics folded (root locale, width kept), invisible characters (the default-ignorable code
    // points: zero-width space, joiners, soft hyphen, byte-order mark, variation selectors, ...) dropped,
    // every whitespace run made one blank, trimmed, lower-cased. An empty or all-whitespace text gives "".
    static std::string normalize(std::string_view text);
    // `text` without its invisible characters, everything else byte for byte; for texts normalised before
    // normalize() dropped them.
    static std::string withoutInvisibleCharacters(std::string_view text);

    // The syllables of the ideographs among the first `transliterationLimit` characters; every other
    // character, and every ideograph that has no syllable, is dropped.
    static LatinTransliteration latinTransliteration(std::string_view text);

    // The text with each run of ideographs in its first `transliterationLimit` characters followed by
    // "(<compact> <spaced>)"; the rest of the text is kept unchanged.
    static std::string pinyinAnnotatedText(std::string_view text);

    // True when the character's first code point is a CJK unified ideograph (the basic block or
    // extensions A, B, C).
    static bool isChineseIdeograph(std::string_view character);
};

}  // namespace quorvane
