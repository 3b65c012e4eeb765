#pragma once

// The history store's own text matching, the fallback when a search through the search index fails: every
// word of the normalised query must occur in an entry's normalised search text (or in its blank-free form);
// whole-phrase and prefix matches come first, then recency. Pure functions, safe from any thread.

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
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
    // The matches of one query among snapshots offered one at a time, of which it keeps only the first
    // `limit` in rank order: a page of a large history never holds more than the page.
    class Matches {
    public:
        Matches(const std::string& searchQuery, std::optional<std::size_t> limit);
        // True for an empty or blank query, which every snapshot matches: the order is recency alone.
        bool matchesEverything() const { return query_.empty(); }
        void offer(ClipboardHistoryIndexSnapshot snapshot);
        // The kept matches in rank order.
        std::vector<ClipboardHistoryIndexSnapshot> take() &&;

    private:
        using Ranked = std::pair<ClipboardHistoryIndexSnapshot, SearchMatchRank>;
        static bool goesBefore(const Ranked& a, const Ranked& b);

        std::string query_;
        std::string compactQuery_;
        std::vector<std::string> terms_;
        std::optional<std::size_t> limit_;
        // A heap whose front is the last of the kept matches, the first to give way to a better one.
        std::vector<Ranked> kept_;
    };

    // The matching snapshots in rank order, cut to `limit` when given. An empty or blank query keeps every
    // snapshot, in recency order.
    static std::vector<ClipboardHistoryIndexSnapshot> filterAndRank(
        std::vector<ClipboardHistoryIndexSnapshot> snapshots, const std::string& searchQuery,
        std::optional<std::size_t> limit);
};

}  // namespace quorvane
