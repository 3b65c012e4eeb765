#pragma once

// The history store's side of the search index: turns entries into index rows and writes, deletes, empties
// and touches them as jobs on the search-index sync queue, so history writes never wait for SQLite (image
// saves excepted). Fills an empty index once at start-up. Schedule from the main thread; jobs run in
// submission order and keep their own reference to the index store, so they finish after the repository is
// gone.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Date.h"
#include "base/SerialQueue.h"
#include "platform/UserDefaults.h"
#include "searchindex/ClipboardSearchIndexStoreProtocol.h"
#include "searchindex/ClipboardSearchSourceDocument.h"

namespace quorvane {

class ClipboardHistorySearchIndexSync {
public:
    // Without a store every operation does nothing, silently.
    ClipboardHistorySearchIndexSync(std::shared_ptr<ClipboardSearchIndexStoreProtocol> store,
                                    UserDefaults& userDefaults);
    ClipboardHistorySearchIndexSync(const ClipboardHistorySearchIndexSync&) = delete;
    ClipboardHistorySearchIndexSync& operator=(const ClipboardHistorySearchIndexSync&) = delete;

    // Synchronously: written before the call returns (the image save), possibly ahead of queued jobs.
    void scheduleUpsert(const ClipboardSearchSourceDocument& document, bool synchronously);
    // Each id once; an empty list queues nothing.
    void scheduleDelete(const std::vector<std::string>& ids);
    // Empties the index through a rebuild, so the last-rebuild time becomes the time of the clear.
    void scheduleClear();
    void scheduleTouch(const std::string& id, Date sortAt, std::optional<Date> lastAccessedAt,
                       std::int64_t accessCount);
    // When the index holds no document, rebuilds it from `loadDocuments()` (which may throw). An index that
    // holds anything is left alone. Blocks until done; failures are logged and leave the index as it was.
    void bootstrapIfEmpty(const std::function<std::vector<ClipboardSearchSourceDocument>()>& loadDocuments);

    // Queues `job` as an index job of its own, with or without an index store; it must not throw.
    void scheduleJob(std::function<void()> job) { queue_.async(std::move(job)); }

    // Waits for every job queued so far.
    void drain() { queue_.drain(); }
    // Waits for the queued jobs and lets go of the index store; later calls do nothing.
    void close();

private:
    ClipboardSearchIndexDocument indexDocument(const ClipboardSearchSourceDocument& source) const;
    // Queues `job` with the store; errors are logged as `failure` followed by the error's description.
    void submit(const char* failure, std::function<void(ClipboardSearchIndexStoreProtocol&)> job);

    std::shared_ptr<ClipboardSearchIndexStoreProtocol> store_;
    UserDefaults& userDefaults_;
    SerialQueue queue_{"Quorvane.ClipboardHistoryRepository.SearchIndexSyncQueue"};
};

}  // namespace quorvane
