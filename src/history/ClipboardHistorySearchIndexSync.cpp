#include "history/ClipboardHistorySearchIndexSync.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <stdexcept>

#include "base/Logger.h"
#include "base/ReleaseFreedMemory.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "ClipboardHistoryRepository";

// Returns whether `body` succeeded. With `failing`, failures after the first are not logged until a write
// works again, which one line says: a full disk fails every write alike.
bool runLogged(const char* failure, const std::function<void()>& body, std::atomic<bool>* failing = nullptr) {
    try {
        body();
    } catch (const std::exception& error) {
        if (!failing || !failing->exchange(true)) {
            Logger::error(std::string(failure) + error.what() +
                              (failing ? " (further failures are not logged until writing works again)" : ""),
                          kLogCategory);
        }
        return false;
    }
    if (failing && failing->exchange(false))
        Logger::info("Writing the clipboard search index works again", kLogCategory);
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
    Logger::info("Retrying clipboard search index writes that failed earlier", kLogCategory);
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
    if (failure) Logger::error("Failed to clear clipboard search index: " + *failure, kLogCategory);
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
                                                    std::function<bool()> historyHasEntries) {
    history_ = std::make_shared<const HistorySource>(std::move(source));
    if (!store_) return;
    // Until the job below has looked, the index may be an empty one about to be filled: reads step aside.
    ++*fillsUnfinished_;
    store_->setBeingFilled(true);
    store_->setRecoveryHandler([this] {
        // Called on the store's queue: only queue the work, behind whatever was queued before the damage
        // showed.
        if (!fillPending_->load()) {
            scheduleFill("Failed to rebuild clipboard search index after recovery: ",
                         "Rebuilt clipboard search index after recovery");
        }
    });
    // Asked on the index queue, not here: the store's queue may be busy for long (reindexing an earlier
    // layout, a merge), and the start never waits for it.
    queue_.async([store = store_, history = history_, pending = fillPending_, unfinished = fillsUnfinished_,
                  userDefaults = &userDefaults_, historyHasEntries = std::move(historyHasEntries)] {
        // The history is read only for an empty index, which an ordinary start does not have.
        bool fill = false;
        runLogged("Failed to bootstrap clipboard search index: ",
                  [&] { fill = store->isEmpty() && historyHasEntries(); });
        // Filled here, before the work queued after this job; a fill that a replaced file queued meanwhile
        // then finds it has nothing left to do.
        if (fill) {
            runFill(*store, *history, *userDefaults, *pending, false,
                    "Failed to bootstrap clipboard search index: ", "Bootstrapped clipboard search index");
        }
        if (--*unfinished == 0) store->setBeingFilled(false);
    });
}

void ClipboardHistorySearchIndexSync::runFill(ClipboardSearchIndexStoreProtocol& store,
                                              const HistorySource& history, UserDefaults& userDefaults,
                                              std::atomic<bool>& pending, bool onlyIfPending,
                                              const char* failure, const char* done) {
    // Another fill read the history after this one was queued: it holds all this one would write.
    if (!pending.exchange(false) && onlyIfPending) return;
    runLogged(failure, [&] {
        const bool pinyin = clipboardSearchPinyinIndexEnabled(userDefaults);
        const ClipboardSearchIndexStats stats = refill(
            store, history,
            [pinyin](const ClipboardSearchSourceDocument& source) { return indexDocument(source, pinyin); });
        releaseFreedMemory();
        Logger::info(std::string(done) + ", documents=" + std::to_string(stats.documentCount) +
                         ", grams=" + std::to_string(stats.gramCount),
                     kLogCategory);
    });
}

void ClipboardHistorySearchIndexSync::scheduleFill(const char* failure, const char* done) {
    ++*fillsUnfinished_;
    store_->setBeingFilled(true);
    fillPending_->store(true);
    queue_.async([store = store_, history = history_, pending = fillPending_, unfinished = fillsUnfinished_,
                  userDefaults = &userDefaults_, failure, done] {
        runFill(*store, *history, *userDefaults, *pending, true, failure, done);
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
                     kLogCategory);
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

namespace {

// What one stretch of ids holds on one side and not the other, both ascending.
struct IDDifference {
    std::vector<std::string> missing;  // entries without a document
    std::vector<std::string> orphans;  // documents without an entry
};

void checkAscending(const std::vector<std::string>& ids, const std::optional<std::string>& after,
                    const char* side) {
    // A page out of order would make entries look missing and documents orphaned: better no mending.
    const bool ascending = std::adjacent_find(ids.begin(), ids.end(), std::greater_equal<>()) == ids.end();
    if (!ascending || (after && !ids.empty() && ids.front() <= *after))
        throw std::runtime_error(std::string("the ") + side + " gave its ids out of order");
}

// Walks the index's ids and the history's side by side in ascending order, `pageSize` of each at a time,
// and hands `visit` each stretch's differences (none for a stretch in step). Returns the entries counted.
std::size_t walkIDs(ClipboardSearchIndexStoreProtocol& store,
                    const ClipboardHistorySearchIndexSync::HistorySource& source, std::size_t pageSize,
                    const std::function<void(const IDDifference&)>& visit) {
    pageSize = std::max<std::size_t>(pageSize, 1);
    std::size_t entries = 0;
    std::optional<std::string> after;
    IDDifference difference;
    for (;;) {
        // For every stretch the index is read before the history. Every index write follows its entry's
        // history save (an image's document is written right after it), so an entry saved between the two
        // reads looks missing and is written once more, never an orphan deleted; an entry deleted meanwhile
        // is an orphan either way, its document going with it or with its own queued deletion.
        const std::vector<std::string> indexed = store.documentItemIDsAfter(after, pageSize);
        checkAscending(indexed, after, "search index");
        const std::vector<std::string> history = source.recordIDsAfter(after, pageSize);
        checkAscending(history, after, "history");
        // The stretch both pages cover: up to the smaller last id of a full page; a short page reaches the
        // end of its side.
        std::optional<std::string> last;
        if (indexed.size() >= pageSize) last = indexed.back();
        if (history.size() >= pageSize && (!last || history.back() < *last)) last = history.back();
        const auto endOf = [&](const std::vector<std::string>& ids) {
            return last ? std::upper_bound(ids.begin(), ids.end(), *last) : ids.end();
        };
        const auto indexedEnd = endOf(indexed);
        const auto historyEnd = endOf(history);
        difference.missing.clear();
        difference.orphans.clear();
        std::set_difference(history.begin(), historyEnd, indexed.begin(), indexedEnd,
                            std::back_inserter(difference.missing));
        std::set_difference(indexed.begin(), indexedEnd, history.begin(), historyEnd,
                            std::back_inserter(difference.orphans));
        // Only records without a document are read whole, to leave out those that are no entries: an
        // ordinary start reads none.
        std::size_t records = static_cast<std::size_t>(historyEnd - history.begin());
        if (!difference.missing.empty()) {
            const std::size_t before = difference.missing.size();
            difference.missing = source.entriesAmong(difference.missing);
            records -= before - std::min(before, difference.missing.size());
        }
        entries += records;
        if (!difference.missing.empty() || !difference.orphans.empty()) visit(difference);
        if (!last) return entries;
        after = std::move(last);
    }
}

}  // namespace

ClipboardHistorySearchIndexSync::Reconciliation ClipboardHistorySearchIndexSync::reconcile(
    ClipboardSearchIndexStoreProtocol& store, const HistorySource& source,
    const std::function<ClipboardSearchIndexDocument(const ClipboardSearchSourceDocument&)>& convert,
    std::size_t pageSize) {
    // First only counted, to choose between mending and one rebuild knowing the whole of both sides: an
    // ordinary start has nothing to mend and reads nothing more.
    Reconciliation counted;
    std::size_t missing = 0;
    counted.entries = walkIDs(store, source, pageSize, [&](const IDDifference& difference) {
        missing += difference.missing.size();
        counted.removed += difference.orphans.size();
    });
    if (missing == 0 && counted.removed == 0) return counted;
    // When most of the index is wrong (a replaced or reset history), one rebuild is far cheaper than
    // writing the documents one by one.
    const auto mostlyWrong = [&] { return missing * 2 > counted.entries; };
    if (mostlyWrong()) {
        refill(store, source, convert);
        counted.added = missing;
        counted.rebuilt = true;
        return counted;
    }
    // Then mended stretch by stretch, each in one group of store calls. Should the history have been
    // replaced since the count, the walk stops writing and counts on, and the rebuild follows it.
    Reconciliation mended;
    missing = 0;
    bool rebuild = false;
    mended.entries = walkIDs(store, source, pageSize, [&](const IDDifference& difference) {
        missing += difference.missing.size();
        mended.removed += difference.orphans.size();
        rebuild = rebuild || mostlyWrong();
        if (rebuild) return;
        store.syncVoid([&] {
            if (!difference.missing.empty()) {
                source.documentsOf(difference.missing, kFillBatchSize,
                                   [&](std::vector<ClipboardSearchSourceDocument>& documents) {
                                       for (const auto& document : documents) store.upsert(convert(document));
                                       mended.added += documents.size();
                                   });
            }
            if (!difference.orphans.empty()) store.deleteDocuments(difference.orphans);
        });
    });
    if (rebuild) {
        refill(store, source, convert);
        mended.added = missing;
        mended.rebuilt = true;
    }
    return mended;
}

void ClipboardHistorySearchIndexSync::close() {
    // Unhooked first, so a late recovery report cannot queue work that reads a closing history.
    if (store_) store_->setRecoveryHandler(nullptr);
    queue_.drain();
    store_.reset();
}

}  // namespace quorvane
