#pragma once

// Decides, from one row's own texts and columns, what the search statements decide with instr() and WHERE
// clauses: whether the row starts with or contains the query, holds every gram of it, and passes the
// filters. Exact, so rows that an index only narrows down are confirmed here. Pure; safe from any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "searchindex/ClipboardSearchIndexRow.h"
#include "searchindex/ClipboardSearchQueryText.h"

namespace quorvane {

class ClipboardSearchRowMatcher {
public:
    // Relevance tiers, best last: rows that start with the query rank before rows that only contain it.
    enum class Tier { none = 0, contains = 1, prefix = 2 };

    // The filter conditions of a search; an absent member sets no condition.
    struct Filters {
        std::optional<std::string> contentType;
        // Compared with SQLite's NOCASE rule (ASCII letters only).
        std::optional<std::string> classification;
        // An empty list lets no row through.
        std::optional<std::vector<std::string>> bundleIdentifiers;
        // Whole seconds since 1970: created at or after `lowerBound`, before `upperBound`.
        std::optional<std::int64_t> lowerBound;
        std::optional<std::int64_t> upperBound;

        bool empty() const {
            return !contentType && !classification && !bundleIdentifiers && !lowerBound && !upperBound;
        }
    };

    // Prefix when one of the four texts starts with the normalised or the compact query, contains when one
    // holds either of them, else none.
    static Tier tier(const ClipboardSearchIndexRow& row, const ClipboardSearchQueryText& query);
    // The substring condition: the normalised text holds the normalised query or the compact text the
    // compact query.
    static bool holdsSubstring(const ClipboardSearchIndexRow& row, const ClipboardSearchQueryText& query);
    // True when the compact or the pinyin text holds `text` as whole characters: starting and ending on
    // character boundaries and split into the same characters as `text` itself.
    static bool holdsCharacters(const ClipboardSearchIndexRow& row, std::string_view text);
    // True when every gram is held as whole characters (holdsCharacters).
    static bool holdsAllGrams(const ClipboardSearchIndexRow& row, const std::vector<std::string>& grams);
    static bool passes(const ClipboardSearchIndexRow& row, const Filters& filters);

    // SQLite's NOCASE equality: ASCII letters fold, every other byte compares as it is.
    static bool equalsNoCase(std::string_view a, std::string_view b);
    // `text` holds `part` somewhere (an empty part is held by every text, as instr() has it).
    static bool holds(std::string_view text, std::string_view part);
};

}  // namespace quorvane
