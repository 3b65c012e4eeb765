#pragma once

// One page of index results: the entries, and whether at least one more entry follows. A plain value.

#include <cstdint>
#include <vector>

#include "model/ClipboardHistoryIndexSnapshot.h"

namespace quorvane {

struct ClipboardSearchPage {
    std::vector<ClipboardHistoryIndexSnapshot> items;
    bool hasMore = false;

    // The entries of `rows` from `offset` on (a negative offset counts as 0), at most `limit` of them, and
    // whether any entry follows.
    static ClipboardSearchPage page(std::vector<ClipboardHistoryIndexSnapshot> rows, std::int64_t offset,
                                    std::int64_t limit);

    friend bool operator==(const ClipboardSearchPage&, const ClipboardSearchPage&) = default;
};

}  // namespace quorvane
