#include "history/ClipboardHistoryRepository.h"

#include <algorithm>
#include <exception>
#include <limits>

#include "base/Logger.h"
#include "base/RunAndWait.h"
#include "base/Sha256.h"
#include "base/WhitespaceTrimming.h"
#include "history/ClipboardHistoryClearRecord.h"
#include "history/ClipboardHistorySearchSource.h"
#include "history/ClipboardHistorySnapshotRanking.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "ClipboardHistoryRepository";

// Anything a failed operation left pending is dropped when the operation ends, so it can never be written by
// a later, unrelated save.
class PendingChangesGuard {
public:
    explicit PendingChangesGuard(ClipboardHistoryStoreContext& context) : context_(context) {}
    ~PendingChangesGuard() { context_.discardChanges(); }
    PendingChangesGuard(const PendingChangesGuard&) = delete;
    PendingChangesGuard& operator=(const PendingChangesGuard&) = delete;

private:
    ClipboardHistoryStoreContext& context_;
};

// The monitor's own test: it stops at the first character that is no white space, so a large text costs
// nothing, and a text the monitor captured (combining marks alone, say) is never refused here.
bool isBlank(std::string_view text) {
    return trimmedWhitespaceAndNewlines(text).empty();
}

std::int64_t flooredCount(std::int64_t count) {
    return std::max<std::int64_t>(count, 0);
}

// The index record of a new entry; it takes the item's search text and source, which nothing else needs.
template <class NewItem>
ClipboardHistoryIndex newIndexRecord(NewItem& item, Date createdAt, ClipboardContentType contentType,
                                     std::optional<std::string> classification) {
    return {item.id,
            item.preview,
            std::move(item.searchText),
            createdAt,
            item.lastAccessedAt,
            flooredCount(item.accessCount),
            contentType,
            std::move(item.bundleIdentifier),
            std::move(classification)};
}

ClipboardHistoryUsageMetadata usageOf(const ClipboardHistoryIndex& index) {
    return {index.lastAccessedAt, flooredCount(index.accessCount)};
}

bool isDamageError(const std::exception& error) {
    const auto* storeError = dynamic_cast<const HistoryStoreError*>(&error);
    return storeError && storeError->kind() == HistoryStoreError::Kind::damaged;
}

void reportDamage(std::atomic<bool>& damage, const std::filesystem::path& file, const std::string& cause) {
    if (damage.exchange(true)) return;
    Logger::error("The clipboard history file " + file.string() + " is damaged (" + cause +
                      "); nothing more is written to it in this run. To recover what it holds, quit Quorvane "
                      "and run: sqlite3 '" +
                      file.string() + "' .recover | sqlite3 '" + file.string() +
                      ".recovered', then move the recovered file into its place",
                  kLogCategory);
}

// Runs `body` on the read queue with a context of its own and hands the result to `completion` on the main
// queue, exactly once on every path: `fallback` when the store is gone or the body throws.
// `onDamage` runs on the main queue, before the completion, when the read found the file damaged.
template <class Result, class Body>
void runReadJob(SerialQueue& readQueue, MainQueue& mainQueue, std::weak_ptr<ClipboardHistoryStore> weakStore,
                const char* failure, Result fallback, Body body, std::function<void(Result)> completion,
                std::function<void(std::string)> onDamage) {
    readQueue.async([&mainQueue, weakStore = std::move(weakStore), failure, fallback = std::move(fallback),
                     body = std::move(body), completion = std::move(completion),
                     onDamage = std::move(onDamage)]() mutable {
        Result result = fallback;
        std::optional<std::string> damage;
        try {
            if (auto store = weakStore.lock()) {
                auto context = store->makeReadContext();
                result = body(*context);
            }
        } catch (const std::exception& error) {
            Logger::error(std::string(failure) + error.what(), kLogCategory);
            if (isDamageError(error)) damage = error.what();
            result = std::move(fallback);
        }
        mainQueue.post([completion = std::move(completion), result = std::move(result), damage,
                        onDamage = std::move(onDamage)]() mutable {
            if (damage && onDamage) onDamage(*damage);
            completion(std::move(result));
        });
    });
}

}  // namespace

ClipboardHistoryRepository::ClipboardHistoryRepository(
    DataDirectoryManager& dataDirectoryManager,
    std::shared_ptr<ClipboardSearchIndexStoreProtocol> searchIndexStore, MainQueue& mainQueue,
    NotificationCenter& notificationCenter, UserDefaults& userDefaults, const Clock& clock)
    : dataDirectoryManager_(dataDirectoryManager),
      mainQueue_(mainQueue),
      notificationCenter_(notificationCenter),
      userDefaults_(userDefaults),
      clock_(clock),
      indexSync_(std::move(searchIndexStore), userDefaults) {
    dataDirectoryManager.ensureStorageDirectoryExists();
    store_ = std::make_shared<ClipboardHistoryStore>(dataDirectoryManager.databaseFileURL());
    // The fill of an empty index and the reconciliation run on the index queue: start-up waits for neither.
    // The reconciliation mends what the index lacks otherwise (a write lost to a crash, a history replaced
    // under the index).
    // Asked on the index queue, through a connection of its own: that queue never waits for this thread.
    indexSync_.attachHistory(ClipboardHistorySearchSource::historySource(store_),
                             [weakStore = std::weak_ptr<ClipboardHistoryStore>(store_)] {
                                 const auto store = weakStore.lock();
                                 return store && store->makeReadContext()->hasIndexes();
                             });
    indexSync_.scheduleReconciliation();
    // A file damaged while the program was stopped is said at the start, not at the first copy that fails;
    // checked on the read queue, so the start does not wait for it.
    readQueue_.async([weakStore = std::weak_ptr<ClipboardHistoryStore>(store_), report = damageReporter(),
                      &mainQueue = mainQueue_] {
        const auto store = weakStore.lock();
        if (!store || !report) return;
        std::optional<std::string> damage;
        try {
            damage = store->findDamage();
        } catch (const std::exception& error) {
            Logger::error(std::string("Failed to check the clipboard history file: ") + error.what(),
                          kLogCategory);
        }
        if (damage) mainQueue.post([report, cause = *damage] { report(cause); });
    });
}

ClipboardHistoryRepository::~ClipboardHistoryRepository() {
    // Reads still queued answer empty; index jobs still queued run against the store they hold.
    closeStore();
}

std::weak_ptr<ClipboardHistoryStore> ClipboardHistoryRepository::storeForReading() const {
    std::lock_guard lock(storeMutex_);
    return store_;
}

void ClipboardHistoryRepository::closeStore() {
    std::shared_ptr<ClipboardHistoryStore> closing;
    {
        std::lock_guard lock(storeMutex_);
        closing = std::move(store_);
    }
}

template <class F>
auto ClipboardHistoryRepository::onMain(F&& body) -> decltype(body()) {
    if (mainQueue_.isMainThread()) return body();
    return runReturning([this](const std::function<void()>& job) { mainQueue_.runSync(job); }, body);
}

std::string ClipboardHistoryRepository::textFingerprint(std::string_view text) {
    Sha256 digest;
    digest.update(std::string_view("text\0", 5));
    digest.update(text);
    return digest.finalHex();
}

std::string ClipboardHistoryRepository::imageFingerprint(const Bytes& imageData) {
    return sha256Hex(imageData);
}

bool ClipboardHistoryRepository::saveContext() {
    if (isDamaged()) {
        // Writing into a damaged file can only make it worse, and failing copy after copy says nothing new.
        store_->mainContext().discardChanges();
        return false;
    }
    try {
        store_->mainContext().save();
    } catch (const std::exception& error) {
        noteDamage(error);
        // A full disk fails every copy alike: one ERROR says it, the next line says when it is over.
        if (!isDamaged() && failedSaves_++ == 0) {
            Logger::error(std::string("Failed to save clipboard history context: ") + error.what() +
                              " (further failures are not logged until saving works again)",
                          kLogCategory);
        }
        return false;
    }
    if (failedSaves_ > 0) {
        Logger::info(
            "Saving clipboard history works again after " + std::to_string(failedSaves_) + " failed saves",
            kLogCategory);
        failedSaves_ = 0;
    }
    return true;
}

std::function<void(std::string)> ClipboardHistoryRepository::damageReporter() const {
    const auto store = storeForReading().lock();
    if (!store) return nullptr;
    // Outlives the repository safely: the flag is shared and the notification center outlives every service.
    return [damage = damage_, &center = notificationCenter_, file = store->file()](const std::string& cause) {
        if (damage->load()) return;
        reportDamage(*damage, file, cause);
        center.post(historyDamagedNotification);
    };
}

void ClipboardHistoryRepository::noteDamage(const std::exception& error) {
    if (!isDamageError(error) || !store_ || isDamaged()) return;
    reportDamage(*damage_, store_->file(), error.what());
    notificationCenter_.post(historyDamagedNotification);
}

std::optional<ClipboardHistoryIndex> ClipboardHistoryRepository::findIndex(const std::string& id) {
    try {
        auto records = store_->mainContext().fetchIndexes({.idEquals = id});
        if (!records.empty()) return std::move(records.front());
    } catch (const std::exception& error) {
        noteDamage(error);
        Logger::error(std::string("Failed to find clipboard index: ") + error.what(), kLogCategory);
    }
    return std::nullopt;
}

std::optional<ClipboardHistoryContent> ClipboardHistoryRepository::findContent(const std::string& id) {
    try {
        auto records = store_->mainContext().fetchContents({.idEquals = id});
        if (!records.empty()) return std::move(records.front());
    } catch (const std::exception& error) {
        noteDamage(error);
        Logger::error(std::string("Failed to find clipboard content: ") + error.what(), kLogCategory);
    }
    return std::nullopt;
}

bool ClipboardHistoryRepository::isWithinSizeLimit(std::size_t byteCount) const {
    const std::int64_t megabytes = clipboardMonitorMaxItemSizeInMB(userDefaults_);
    if (byteCount <= static_cast<std::size_t>(megabytes) * 1'048'576u) return true;
    Logger::warning("Ignored clipboard item larger than limit", kLogCategory);
    return false;
}

void ClipboardHistoryRepository::postChange() {
    notificationCenter_.post(clipboardHistoryDidChange);
}

void ClipboardHistoryRepository::saveTextItem(NewTextItem item) {
    onMain([&] {
        if (!store_) return;
        if (isBlank(item.content)) {
            Logger::warning("Ignored empty clipboard text", kLogCategory);
            return;
        }
        if (!isWithinSizeLimit(item.content.size())) return;
        ClipboardHistoryIndex index =
            newIndexRecord(item, clock_.now(), ClipboardContentType::text, std::move(item.classification));
        // The search index reads the full text, not the search text.
        ClipboardSearchSourceDocument document = ClipboardHistorySearchSource::document(index, item.content);
        std::string fingerprint = textFingerprint(item.content);
        saveNewEntry(
            std::move(index),
            {std::move(item.id), std::move(item.content), std::nullopt, std::nullopt,
             std::move(item.richTextRTFData), std::move(item.richTextHTMLData), std::move(fingerprint)},
            document, false);
    });
}

void ClipboardHistoryRepository::saveImageItem(NewImageItem item) {
    onMain([&] {
        if (!store_) return;
        if (item.imageData.empty()) {
            Logger::warning("Ignored clipboard image without data", kLogCategory);
            return;
        }
        if (!isWithinSizeLimit(item.imageData.size())) return;
        ClipboardHistoryIndex index =
            newIndexRecord(item, clock_.now(), ClipboardContentType::image, std::nullopt);
        // The title stands in for the content; the recognised text is what search finds, and the image's row
        // is written before the call returns.
        ClipboardSearchSourceDocument document =
            ClipboardHistorySearchSource::document(index, item.ocrText.value_or(""));
        std::string fingerprint = imageFingerprint(item.imageData);
        saveNewEntry(std::move(index),
                     {std::move(item.id), std::move(item.preview), std::move(item.imageData),
                      std::move(item.ocrText), std::nullopt, std::nullopt, std::move(fingerprint)},
                     document, true);
    });
}

void ClipboardHistoryRepository::saveNewEntry(ClipboardHistoryIndex index, ClipboardHistoryContent content,
                                              const ClipboardSearchSourceDocument& document,
                                              bool indexSynchronously) {
    auto& context = store_->mainContext();
    PendingChangesGuard guard(context);
    context.insert(std::move(index));
    context.insert(std::move(content));
    if (!saveContext()) return;
    indexSync_.scheduleUpsert(document, indexSynchronously);
    postChange();
}

void ClipboardHistoryRepository::updateOCRText(const std::string& id, const std::string& searchText,
                                               const std::optional<std::string>& ocrText) {
    onMain([&] {
        if (!store_) return;
        auto index = findIndex(id);
        if (!index || index->contentType != ClipboardContentType::image) return;
        auto content = findContent(id);
        if (!content) return;
        auto& context = store_->mainContext();
        PendingChangesGuard guard(context);
        index->searchText = searchText;
        content->ocrText = ocrText;
        context.insert(*index);
        context.insert(std::move(*content));
        if (!saveContext()) return;
        indexSync_.scheduleUpsert(ClipboardHistorySearchSource::document(*index, ocrText.value_or("")),
                                  false);
    });
}

void ClipboardHistoryRepository::getHistorySnapshots(const std::string& searchQuery,
                                                     std::optional<std::size_t> limit,
                                                     SnapshotsCompletion completion) {
    runReadJob<std::vector<ClipboardHistoryIndexSnapshot>>(
        readQueue_, mainQueue_, storeForReading(), "Failed to fetch clipboard history snapshots: ", {},
        [searchQuery, limit](ClipboardHistoryStoreContext& context) {
            // Only the page is ever held: the panel asks a page of it on every load while the index is
            // filled, and a whole large history would take hundreds of megabytes each time.
            ClipboardHistorySnapshotRanking::Matches matches(searchQuery, limit);
            if (matches.matchesEverything()) {
                std::vector<ClipboardHistoryIndexSnapshot> page;
                for (const auto& record : context.fetchIndexes({.mostRecentFirst = true, .limit = limit}))
                    page.push_back(ClipboardHistoryIndexSnapshot::fromModel(record));
                return page;
            }
            context.visitIndexes({}, [&](ClipboardHistoryIndex& record) {
                matches.offer(ClipboardHistoryIndexSnapshot::fromModel(record));
            });
            return std::move(matches).take();
        },
        std::move(completion), damageReporter());
}

void ClipboardHistoryRepository::getContentSnapshotById(const std::string& id, ContentCompletion completion) {
    runReadJob<std::optional<ClipboardHistoryContentSnapshot>>(
        readQueue_, mainQueue_, storeForReading(),
        "Failed to fetch clipboard content snapshot: ", std::nullopt,
        [id](ClipboardHistoryStoreContext& context) -> std::optional<ClipboardHistoryContentSnapshot> {
            const auto records = context.fetchContents({.idEquals = id});
            if (records.empty()) return std::nullopt;
            return ClipboardHistoryContentSnapshot::fromModel(records.front());
        },
        std::move(completion), damageReporter());
}

void ClipboardHistoryRepository::getHistoryCounts(CountsCompletion completion) {
    runReadJob<ClipboardHistoryCounts>(
        readQueue_, mainQueue_, storeForReading(), "Failed to count clipboard history entries: ", {},
        [](ClipboardHistoryStoreContext& context) { return context.countIndexes(); }, std::move(completion),
        damageReporter());
}

void ClipboardHistoryRepository::getSearchSourceDocuments(
    std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> completion) {
    runReadJob<std::optional<std::vector<ClipboardSearchSourceDocument>>>(
        readQueue_, mainQueue_, storeForReading(),
        "Failed to fetch clipboard search source documents: ", std::nullopt,
        [](ClipboardHistoryStoreContext& context) {
            return std::optional(ClipboardHistorySearchSource::allDocuments(context));
        },
        std::move(completion), damageReporter());
}

void ClipboardHistoryRepository::rebuildSearchIndexInOrder(
    std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> rebuild) {
    // On the index queue, not the read queue: a read answered elsewhere could miss a change whose index
    // write then runs before the rebuild replaces the index.
    indexSync_.scheduleJob([weakStore = storeForReading(), rebuild = std::move(rebuild)] {
        std::optional<std::vector<ClipboardSearchSourceDocument>> documents;
        try {
            if (auto store = weakStore.lock()) {
                auto context = store->makeReadContext();
                documents = ClipboardHistorySearchSource::allDocuments(*context);
            }
        } catch (const std::exception& error) {
            Logger::error(std::string("Failed to fetch clipboard search source documents: ") + error.what(),
                          kLogCategory);
        } catch (...) {
            Logger::error("Failed to fetch clipboard search source documents: unknown error", kLogCategory);
        }
        rebuild(std::move(documents));
    });
}

void ClipboardHistoryRepository::deleteItem(const std::string& id) {
    onMain([&] {
        if (!store_) return;
        auto& context = store_->mainContext();
        PendingChangesGuard guard(context);
        bool found = false;
        if (findIndex(id)) {
            context.deleteIndex(id);
            found = true;
        }
        if (findContent(id)) {
            context.deleteContent(id);
            found = true;
        }
        if (!found || !saveContext()) return;
        indexSync_.scheduleDelete({id});
        postChange();
    });
}

std::int64_t ClipboardHistoryRepository::deleteExpiredItems(Date cutoff, ClipboardContentType contentType) {
    return onMain([&]() -> std::int64_t {
        if (!store_) return 0;
        auto& context = store_->mainContext();
        PendingChangesGuard guard(context);
        std::vector<std::string> ids;
        try {
            for (const auto& record : context.fetchIndexes({.createdBefore = cutoff})) {
                if (record.contentType == contentType) ids.push_back(record.id);
            }
        } catch (const std::exception& error) {
            noteDamage(error);
            Logger::error(std::string("Failed to delete expired clipboard history items: ") + error.what(),
                          kLogCategory);
            return 0;
        }
        if (ids.empty()) return 0;
        for (const auto& id : ids) {
            context.deleteIndex(id);
            // A missing content half is no error: the delete matches nothing.
            context.deleteContent(id);
        }
        if (!saveContext()) return 0;
        indexSync_.scheduleDelete(ids);
        postChange();
        return static_cast<std::int64_t>(ids.size());
    });
}

void ClipboardHistoryRepository::clearHistory() {
    (void)tryClearHistory();
}

std::optional<std::string> ClipboardHistoryRepository::tryClearHistory() {
    std::optional<std::string> failure;
    onMain([&] {
        if (dataDirectoryManager_.isStorageMoveRunning()) {
            failure = "the storage directory is being moved";
        } else if (!store_) {
            failure = "the history store is not open";
        } else {
            failure = clearStores();
        }
        if (failure) Logger::error("Failed to clear clipboard history: " + *failure, kLogCategory);
    });
    return failure;
}

std::optional<std::string> ClipboardHistoryRepository::clearStores() {
    const std::filesystem::path folder = store_->file().parent_path();
    // Recorded first: a clear cut short by the program's end is finished at the next start.
    try {
        ClipboardHistoryClearRecord::begin(folder, clock_.now());
    } catch (const std::exception& error) {
        return std::string("the clear could not be recorded in the storage folder: ") + error.what();
    }
    auto& context = store_->mainContext();
    {
        PendingChangesGuard guard(context);
        context.deleteAllIndexes();
        context.deleteAllContents();
        // The deletions run when the context is saved, so a failed save is a failed clear, and nothing of
        // it is left to finish.
        try {
            context.save();
        } catch (const std::exception& error) {
            std::error_code ignored;
            std::filesystem::remove(folder / ClipboardHistoryClearRecord::fileName, ignored);
            return std::string(error.what());
        }
    }
    postChange();
    // Cleared means unreadable: the removed texts must not linger in the index, in freed pages or in a log.
    std::optional<std::string> failure;
    if (auto indexFailure = indexSync_.clearNow())
        failure = "the search index was not cleared: " + *indexFailure;
    // Reads that started before the clear may still hold the log; the erase waits for them.
    readQueue_.drain();
    try {
        context.eraseRemovedData();
    } catch (const std::exception& error) {
        const std::string cause =
            std::string("the cleared entries were not erased from the history file: ") + error.what();
        failure = failure ? *failure + "; " + cause : cause;
    }
    if (failure) return failure;
    try {
        ClipboardHistoryClearRecord::end(folder);
    } catch (const std::exception& error) {
        // Harmless: the next start finds nothing more to clear than what was saved before this moment.
        Logger::warning(std::string("Failed to remove the record of a finished clear: ") + error.what(),
                        kLogCategory);
    }
    return std::nullopt;
}

void ClipboardHistoryRepository::removeEntry(const ClipboardHistoryContent& content,
                                             ClipboardHistoryUsageMetadata& usage,
                                             std::vector<std::string>& removedIDs) {
    auto& context = store_->mainContext();
    if (auto index = findIndex(content.id)) {
        usage = usage.merged(usageOf(*index));
        context.deleteIndex(content.id);
    }
    context.deleteContent(content.id);
    removedIDs.push_back(content.id);
}

ClipboardHistoryUsageMetadata ClipboardHistoryRepository::finishDuplicateRemoval(
    const ClipboardHistoryUsageMetadata& usage, const std::vector<std::string>& removedIDs) {
    if (removedIDs.empty()) return usage;
    // Nothing was removed when the save failed, so there is no usage to carry over either.
    if (!saveContext()) return ClipboardHistoryUsageMetadata::empty;
    indexSync_.scheduleDelete(removedIDs);
    postChange();
    return usage;
}

ClipboardHistoryUsageMetadata ClipboardHistoryRepository::removeDuplicateTexts(
    const std::string& text, const std::optional<Bytes>&, const std::optional<Bytes>&,
    const std::optional<std::string>& idToKeep) {
    return onMain([&]() -> ClipboardHistoryUsageMetadata {
        if (!store_) return ClipboardHistoryUsageMetadata::empty;
        auto& context = store_->mainContext();
        PendingChangesGuard guard(context);
        ClipboardHistoryUsageMetadata usage = ClipboardHistoryUsageMetadata::empty;
        std::vector<std::string> removedIDs;
        const auto removeTextCopies = [&](const std::vector<ClipboardHistoryContent>& candidates) {
            for (const auto& content : candidates) {
                if (idToKeep && *idToKeep == content.id) continue;
                if (std::find(removedIDs.begin(), removedIDs.end(), content.id) != removedIDs.end()) continue;
                // An image's stored content is its title: copying the text "Image 1920x1080" is no copy of
                // it.
                if (content.imageData || content.content != text) continue;
                if (auto index = findIndex(content.id);
                    index && index->contentType == ClipboardContentType::image) {
                    continue;
                }
                removeEntry(content, usage, removedIDs);
            }
        };
        try {
            removeTextCopies(context.fetchContents({.duplicateFingerprintEquals = textFingerprint(text)}));
            // Copies stored before fingerprints existed. Every other text copy carries this fingerprint, so
            // the look stays within the few records without one instead of comparing every stored text.
            removeTextCopies(
                context.fetchContents({.contentEquals = text, .withoutDuplicateFingerprint = true}));
        } catch (const std::exception& error) {
            noteDamage(error);
            Logger::error(std::string("Failed to remove duplicate clipboard texts: ") + error.what(),
                          kLogCategory);
            return ClipboardHistoryUsageMetadata::empty;
        }
        return finishDuplicateRemoval(usage, removedIDs);
    });
}

ClipboardHistoryUsageMetadata ClipboardHistoryRepository::removeDuplicateImages(
    const Bytes& imageData, const std::optional<std::string>& idToKeep) {
    return onMain([&]() -> ClipboardHistoryUsageMetadata {
        if (!store_) return ClipboardHistoryUsageMetadata::empty;
        auto& context = store_->mainContext();
        PendingChangesGuard guard(context);
        std::vector<ClipboardHistoryContent> candidates;
        try {
            candidates = context.fetchContents({.duplicateFingerprintEquals = imageFingerprint(imageData)});
        } catch (const std::exception& error) {
            noteDamage(error);
            Logger::error(std::string("Failed to remove duplicate clipboard images: ") + error.what(),
                          kLogCategory);
            return ClipboardHistoryUsageMetadata::empty;
        }
        ClipboardHistoryUsageMetadata usage = ClipboardHistoryUsageMetadata::empty;
        std::vector<std::string> removedIDs;
        for (const auto& content : candidates) {
            if (idToKeep && *idToKeep == content.id) continue;
            if (!content.imageData || *content.imageData != imageData) continue;
            removeEntry(content, usage, removedIDs);
        }
        return finishDuplicateRemoval(usage, removedIDs);
    });
}

void ClipboardHistoryRepository::recordUsage(const std::string& id) {
    onMain([&] {
        if (!store_) return;
        auto index = findIndex(id);
        if (!index) return;
        auto& context = store_->mainContext();
        PendingChangesGuard guard(context);
        index->lastAccessedAt = clock_.now();
        if (index->accessCount < 0) {
            index->accessCount = 1;
        } else if (index->accessCount < std::numeric_limits<std::int64_t>::max()) {
            index->accessCount += 1;
        }
        context.insert(*index);
        if (!saveContext()) return;
        indexSync_.scheduleTouch(index->id, index->sortAt(), index->lastAccessedAt, index->accessCount);
    });
}

void ClipboardHistoryRepository::quiesce() {
    onMain([&] {
        indexSync_.close();
        readQueue_.drain();
        closeStore();
    });
}

}  // namespace quorvane
