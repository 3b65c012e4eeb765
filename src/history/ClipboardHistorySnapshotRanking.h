#pragma once

// The history store's own text matching, the fallback when a search through the search index fails: every
// word of the normalised query must occur in an entry's normalised search text (or in its blank-free form);
// whole-phrase and prefix matches come first, then recency. Pure functions, safe from any thread.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "model/ClipboardHistoryIndexSnapshot.h"

namespace quorvane {

class ClipboardHistorySnapshotRanking {
public:
    ClipboardHistorySnapshotRanking() = delete;

    struct SearchMatchRank {
        bool phraseMatch = false;  // the whole query occurs in the entry's text
        bool prefixMatch = false;  // the entry's text begins with the query
    };

    // True when `a` goes before `b`: later sort date, then later creation, then the greater id. Total over
    // distinct ids.
    static bool snapshotOrder(const ClipboardHistoryIndexSnapshot& a, const ClipboardHistoryIndexSnapshot& b);
    // Phrase matches first, then prefix matches, then snapshotOrder().
    static bool rankedSnapshotComparator(const ClipboardHistoryIndexSnapshot& a, const SearchMatchRank& rankA,
                                         const ClipboardHistoryIndexSnapshot& b,
                                         const SearchMatchRank& rankB);
    // The matching snapshots in rank order, cut to `limit` when given. An empty or blank query keeps every
    // snapshot, in recency order.
    static std::vector<ClipboardHistoryIndexSnapshot> filterAndRank(
        std::vector<ClipboardHistoryIndexSnapshot> snapshots, const std::string& searchQuery,
        std::optional<std::size_t> limit);
};

}  // namespace quorvane
