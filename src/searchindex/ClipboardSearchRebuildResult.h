#pragma once

// The outcome of a full index rebuild. A plain value.

#include <cstdint>

#include "searchindex/ClipboardSearchIndexStats.h"

namespace quorvane {

struct ClipboardSearchRebuildResult {
    // Documents handed to the rebuild.
    std::int64_t indexedCount = 0;
    ClipboardSearchIndexStats stats;

    friend bool operator==(const ClipboardSearchRebuildResult&,
                           const ClipboardSearchRebuildResult&) = default;
};

}  // namespace quorvane
