#pragma once

// The search index as the history store (writes) and the search service (reads, statistics, rebuild) see it.
// Every operation is synchronous, safe from any thread (statements run on the store's own serial queue) and
// throws SQLiteClipboardSearchIndexStoreError.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Date.h"
#include "base/RunAndWait.h"
#include "searchindex/ClipboardSearchFilter.h"
#include "searchindex/ClipboardSearchIndexDocument.h"
#include "searchindex/ClipboardSearchIndexStats.h"
#include "searchindex/ClipboardSearchPage.h"
#include "searchindex/ClipboardSearchQueryText.h"

namespace quorvane {

class ClipboardSearchIndexStoreProtocol {
public:
    virtual ~ClipboardSearchIndexStoreProtocol() = default;

    // Replaces the whole index by `documents` (in one transaction) and records the rebuild time.
    virtual ClipboardSearchIndexStats rebuild(const std::vector<ClipboardSearchIndexDocument>& documents) = 0;
    // Takes one batch of a batched rebuild.
    using DocumentBatch = std::function<void(const std::vector<ClipboardSearchIndexDocument>&)>;
    // Replaces the whole index by the documents `fill` hands, batch after batch, to the function it is
    // given: the same index as rebuild() with all of them in one list, without ever holding them all. `fill`
    // runs on the store's queue and must not call the store; what it throws undoes the whole rebuild. A
    // store that holds its documents in memory anyway gathers them and rebuilds once.
    virtual ClipboardSearchIndexStats rebuildInBatches(
        const std::function<void(const DocumentBatch&)>& fill) {
        std::vector<ClipboardSearchIndexDocument> all;
        fill([&](const std::vector<ClipboardSearchIndexDocument>& batch) {
            all.insert(all.end(), batch.begin(), batch.end());
        });
        return rebuild(all);
    }
    // Writes one document; an entry already indexed is replaced and gets a new, larger doc_id.
    virtual void upsert(const ClipboardSearchIndexDocument& document) = 0;
    // Removes the documents of these entries; unknown identifiers are no error.
    virtual void deleteDocuments(const std::vector<std::string>& itemIDs) = 0;
    // Sets the recency and usage of one entry; an unknown identifier changes nothing.
    virtual void updateAccess(const std::string& itemID, Date sortAt, std::optional<Date> lastAccessedAt,
                              std::int64_t accessCount) = 0;
    // Rewrites the index's files so that nothing removed from it stays readable there (after a clear). A
    // store that keeps nothing on disk has nothing to do.
    virtual void eraseRemovedData() {}
    // Counts every document and gram: for the statistics page, never for a decision at start.
    virtual ClipboardSearchIndexStats stats() = 0;
    // Whether the index holds no document; a store that can tell from one row overrides it.
    virtual bool isEmpty() { return stats().documentCount == 0; }
    // While set, searches and recent pages throw ClipboardSearchIndexBuildingError, so their callers answer
    // from the history instead of an index that is still being filled.
    virtual void setBeingFilled(bool filling) { (void)filling; }
    // At most `most` item identifiers, those after `after` (from the first without it), in ascending byte
    // order (std::string's): the index's ids a page at a time, each page a short read.
    virtual std::vector<std::string> documentItemIDsAfter(const std::optional<std::string>& after,
                                                          std::size_t most) = 0;
    // `handler` is called (on the store's queue; it must not call the store) each time the store found its
    // file damaged and replaced it by an empty index, so that the owner of the history refills it; a
    // replacement made before a handler was set is reported once it is set. Setting one returns without
    // waiting for the store's queue; null stops the reports and returns once no report can still come.
    virtual void setRecoveryHandler(std::function<void()> handler) { (void)handler; }

    // The most recently used or captured entries, newest first.
    virtual ClipboardSearchPage fetchRecent(std::int64_t limit, std::int64_t offset) = 0;
    // Entries matching the query text and every filter, most relevant first. A read that fails part-way
    // throws: a partial page is never returned.
    virtual ClipboardSearchPage search(const ClipboardSearchQueryText& query,
                                       const std::vector<ClipboardSearchFilter>& filters, std::int64_t limit,
                                       std::int64_t offset) = 0;

    // Runs `body` on the store's queue and waits for it; operations called from `body` run inline, so a
    // caller can group several of them without another caller's statements in between.
    virtual void syncVoid(const std::function<void()>& body) = 0;
    template <class F>
    auto syncReturning(F&& body) -> decltype(body()) {
        return runReturning([this](const std::function<void()>& job) { syncVoid(job); }, body);
    }
};

}  // namespace quorvane
