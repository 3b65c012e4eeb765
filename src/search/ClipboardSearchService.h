#pragma once

// The search service: parses queries, runs them on the shared index store, times every call and rebuilds the
// index from the history. Built by the service container once the repository and the index store exist.
// Every operation runs on the service's own serial queue, one at a time, except the second half of a rebuild
// (classifying and replacing the index), which runs among the repository's index jobs; completions are posted
// to `callbackQueue` (the main queue), each exactly once.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/SerialQueue.h"
#include "classification/ClipboardClassificationDetecting.h"
#include "history/ClipboardHistoryRepositoryProtocol.h"
#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"
#include "search/ClipboardSearchRuntimeMetricsRecorder.h"
#include "search/ClipboardSearchServiceProtocol.h"
#include "searchindex/ClipboardSearchIndexConfiguration.h"
#include "searchindex/ClipboardSearchIndexStoreProtocol.h"

namespace quorvane {

class ClipboardSearchService final : public ClipboardSearchServiceProtocol {
public:
    // `classifier` may be null: a rebuild then keeps every stored classification.
    ClipboardSearchService(std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository,
                           std::shared_ptr<ClipboardSearchIndexStoreProtocol> indexStore,
                           ClipboardSearchIndexConfiguration configuration,
                           std::shared_ptr<ClipboardClassificationDetecting> classifier,
                           std::shared_ptr<UserDefaults> userDefaults,
                           std::shared_ptr<MainQueue> callbackQueue,
                           std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>());
    // Runs every call already queued before returning; their completions are still posted. A rebuild still
    // waiting for the history answers that the service is unavailable.
    ~ClipboardSearchService() override;

    void fetchRecent(std::int64_t limit, std::int64_t offset, PageCompletion completion) override;
    void search(std::string query, std::int64_t limit, std::int64_t offset,
                PageCompletion completion) override;
    // Fails, leaving the index as it was, when the history cannot be read or the store cannot be rebuilt.
    // Reads the pinyin setting when it starts.
    void rebuildIndex(RebuildCompletion completion) override;
    void indexStats(StatsCompletion completion) override;
    void runtimeMetrics(MetricsCompletion completion) override;

    // Waits until every call queued so far has finished its work on the service's queue.
    void drain() { queue_.drain(); }

private:
    // Whether the service still exists, for answers that arrive from elsewhere (the history read).
    struct Lifetime {
        std::mutex mutex;
        bool alive = true;
    };

    // Classifies and converts the history's documents and replaces the index with them.
    void finishRebuild(std::vector<ClipboardSearchSourceDocument> sources,
                       const ClipboardSearchIndexConfiguration& configuration, Date start,
                       RebuildCompletion completion);
    void failRebuild(std::exception_ptr error, Date start, RebuildCompletion completion);
    void record(ClipboardSearchRuntimeOperationKind kind, Date start, bool failed);
    template <class T>
    void deliver(std::function<void(T)> completion, T value);

    std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository_;
    std::shared_ptr<ClipboardSearchIndexStoreProtocol> indexStore_;
    ClipboardSearchIndexConfiguration configuration_;
    std::shared_ptr<ClipboardClassificationDetecting> classifier_;
    std::shared_ptr<UserDefaults> userDefaults_;
    std::shared_ptr<MainQueue> callbackQueue_;
    std::shared_ptr<const Clock> clock_;
    ClipboardSearchRuntimeMetricsRecorder metricsRecorder_;
    std::shared_ptr<Lifetime> lifetime_ = std::make_shared<Lifetime>();
    // Last, so that it is drained while everything its jobs use still exists.
    SerialQueue queue_{"ClipboardSearchService.Queue"};
};

}  // namespace quorvane
