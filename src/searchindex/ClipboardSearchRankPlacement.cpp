#include "searchindex/ClipboardSearchRankPlacement.h"

#include <algorithm>
#include <optional>

namespace quorvane {

ClipboardSearchRankPlacement::Placement ClipboardSearchRankPlacement::place(const Neighbours& neighbours) {
    const auto nearest = [&](bool newer) -> std::optional<std::int64_t> {
        const auto found = neighbours(newer, 1);
        if (found.empty()) return std::nullopt;
        return found.front().rank;
    };
    const auto newer = nearest(true);
    const auto older = nearest(false);
    if (!newer) return {older ? *older - kRankGap : 0, {}};
    if (!older) return {*newer + kRankGap, {}};
    if (*older - *newer >= 2) return {*newer + (*older - *newer) / 2, {}};
    return spread(neighbours, *newer, *older);
}

// Makes room between `newerRank` and `olderRank` by spreading a window of the documents on one side of the
// place over a wider span, doubled until that span has room. Both sides are measured at each size and the
// roomier one is spread: a run of entries mended between close neighbours then also uses the free ranks
// above the newest entry, instead of packing the older ones ever tighter.
ClipboardSearchRankPlacement::Placement ClipboardSearchRankPlacement::spread(const Neighbours& neighbours,
                                                                             std::int64_t newerRank,
                                                                             std::int64_t olderRank) {
    struct Side {
        std::vector<Ranked> documents;  // nearest first
        std::int64_t step = 0;
    };
    // The window of `window` documents past the place on one side, and the step it can be spread by: up to
    // the next document beyond it, or by kRankGap per document past the end of the order.
    const auto measure = [&](bool newer, std::int64_t window) {
        Side side{neighbours(newer, window + 1)};
        const bool last = static_cast<std::int64_t>(side.documents.size()) <= window;
        const std::int64_t from = newer ? olderRank : newerRank;
        std::int64_t bound = 0;
        if (last) {
            const std::int64_t end = side.documents.empty() ? from : side.documents.back().rank;
            bound = newer ? end - kRankGap * (window + 2) : end + kRankGap * (window + 2);
        } else {
            bound = side.documents.back().rank;
            side.documents.pop_back();
        }
        side.step =
            (newer ? from - bound : bound - from) / static_cast<std::int64_t>(side.documents.size() + 2);
        return side;
    };
    for (std::int64_t window = 8;; window *= 2) {
        const Side older = measure(false, window);
        const Side newer = measure(true, window);
        if (std::max(older.step, newer.step) < 2) continue;
        const bool towardNewer = newer.step > older.step;
        const Side& side = towardNewer ? newer : older;
        const std::int64_t from = towardNewer ? olderRank : newerRank;
        const std::int64_t direction = towardNewer ? -1 : 1;
        Placement placement{from + direction * side.step, {}};
        for (std::size_t i = 0; i < side.documents.size(); ++i) {
            const auto& document = side.documents[i];
            placement.moves.push_back({document.id, document.rank,
                                       from + direction * side.step * static_cast<std::int64_t>(i + 2)});
        }
        return placement;
    }
}

}  // namespace quorvane
