#pragma once

// The search field's query language: free words mixed with the filter words type:, app:, after: and before:
// (and the bare-colon type filter ":json"). Parses queries for the search service and the panels, owns the
// type-filter vocabulary, the chip-removal edit, the inline completions and the colon-fragment suggestions.
// Pure functions of their arguments and the classification settings in `defaults`: safe from any thread.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/UserDefaults.h"
#include "search/ClipboardFilterSuggestion.h"
#include "search/ClipboardFilterSuggestionContext.h"
#include "search/ClipboardParsedSearchQuery.h"
#include "searchindex/ClipboardSearchFilter.h"

namespace quorvane {

class ClipboardSearchQueryParser {
public:
    ClipboardSearchQueryParser() = delete;

    // One step of a tokenised query: exactly one of `filter` and `text` is present.
    struct SearchToken {
        std::string sourceToken;
        std::optional<ClipboardSearchFilter> filter;
        std::optional<std::string> text;
        friend bool operator==(const SearchToken&, const SearchToken&) = default;
    };

    using AliasMap = std::map<std::string, std::string>;

    // The text words and the filters of a raw query; never fails: whatever is no valid filter is a word.
    static ClipboardParsedSearchQuery parse(std::string_view query, const UserDefaults& defaults);
    // The tokens of an already normalised query, in order.
    static std::vector<SearchToken> tokenize(std::string_view normalizedQuery, const UserDefaults& defaults);
    // The filter a single word such as "type:json" stands for, if any.
    static std::optional<ClipboardSearchFilter> filterFromToken(std::string_view word,
                                                                const UserDefaults& defaults);
    // A filter of `kind` with `value`; nothing for an empty value or a date word that is no preset.
    static std::optional<ClipboardSearchFilter> makeFilter(ClipboardSearchFilterKind kind,
                                                           std::string_view value,
                                                           std::string_view sourceToken,
                                                           const UserDefaults& defaults);
    // The canonical value of a type-filter word: "Text"/"Image", a classification's display name, a user
    // classification name, or the word unchanged.
    static std::string canonicalTypeValue(std::string_view value, const UserDefaults& defaults);
    // The built-in or user classification name a type value stands for.
    static std::optional<std::string> classificationAlias(std::string_view value,
                                                          const UserDefaults& defaults);
    // Registers the key forms of `name` (normalised; its words joined by nothing, "-" and "_") for `value`.
    static void registerAliases(std::string_view name, const std::string& value, AliasMap& into);
    // The normalised name's words joined with "-" ("GitHub PR" gives "github-pr").
    static std::string hyphenatedKey(std::string_view name);
    // Every key of the built-in classifications and their aliases, mapped to the display name.
    static const AliasMap& builtInClassificationAliases();

    // Completion after "type:": the candidate keys that `prefix` begins, ordered by display name.
    static std::vector<std::string> typeFilterCandidates(std::string_view prefix,
                                                         const UserDefaults& defaults);
    // Completion after "after:" or "before:": the date words that begin with `prefix`.
    static std::vector<std::string> dateFilterValues(std::string_view prefix);
    // `query` (normalised) without every token whose source token normalises like `sourceToken`.
    static std::string removingFilterToken(std::string_view sourceToken, std::string_view query,
                                           const UserDefaults& defaults);

    // The colon fragment that ends the text before `cursorLocation` (UTF-16 units), if any.
    static std::optional<ClipboardFilterSuggestionContext> filterSuggestionContext(
        std::string_view text, std::ptrdiff_t cursorLocation);
    // The type-filter suggestions for a typed prefix, best match first.
    static std::vector<ClipboardFilterSuggestion> filterSuggestions(std::string_view prefix,
                                                                    const UserDefaults& defaults);
    // The best level (0 equal, 1 starts with, 2 compact starts with, 3 contains, 4 compact contains) at which
    // some key matches, with that key; (0, "") for an empty prefix.
    static std::optional<std::pair<int, std::string>> matchRank(const std::vector<std::string>& keys,
                                                                std::string_view prefix,
                                                                std::string_view compactPrefix);
    // `text` with `range` (clamped to the text) replaced by the suggestion's insert token, ending in
    // whitespace.
    static std::string applySuggestion(const ClipboardFilterSuggestion& suggestion, std::string_view text,
                                       Utf16Range range);
};

}  // namespace quorvane
