#include "history/ClipboardHistorySearchIndexSync.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <set>

#include "base/Logger.h"
#include "base/ReleaseFreedMemory.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {

namespace {

constexpr const char* kCategory = "ClipboardHistoryRepository";

// Returns whether `body` succeeded. With `failing`, failures after the first are not logged until a write
// works again, which one line says: a full disk fails every write alike.
bool runLogged(const char* failure, const std::function<void()>& body, std::atomic<bool>* failing = nullptr) {
    try {
        body();
    } catch (const std::exception& error) {
        if (!failing || !failing->exchange(true)) {
            Logger::error(std::string(failure) + error.what() +
                              (failing ? " (further failures are not logged until writing works again)" : ""),
                          kCategory);
        }
        return false;
    }
    if (failing && failing->exchange(false))
        Logger::info("Writing the clipboard search index works again", kCategory);
    return true;
}

}  // namespace

ClipboardHistorySearchIndexSync::ClipboardHistorySearchIndexSync(
    std::shared_ptr<ClipboardSearchIndexStoreProtocol> store, UserDefaults& userDefaults)
    : store_(std::move(store)), userDefaults_(userDefaults) {}

ClipboardHistorySearchIndexSync::~ClipboardHistorySearchIndexSync() {
    close();
}

ClipboardSearchIndexDocument ClipboardHistorySearchIndexSync::indexDocument(
    const ClipboardSearchSourceDocument& source, bool pinyin) {
    ClipboardSearchIndexConfiguration configuration;
    configuration.isPinyinIndexEnabled = pinyin;
    return ClipboardSearchIndexDocument::make(source, configuration);
}

void ClipboardHistorySearchIndexSync::submit(const char* failure,
                                             std::function<void(ClipboardSearchIndexStoreProtocol&)> job) {
    retryLostWritesIfNeeded();
    queue_.async(
        [store = store_, failure, job = std::move(job), lost = writesLost_, failing = writesFailing_] {
            if (!runLogged(
                    failure, [&] { job(*store); }, failing.get()))
                lost->store(true);
        });
}

void ClipboardHistorySearchIndexSync::retryLostWritesIfNeeded() {
    // A write lost to a full disk (or any failed write) is mended by the next index work, which shows the
    // disk may have room again; without this the index stays behind until the next start.
    if (!history_ || !writesLost_->exchange(false)) return;
    Logger::info("Retrying clipboard search index writes that failed earlier", kCategory);
    scheduleReconciliation();
}

void ClipboardHistorySearchIndexSync::scheduleUpsert(const ClipboardSearchSourceDocument& document,
                                                     bool synchronously) {
    if (!store_) return;
    constexpr const char* failure = "Failed to upsert clipboard search index document: ";
    // The setting as it is at the write; the row itself (normalised text, pinyin) is made on the index queue,
    // so the main thread only hands the entry over.
    const bool pinyin = clipboardSearchPinyinIndexEnabled(userDefaults_);
    if (synchronously) {
        // Through the queue, not past it: a rebuild queued earlier (a recovery, the start-up fill or
        // reconciliation, the search service's) would otherwise replace the index without this document.
        retryLostWritesIfNeeded();
        queue_.sync([&] {
            const bool written = runLogged(
                failure, [&] { store_->upsert(indexDocument(document, pinyin)); }, writesFailing_.get());
            if (!written) writesLost_->store(true);
        });
        return;
    }
    submit(failure, [document, pinyin](ClipboardSearchIndexStoreProtocol& store) {
        store.upsert(indexDocument(document, pinyin));
    });
}

void ClipboardHistorySearchIndexSync::scheduleDelete(const std::vector<std::string>& ids) {
    if (!store_ || ids.empty()) return;
    const std::set<std::string> unique(ids.begin(), ids.end());
    submit("Failed to delete clipboard search index documents: ",
           [ids = std::vector<std::string>(unique.begin(), unique.end())](
               ClipboardSearchIndexStoreProtocol& store) { store.deleteDocuments(ids); });
}

std::optional<std::string> ClipboardHistorySearchIndexSync::clearNow() {
    if (!store_) return std::nullopt;
    std::optional<std::string> failure;
    // On the queue, so no index job of ours runs beside it; the store keeps its own merges and checkpoints
    // out of the erase.
    queue_.sync([&] {
        try {
            store_->rebuild({});
            store_->eraseRemovedData();
            // Whatever failed before concerned entries that are gone now.
            writesLost_->store(false);
        } catch (const std::exception& error) {
            failure = error.what();
            writesLost_->store(true);
        }
    });
    if (failure) Logger::error("Failed to clear clipboard search index: " + *failure, kCategory);
    return failure;
}

void ClipboardHistorySearchIndexSync::scheduleTouch(const std::string& id, Date sortAt,
                                                    std::optional<Date> lastAccessedAt,
                                                    std::int64_t accessCount) {
    if (!store_) return;
    submit("Failed to touch clipboard search index document: ",
           [=](ClipboardSearchIndexStoreProtocol& store) {
               store.updateAccess(id, sortAt, lastAccessedAt, accessCount);
           });
}

void ClipboardHistorySearchIndexSync::attachHistory(HistorySource source,
                                                    const std::function<bool()>& historyHasEntries) {
    history_ = std::make_shared<const HistorySource>(std::move(source));
    if (!store_) return;
    // The history is read only for an empty index, which an ordinary start does not have.
    bool fill = false;
    runLogged("Failed to bootstrap clipboard search index: ",
              [&] { fill = store_->isEmpty() && historyHasEntries(); });
    // The fill holds the store's queue while it runs: the handler is set first, so this thread never waits
    // for it. A replacement reported meanwhile needs no fill of its own.
    if (fill) fillPending_->store(true);
    store_->setRecoveryHandler([this] {
        // Called on the store's queue: only queue the work, behind whatever was queued before the damage
        // showed.
        if (!fillPending_->load()) {
            scheduleFill("Failed to rebuild clipboard search index after recovery: ",
                         "Rebuilt clipboard search index after recovery");
        }
    });
    if (fill) {
        scheduleFill("Failed to bootstrap clipboard search index: ", "Bootstrapped clipboard search index");
    }
}

void ClipboardHistorySearchIndexSync::scheduleFill(const char* failure, const char* done) {
    ++*fillsUnfinished_;
    store_->setBeingFilled(true);
    fillPending_->store(true);
    queue_.async([store = store_, history = history_, pending = fillPending_, unfinished = fillsUnfinished_,
                  userDefaults = &userDefaults_, failure, done] {
        runLogged(failure, [&] {
            pending->store(false);
            const bool pinyin = clipboardSearchPinyinIndexEnabled(*userDefaults);
            const ClipboardSearchIndexStats stats =
                refill(*store, *history, [pinyin](const ClipboardSearchSourceDocument& source) {
                    return indexDocument(source, pinyin);
                });
            releaseFreedMemory();
            Logger::info(std::string(done) + ", documents=" + std::to_string(stats.documentCount) +
                             ", grams=" + std::to_string(stats.gramCount),
                         kCategory);
        });
        if (--*unfinished == 0) store->setBeingFilled(false);
    });
}

void ClipboardHistorySearchIndexSync::scheduleReconciliation() {
    if (!store_ || !history_) return;
    submit("Failed to reconcile clipboard search index: ", [this, history = history_](
                                                               ClipboardSearchIndexStoreProtocol& store) {
        // Read once, as a fill does, not for each of possibly every entry.
        const bool pinyin = clipboardSearchPinyinIndexEnabled(userDefaults_);
        const Reconciliation counts = reconcile(
            store, *history,
            [pinyin](const ClipboardSearchSourceDocument& source) { return indexDocument(source, pinyin); });
        releaseFreedMemory();
        Logger::info("Reconciled clipboard search index with history, entries=" +
                         std::to_string(counts.entries) + ", added=" + std::to_string(counts.added) +
                         ", removed=" + std::to_string(counts.removed) + (counts.rebuilt ? ", rebuilt" : ""),
                     kCategory);
    });
}

ClipboardSearchIndexStats ClipboardHistorySearchIndexSync::refill(
    ClipboardSearchIndexStoreProtocol& store, const HistorySource& source,
    const std::function<ClipboardSearchIndexDocument(const ClipboardSearchSourceDocument&)>& convert) {
    return store.rebuildInBatches([&](const ClipboardSearchIndexStoreProtocol::DocumentBatch& add) {
        std::vector<ClipboardSearchIndexDocument> rows;
        source.documentBatches(kFillBatchSize, [&](std::vector<ClipboardSearchSourceDocument>& sources) {
            rows.clear();
            rows.reserve(sources.size());
            for (const auto& document : sources) rows.push_back(convert(document));
            add(rows);
        });
    });
}

ClipboardHistorySearchIndexSync::Reconciliation ClipboardHistorySearchIndexSync::reconcile(
    ClipboardSearchIndexStoreProtocol& store, const HistorySource& source,
    const std::function<ClipboardSearchIndexDocument(const ClipboardSearchSourceDocument&)>& convert) {
    // The index first: an image is written to the index right after its history save, outside the queue, so
    // reading the history second can only find more entries than the index, never fewer.
    std::vector<std::string> indexed = store.documentItemIDs();
    std::vector<std::string> entries = source.entryIDs();
    std::sort(indexed.begin(), indexed.end());
    std::sort(entries.begin(), entries.end());
    std::set<std::string> missing;
    std::set_difference(entries.begin(), entries.end(), indexed.begin(), indexed.end(),
                        std::inserter(missing, missing.end()));
    std::vector<std::string> orphans;
    std::set_difference(indexed.begin(), indexed.end(), entries.begin(), entries.end(),
                        std::back_inserter(orphans));

    Reconciliation counts;
    counts.entries = entries.size();
    counts.removed = orphans.size();
    if (missing.empty() && orphans.empty()) return counts;
    // When most of the index is wrong (a replaced or reset history), one rebuild transaction is far cheaper
    // than a transaction per document.
    if (missing.size() * 2 > entries.size()) {
        refill(store, source, convert);
        counts.added = missing.size();
        counts.rebuilt = true;
        return counts;
    }
    const auto documents =
        missing.empty() ? std::vector<ClipboardSearchSourceDocument>{} : source.documents(&missing);
    store.syncVoid([&] {
        for (const auto& document : documents) store.upsert(convert(document));
        if (!orphans.empty()) store.deleteDocuments(orphans);
    });
    counts.added = documents.size();
    return counts;
}

void ClipboardHistorySearchIndexSync::close() {
    // Unhooked first, so a late recovery report cannot queue work that reads a closing history.
    if (store_) store_->setRecoveryHandler(nullptr);
    queue_.drain();
    store_.reset();
}

}  // namespace quorvane
