#pragma once

// The one way the panels, the settings pages and the shell read the search index: recent pages, search pages,
// a full rebuild from the history, statistics and timing metrics. Every call returns at once and answers its
// completion exactly once; see each implementation for the thread the answer arrives on.

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "search/ClipboardSearchResult.h"
#include "search/ClipboardSearchRuntimeOperationKind.h"
#include "search/ClipboardSearchRuntimeOperationMetrics.h"
#include "searchindex/ClipboardSearchIndexStats.h"
#include "searchindex/ClipboardSearchPage.h"
#include "searchindex/ClipboardSearchRebuildResult.h"

namespace quorvane {

class ClipboardSearchServiceProtocol {
public:
    using RuntimeMetrics =
        std::unordered_map<ClipboardSearchRuntimeOperationKind, ClipboardSearchRuntimeOperationMetrics>;
    using PageCompletion = std::function<void(ClipboardSearchResult<ClipboardSearchPage>)>;
    using RebuildCompletion = std::function<void(ClipboardSearchResult<ClipboardSearchRebuildResult>)>;
    using StatsCompletion = std::function<void(ClipboardSearchIndexStats)>;
    using MetricsCompletion = std::function<void(RuntimeMetrics)>;

    ClipboardSearchServiceProtocol() = default;
    virtual ~ClipboardSearchServiceProtocol() = default;
    ClipboardSearchServiceProtocol(const ClipboardSearchServiceProtocol&) = delete;
    ClipboardSearchServiceProtocol& operator=(const ClipboardSearchServiceProtocol&) = delete;

    // The most recent entries; a negative limit or offset counts as 0. Fails with the store's error.
    virtual void fetchRecent(std::int64_t limit, std::int64_t offset, PageCompletion completion) = 0;
    // The entries matching the raw text of the search field. Fails with the store's error.
    virtual void search(std::string query, std::int64_t limit, std::int64_t offset,
                        PageCompletion completion) = 0;
    // Replaces the index by documents built afresh from the whole history.
    virtual void rebuildIndex(RebuildCompletion completion) = 0;
    // Never fails: an unreadable index reports zero counts.
    virtual void indexStats(StatsCompletion completion) = 0;
    // One entry per operation kind that has been timed.
    virtual void runtimeMetrics(MetricsCompletion completion) = 0;
};

}  // namespace quorvane
