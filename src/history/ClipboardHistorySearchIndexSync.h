#pragma once

// The history store's side of the search index: turns entries into index rows and writes, deletes, empties
// and touches them as jobs on the search-index sync queue, so history writes never wait for SQLite (image
// saves excepted). Fills an empty index once at start-up on the same queue, then reconciles the index with
// the history, and refills the index whenever the store had to replace a damaged file. Schedule from the main
// thread; jobs run in submission order and keep their own reference to the index store, so they finish after
// the repository is gone.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
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
    // How index jobs read the history: callable from the index queue, each call with a connection of its own;
    // both may throw.
    struct HistorySource {
        // At most `most` ids of the history's records, those after `after` (from the first without it), in
        // ascending byte order (std::string's, as the index store gives its own); fewer only when no more
        // follow. A record of a type this build does not know is no entry: `entriesAmong` tells.
        std::function<std::vector<std::string>(const std::optional<std::string>& after, std::size_t most)>
            recordIDsAfter;
        // Those of `ids` (ascending, each once) that are entries, in that order.
        std::function<std::vector<std::string>(const std::vector<std::string>& ids)> entriesAmong;
        // Takes one batch; it may move the documents out.
        using Batch = std::function<void(std::vector<ClipboardSearchSourceDocument>&)>;
        // The documents of the entries of `ids` (ascending, each once) that are stored, in id order, handed
        // over at most `most` at a time (fewer when their texts are large).
        std::function<void(const std::vector<std::string>& ids, std::size_t most, const Batch& visit)>
            documentsOf;
        // The documents of every entry, newest first, handed over at most `most` at a time (fewer when their
        // texts are large).
        std::function<void(std::size_t most, const Batch& visit)> documentBatches;
    };

    // Counts of one reconciliation.
    struct Reconciliation {
        std::size_t entries = 0;
        std::size_t added = 0;
        std::size_t removed = 0;
        bool rebuilt = false;
    };

    // Without a store every operation does nothing, silently.
    ClipboardHistorySearchIndexSync(std::shared_ptr<ClipboardSearchIndexStoreProtocol> store,
                                    UserDefaults& userDefaults);
    // Runs the queued jobs; the store no longer reports to this object.
    ~ClipboardHistorySearchIndexSync();
    ClipboardHistorySearchIndexSync(const ClipboardHistorySearchIndexSync&) = delete;
    ClipboardHistorySearchIndexSync& operator=(const ClipboardHistorySearchIndexSync&) = delete;

    // Synchronously: written before the call returns (the image save), after the jobs queued before it.
    void scheduleUpsert(const ClipboardSearchSourceDocument& document, bool synchronously);
    // Each id once; an empty list queues nothing.
    void scheduleDelete(const std::vector<std::string>& ids);
    // Empties the index through a rebuild (the last-rebuild time becomes the time of the clear) and erases
    // what it held from its files, on the index queue behind the jobs queued before, and waits for it.
    // Returns why it failed, after logging it; nothing when it worked or there is no index.
    std::optional<std::string> clearNow();
    void scheduleTouch(const std::string& id, Date sortAt, std::optional<Date> lastAccessedAt,
                       std::int64_t accessCount);
    // Reads the history through `source` from now on, and returns without waiting for the index. On the
    // index queue: when the index holds no document (a one-row read) and `historyHasEntries()` (asked only
    // then, on the index queue; it may throw), fills the index from the history; writes queued meanwhile are
    // applied after it. Searches and recent pages step aside to the history until that job has looked and
    // filled. An index that holds anything is left alone. Then, each time the store replaces a damaged
    // file, a refill is queued behind the jobs queued before it (also for a replacement made before this
    // call). Failures are logged and leave the index as it was.
    void attachHistory(HistorySource source, std::function<bool()> historyHasEntries);
    // Queues the comparison of the history's entry ids with the index's document ids: missing documents are
    // added, orphans deleted, one INFO line gives the counts. Needs attachHistory().
    void scheduleReconciliation();
    // Documents converted and written per batch when the whole index is refilled from the history: a few
    // megabytes of text at a time, whatever the size of the history.
    static constexpr std::size_t kFillBatchSize = 2000;
    // Replaces the whole index by the history's documents, batch by batch. Throws what the history or the
    // store throws; the index is then as it was.
    static ClipboardSearchIndexStats refill(
        ClipboardSearchIndexStoreProtocol& store, const HistorySource& source,
        const std::function<ClipboardSearchIndexDocument(const ClipboardSearchSourceDocument&)>& convert);
    // Ids compared per page when the index is reconciled with the history: the memory it takes is that of a
    // few pages, whatever the size of the history.
    static constexpr std::size_t kReconciliationPageSize = 4096;
    // The reconciliation's work, run on the calling thread: the history's ids and the index's are walked side
    // by side in id order, `pageSize` of each at a time. Throws what the history or the store throws, and
    // when either gives its ids out of order; the pages mended before then stay mended.
    static Reconciliation reconcile(
        ClipboardSearchIndexStoreProtocol& store, const HistorySource& source,
        const std::function<ClipboardSearchIndexDocument(const ClipboardSearchSourceDocument&)>& convert,
        std::size_t pageSize = kReconciliationPageSize);

    // Queues `job` as an index job of its own, with or without an index store; it must not throw.
    void scheduleJob(std::function<void()> job) { queue_.async(std::move(job)); }

    // Waits for every job queued so far.
    void drain() { queue_.drain(); }
    // Waits for the queued jobs and lets go of the index store; later calls do nothing.
    void close();

private:
    // The pinyin setting is read for every write, so a changed setting applies from the next write on.
    static ClipboardSearchIndexDocument indexDocument(const ClipboardSearchSourceDocument& source,
                                                      bool pinyin);
    // Queues the replacement of the whole index by the history's documents; reads step aside until it ends.
    void scheduleFill(const char* failure, const char* done);
    // The fill's work on the index queue, logged as `done` with the counts or as `failure`. `onlyIfPending`:
    // nothing when no fill is pending any more, because one that read the history since has done the work.
    static void runFill(ClipboardSearchIndexStoreProtocol& store, const HistorySource& history,
                        UserDefaults& userDefaults, std::atomic<bool>& pending, bool onlyIfPending,
                        const char* failure, const char* done);
    // Queues `job` with the store; errors are logged as `failure` followed by the error's description.
    void submit(const char* failure, std::function<void(ClipboardSearchIndexStoreProtocol&)> job);

    // Queues a reconciliation when an index job failed since the last one.
    void retryLostWritesIfNeeded();

    std::shared_ptr<ClipboardSearchIndexStoreProtocol> store_;
    UserDefaults& userDefaults_;
    // Set on the main thread before any job that reads it is queued.
    std::shared_ptr<const HistorySource> history_;
    // A fill is queued and has not read the history yet: a damaged file replaced meanwhile needs no other,
    // and a queued fill that finds it cleared has been overtaken by one that read the history later.
    std::shared_ptr<std::atomic<bool>> fillPending_ = std::make_shared<std::atomic<bool>>(false);
    // Fills queued and not finished; reads step aside while any is.
    std::shared_ptr<std::atomic<int>> fillsUnfinished_ = std::make_shared<std::atomic<int>>(0);
    // Set by a failed index job (on the queue); the next scheduled work then reconciles first.
    std::shared_ptr<std::atomic<bool>> writesLost_ = std::make_shared<std::atomic<bool>>(false);
    // Set from a failed index write until one works again; only the first failure is logged.
    std::shared_ptr<std::atomic<bool>> writesFailing_ = std::make_shared<std::atomic<bool>>(false);
    SerialQueue queue_{"Quorvane.ClipboardHistoryRepository.SearchIndexSyncQueue"};
};

}  // namespace quorvane
