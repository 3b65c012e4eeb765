#pragma once

// Size of the search index and the time of its last full rebuild. A plain value.

#include <cstdint>
#include <optional>

#include "base/Date.h"

namespace quorvane {

struct ClipboardSearchIndexStats {
    std::int64_t documentCount = 0;
    // Distinct two- and three-character runs per document, summed over the documents.
    std::int64_t gramCount = 0;
    std::optional<Date> lastRebuildAt;

    friend bool operator==(const ClipboardSearchIndexStats&, const ClipboardSearchIndexStats&) = default;
};

}  // namespace quorvane
