#pragma once

// Stands in for the search service when the index store could not be opened: the three reading operations
// fail with ClipboardSearchServiceError::unavailable, statistics are zero and there are no metrics. Answers
// at once, on the calling thread; logs and records nothing.

#include "search/ClipboardSearchServiceProtocol.h"

namespace quorvane {

class EmptyClipboardSearchService final : public ClipboardSearchServiceProtocol {
public:
    void fetchRecent(std::int64_t limit, std::int64_t offset, PageCompletion completion) override;
    void search(std::string query, std::int64_t limit, std::int64_t offset,
                PageCompletion completion) override;
    void rebuildIndex(RebuildCompletion completion) override;
    void indexStats(StatsCompletion completion) override;
    void runtimeMetrics(MetricsCompletion completion) override;
};

}  // namespace quorvane
