#pragma once

// One page of index results: the entries, and whether at least one more entry follows. A plain value.

#include <vector>

#include "model/ClipboardHistoryIndexSnapshot.h"

namespace quorvane {

struct ClipboardSearchPage {
    std::vector<ClipboardHistoryIndexSnapshot> items;
    bool hasMore = false;

    friend bool operator==(const ClipboardSearchPage&, const ClipboardSearchPage&) = default;
};

}  // namespace quorvane
