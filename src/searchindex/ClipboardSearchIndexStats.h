#pragma once

// Size of the search index and the time of its last full rebuild. A plain value.

#include <cstdint>
#include <optional>

#include "base/Date.h"

namespace quorvane {

struct ClipboardSearchIndexStats {
    std::int64_t documentCount = 0;
    // Rows of the gram table: one per distinct gram per document.
    std::int64_t gramCount = 0;
    std::optional<Date> lastRebuildAt;

    friend bool operator==(const ClipboardSearchIndexStats&, const ClipboardSearchIndexStats&) = default;
};

}  // namespace quorvane
