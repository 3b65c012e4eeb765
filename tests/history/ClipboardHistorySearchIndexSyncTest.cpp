// The history and its search index agree after every start: damage, lost writes and replaced files are
// mended from the history, the only source of truth. Real files on both sides, and the reconciliation's walk
// over both ids in memory, where saves and deletions can be made to land between its reads.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>

#include "history/ClipboardHistoryRepository.h"
#include "history/ClipboardHistorySearchSource.h"
#include "history/RecordingSearchIndexStore.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "support/LogCapture.h"
#include "support/PagedIDs.h"
#include "support/RawSqlite.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

class ClipboardHistorySearchIndexSyncTest : public ::testing::Test {
protected:
    ClipboardHistorySearchIndexSyncTest()
        : loop_(*clock_),
          center_(loop_),
          directories_(*defaults_, workspace_, [this](const std::string& name) -> std::optional<std::string> {
              if (name == "QUORVANE_STORAGE_DIRECTORY") return storage().string();
              return std::nullopt;
          }) {}
    ~ClipboardHistorySearchIndexSyncTest() override { stop(); }

    std::filesystem::path storage() const { return directory_ / "data"; }
    std::filesystem::path historyFile() const { return storage() / "clipboard_history.sqlite"; }
    std::filesystem::path indexFile() const { return storage() / "clipboard_search.sqlite"; }

    // Opens both files as the container does, and waits for the start-up index jobs.
    ClipboardHistoryRepository& start() {
        std::filesystem::create_directories(storage());
        index_ = std::make_shared<SQLiteClipboardSearchIndexStore>(indexFile(), defaults_, clock_);
        repository_ = std::make_unique<ClipboardHistoryRepository>(directories_, index_, loop_, center_,
                                                                   *defaults_, *clock_);
        repository_->waitForSearchIndexJobs();
        return *repository_;
    }
    // A clean stop: queued jobs run, both files close.
    void stop() {
        if (repository_) repository_->quiesce();
        repository_.reset();
        index_.reset();
    }

    void saveTexts(int count, const std::string& prefix = "entry") {
        saveTextsQueued(count, prefix);
        repository_->waitForSearchIndexJobs();
    }
    // Saves without waiting for the index jobs the saves queue.
    void saveTextsQueued(int count, const std::string& prefix) {
        for (int i = 0; i < count; ++i) {
            clock_->advance(1);
            repository_->saveTextItem({.id = prefix + "-" + std::to_string(i),
                                       .preview = "preview",
                                       .searchText = "search",
                                       .content = prefix + " number " + std::to_string(i)});
        }
    }

    std::vector<std::string> indexedIDs() {
        if (repository_) repository_->waitForSearchIndexJobs();
        return testing::allPagedIDs([&](const std::optional<std::string>& after, std::size_t most) {
            return index_->documentItemIDsAfter(after, most);
        });
    }
    std::vector<std::string> historyIDs() {
        ClipboardHistoryStore store(historyFile());
        const auto context = store.makeReadContext();
        return testing::allPagedIDs([&](const std::optional<std::string>& after, std::size_t most) {
            return context->fetchRecordIDsAfter(after, most);
        });
    }
    // How many documents a full-text search for `text` finds.
    std::size_t found(const std::string& text) {
        return index_->search(ClipboardSearchQueryText(text), {}, 1000, 0).items.size();
    }

    testing::TemporaryDirectory directory_;
    std::shared_ptr<FakeClock> clock_ = std::make_shared<FakeClock>(Date(1'000'000));
    ManualRunLoop loop_;
    NotificationCenter center_;
    std::shared_ptr<InMemoryUserDefaults> defaults_ = std::make_shared<InMemoryUserDefaults>();
    RecordingWorkspaceOpener workspace_;
    DataDirectoryManager directories_;
    std::shared_ptr<SQLiteClipboardSearchIndexStore> index_;
    std::unique_ptr<ClipboardHistoryRepository> repository_;
};

TEST_F(ClipboardHistorySearchIndexSyncTest, DamagedIndexPageFoundAfterTheOpenIsRebuiltFromTheHistory) {
    start();
    saveTexts(200);
    stop();
    // The gram table and its index: a count may read either.
    testing::damageFirstPageOf(indexFile(), "search_words_data");
    testing::damageFirstPageOf(indexFile(), "search_trigrams_data");

    testing::LogCapture log;
    start();
    // Start-up reads no full-text table; the damage shows at the first search, which steps aside (its caller
    // answers from the history), and the empty index that replaced the file is filled again on the index
    // queue.
    EXPECT_THROW(found("entry number"), SQLiteClipboardSearchIndexStoreError);
    index_->syncVoid([] {});
    repository_->waitForSearchIndexJobs();
    EXPECT_TRUE(log.contains("ERROR", "moved it to"));
    EXPECT_TRUE(log.contains("INFO", "Rebuilt clipboard search index after recovery, documents=200"));
    EXPECT_EQ(indexedIDs(), historyIDs());
    // Captured after the recovery: written on top of the rebuilt index, not lost under it.
    saveTexts(1, "later");
    stop();

    start();
    EXPECT_EQ(indexedIDs().size(), 201u);
    EXPECT_EQ(found("entry number"), 200u);
    EXPECT_EQ(found("number 137"), 1u);
    EXPECT_EQ(found("later"), 1u);
}

// Holds the index store's queue with a job of its own until released, or for a minute at most, as a long
// reindex or merge would.
class HeldIndexQueue {
public:
    explicit HeldIndexQueue(SQLiteClipboardSearchIndexStore& store)
        : holder_([this, &store] {
              store.syncVoid([this] {
                  std::unique_lock lock(mutex_);
                  entered_ = true;
                  changed_.notify_all();
                  timedOut_ = !changed_.wait_for(lock, std::chrono::minutes(1), [this] { return released_; });
              });
          }) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return entered_; });
    }
    ~HeldIndexQueue() { release(); }

    // Lets the queue go on; true when it was still held until now.
    bool release() {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        changed_.notify_all();
        if (holder_.joinable()) holder_.join();
        return !timedOut_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool released_ = false;
    bool timedOut_ = false;
    std::thread holder_;
};

TEST_F(ClipboardHistorySearchIndexSyncTest, StartFinishesWhileTheIndexQueueIsBusy) {
    start();
    saveTexts(30);
    stop();
    // Each start below meets an index whose queue stays busy: the start must not wait for it, searches step
    // aside to the history meanwhile, and the index work follows in its order once the queue is free.
    const auto startHeld = [&](const char* expectedLine) {
        std::filesystem::create_directories(storage());
        testing::LogCapture log;
        index_ = std::make_shared<SQLiteClipboardSearchIndexStore>(indexFile(), defaults_, clock_);
        HeldIndexQueue held(*index_);
        repository_ = std::make_unique<ClipboardHistoryRepository>(directories_, index_, loop_, center_,
                                                                   *defaults_, *clock_);
        EXPECT_THROW(found("entry"), ClipboardSearchIndexBuildingError);
        // Saved during the start: queued behind the index's own work, never lost under a fill.
        saveTextsQueued(1, "during");
        EXPECT_TRUE(held.release()) << "the start waited for the index queue";
        repository_->waitForSearchIndexJobs();
        EXPECT_EQ(indexedIDs(), historyIDs());
        EXPECT_EQ(found("entry number"), 30u);
        EXPECT_EQ(found("during"), 1u);
        EXPECT_TRUE(log.contains("INFO", expectedLine)) << expectedLine;
        stop();
    };

    // Missing: filled from the history.
    std::filesystem::remove(indexFile());
    startHeld("Bootstrapped clipboard search index, documents=31");
    // An older layout mark: reindexed in the background.
    testing::runRawSql(indexFile(), "PRAGMA user_version = 0;");
    startHeld("Clipboard search index reindexed");
    // Not a database: set aside and refilled.
    std::ofstream(indexFile(), std::ios::binary | std::ios::trunc) << std::string(10000, 'z');
    startHeld("Bootstrapped clipboard search index, documents=31");
}

TEST_F(ClipboardHistorySearchIndexSyncTest, ZeroByteOrReplacedHistoryLeavesNoOrphanDocuments) {
    start();
    saveTexts(5, "old");
    stop();
    std::filesystem::resize_file(historyFile(), 0);

    testing::LogCapture log;
    start();
    EXPECT_TRUE(indexedIDs().empty());
    EXPECT_EQ(found("old"), 0u);
    EXPECT_TRUE(log.contains("INFO",
                             "Reconciled clipboard search index with history, entries=0, added=0, "
                             "removed=5"));
    saveTexts(3, "other");
    stop();

    // A history from elsewhere takes the file's place: its entries, and only they, become searchable.
    const auto kept = directory_ / "other-history.sqlite";
    std::filesystem::copy_file(historyFile(), kept);
    start();
    saveTexts(4, "fresh");
    stop();
    std::filesystem::copy_file(kept, historyFile(), std::filesystem::copy_options::overwrite_existing);

    start();
    EXPECT_EQ(indexedIDs(), historyIDs());
    EXPECT_EQ(indexedIDs().size(), 3u);
    EXPECT_EQ(found("fresh"), 0u);
    EXPECT_EQ(found("other"), 3u);
}

TEST_F(ClipboardHistorySearchIndexSyncTest, EntryWhoseIndexWriteWasLostGetsItsDocumentAtTheNextStart) {
    start();
    saveTexts(10);
    // A crash between the history's commit and the index's: the history holds the entry, the index not.
    index_->deleteDocuments({"entry-3", "entry-7"});
    ASSERT_EQ(found("number 3"), 0u);
    stop();

    testing::LogCapture log;
    start();
    EXPECT_EQ(indexedIDs(), historyIDs());
    EXPECT_EQ(found("number 3"), 1u);
    EXPECT_EQ(found("number 7"), 1u);
    EXPECT_TRUE(log.contains("INFO",
                             "Reconciled clipboard search index with history, entries=10, added=2, "
                             "removed=0"));

    // In step: nothing to mend, one line all the same.
    stop();
    testing::LogCapture again;
    start();
    EXPECT_TRUE(again.contains("INFO", "entries=10, added=0, removed=0"));
    EXPECT_EQ(again.count("Reconciled"), 1u);
}

TEST_F(ClipboardHistorySearchIndexSyncTest, BothFilesAreWalkedInOneByteOrderAcrossPages) {
    // Ids whose order depends on every byte: case, a prefix before its extensions, digits against letters
    // and bytes past ASCII, which a signed comparison would put first.
    std::vector<std::string> ids = {"A",           "Z", "a", "a-", "a0", "aa", "ab", "b", "\xc3\xa9t\xc3\xa9",
                                    "\xe4\xb8\xad"};
    for (int i = 0; i < 1290; ++i) ids.push_back("u" + std::to_string(i * 7919 % 100000));
    std::filesystem::create_directories(storage());
    auto history = std::make_shared<ClipboardHistoryStore>(historyFile());
    for (const auto& id : ids) {
        history->mainContext().insert(ClipboardHistoryIndex{id, "preview", "", Date(1000), std::nullopt, 0,
                                                            ClipboardContentType::text, std::nullopt,
                                                            std::nullopt});
        history->mainContext().insert(ClipboardHistoryContent{
            id, "words of " + id, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt});
    }
    history->mainContext().save();
    const auto convert = [](const ClipboardSearchSourceDocument& source) {
        return ClipboardSearchIndexDocument::make(source, ClipboardSearchIndexConfiguration{});
    };
    const auto source = ClipboardHistorySearchSource::historySource(history);
    // The index lacks the edge ids and most of the rest (600 of 1300: more in one page than one read of
    // chosen ids takes) and holds orphans between them.
    const auto fillIndex = [&] {
        std::vector<ClipboardSearchIndexDocument> documents;
        source.documentBatches(500, [&](std::vector<ClipboardSearchSourceDocument>& batch) {
            for (const auto& document : batch) {
                const bool edge = document.id[0] != 'u';
                if (!edge && documents.size() < 700) documents.push_back(convert(document));
            }
        });
        for (const auto& orphan : {"B", "a!", "a00", "u", "\xc3\xa9", "\xff"}) {
            ClipboardSearchSourceDocument document;
            document.id = orphan;
            document.searchableText = "orphan words";
            documents.push_back(convert(document));
        }
        index_->rebuild(documents);
    };
    index_ = std::make_shared<SQLiteClipboardSearchIndexStore>(indexFile(), defaults_, clock_);
    std::sort(ids.begin(), ids.end());

    for (const std::size_t pageSize : {std::size_t{1}, std::size_t{3}, std::size_t{2000}}) {
        SCOPED_TRACE("pages of " + std::to_string(pageSize));
        fillIndex();
        const auto counts = ClipboardHistorySearchIndexSync::reconcile(*index_, source, convert, pageSize);
        EXPECT_EQ(counts.entries, ids.size());
        EXPECT_EQ(counts.added, ids.size() - 700);
        EXPECT_EQ(counts.removed, 6u);
        EXPECT_FALSE(counts.rebuilt);
        EXPECT_EQ(indexedIDs(), ids);
        EXPECT_EQ(found("orphan"), 0u);
        EXPECT_EQ(found("words of \xc3\xa9t\xc3\xa9"), 1u);
    }
}

// The reconciliation's work over an index and a history in memory, with hooks where the walk reads them.
class ClipboardHistoryReconciliationTest : public ::testing::Test {
protected:
    using Batch = ClipboardHistorySearchIndexSync::HistorySource::Batch;

    static ClipboardSearchSourceDocument sourceDocument(const std::string& id) {
        ClipboardSearchSourceDocument document;
        document.id = id;
        document.preview = id;
        document.searchableText = "text of " + id;
        return document;
    }
    static ClipboardSearchIndexDocument convert(const ClipboardSearchSourceDocument& source) {
        return ClipboardSearchIndexDocument::make(source, ClipboardSearchIndexConfiguration{});
    }

    void addEntry(const std::string& id) { history_[id] = sourceDocument(id); }
    void addDocument(const std::string& id) { store_->rows[id] = convert(sourceDocument(id)); }

    ClipboardHistorySearchIndexSync::HistorySource source() {
        return {[this](const std::optional<std::string>& after, std::size_t most) {
                    if (beforeIDPage_) beforeIDPage_(after);
                    pagesAsked_.push_back(most);
                    std::vector<std::string> ids;
                    for (auto entry = after ? history_.upper_bound(*after) : history_.begin();
                         entry != history_.end() && ids.size() < most; ++entry) {
                        ids.push_back(entry->first);
                    }
                    if (shuffled_) std::reverse(ids.begin(), ids.end());
                    return ids;
                },
                [this](const std::vector<std::string>& ids) {
                    std::vector<std::string> entries;
                    for (const auto& id : ids) {
                        if (history_.contains(id) && !unknownTypes_.contains(id)) entries.push_back(id);
                    }
                    return entries;
                },
                [this](const std::vector<std::string>& ids, std::size_t most, const Batch& visit) {
                    if (beforeDocuments_) beforeDocuments_(ids);
                    asked_.push_back(ids);
                    std::vector<ClipboardSearchSourceDocument> batch;
                    for (const auto& id : ids) {
                        const auto entry = history_.find(id);
                        if (entry == history_.end() || unknownTypes_.contains(id)) continue;
                        batch.push_back(entry->second);
                        if (batch.size() == most) {
                            visit(batch);
                            batch.clear();
                        }
                    }
                    if (!batch.empty()) visit(batch);
                },
                [this](std::size_t most, const Batch& visit) {
                    fillBatchSizes_.push_back(most);
                    // Two documents per batch whatever is asked, as a byte bound would cut them.
                    std::vector<ClipboardSearchSourceDocument> batch;
                    for (const auto& [id, document] : history_) {
                        if (unknownTypes_.contains(id)) continue;
                        batch.push_back(document);
                        if (batch.size() == 2) {
                            visit(batch);
                            batch.clear();
                        }
                    }
                    if (!batch.empty()) visit(batch);
                }};
    }
    ClipboardHistorySearchIndexSync::Reconciliation reconcile(
        std::size_t pageSize = ClipboardHistorySearchIndexSync::kReconciliationPageSize) {
        const auto history = source();
        return ClipboardHistorySearchIndexSync::reconcile(*store_, history, convert, pageSize);
    }
    std::vector<std::string> indexedIDs() const {
        std::vector<std::string> ids;
        for (const auto& [id, row] : store_->rows) ids.push_back(id);
        return ids;
    }
    std::vector<std::string> historyIDs() const {
        std::vector<std::string> ids;
        for (const auto& [id, document] : history_) ids.push_back(id);
        return ids;
    }

    std::shared_ptr<testing::RecordingSearchIndexStore> store_ =
        std::make_shared<testing::RecordingSearchIndexStore>();
    std::map<std::string, ClipboardSearchSourceDocument> history_;
    // Records of history_ of a type this build does not know: no entries.
    std::set<std::string> unknownTypes_;
    std::function<void(const std::optional<std::string>&)> beforeIDPage_;
    std::function<void(const std::vector<std::string>&)> beforeDocuments_;
    bool shuffled_ = false;
    std::vector<std::size_t> pagesAsked_;
    std::vector<std::vector<std::string>> asked_;
    std::vector<std::size_t> fillBatchSizes_;
};

TEST_F(ClipboardHistoryReconciliationTest, AddsMissingAndDeletesOrphansOrRebuildsOnceWhenMostIsWrong) {
    for (const auto& id : {"a", "b", "c", "d"}) addEntry(id);
    for (const auto& id : {"a", "b", "c", "zombie"}) addDocument(id);

    auto counts = reconcile();
    EXPECT_EQ(counts.entries, 4u);
    EXPECT_EQ(counts.added, 1u);
    EXPECT_EQ(counts.removed, 1u);
    EXPECT_FALSE(counts.rebuilt);
    EXPECT_EQ(asked_, (std::vector<std::vector<std::string>>{{"d"}}));
    EXPECT_TRUE(store_->rebuilds.empty());
    EXPECT_EQ(store_->deletes, (std::vector<std::vector<std::string>>{{"zombie"}}));
    EXPECT_EQ(indexedIDs(), historyIDs());

    // In step: the ids are read, nothing else.
    asked_.clear();
    store_->upserts.clear();
    counts = reconcile();
    EXPECT_EQ(counts.entries, 4u);
    EXPECT_EQ(counts.added + counts.removed, 0u);
    EXPECT_TRUE(asked_.empty());
    EXPECT_TRUE(store_->upserts.empty());

    // Most of the index wrong: one rebuild from the whole history, read batch by batch, never whole.
    history_.clear();
    for (const auto& id : {"e", "f", "g", "a", "h"}) addEntry(id);
    counts = reconcile();
    EXPECT_EQ(fillBatchSizes_, (std::vector<std::size_t>{ClipboardHistorySearchIndexSync::kFillBatchSize}));
    EXPECT_TRUE(asked_.empty());
    EXPECT_TRUE(counts.rebuilt);
    EXPECT_EQ(counts.entries, 5u);
    EXPECT_EQ(counts.added, 4u);
    EXPECT_EQ(counts.removed, 3u);
    ASSERT_EQ(store_->rebuilds.size(), 1u);
    EXPECT_EQ(store_->rebuilds[0].size(), 5u);
    EXPECT_EQ(indexedIDs(), historyIDs());
}

TEST_F(ClipboardHistoryReconciliationTest, EveryPageSizeEndsWhereComparingTheWholeListsWould) {
    struct Case {
        std::string name;
        std::vector<std::string> entries;
        std::vector<std::string> documents;
    };
    const auto numbered = [](const std::string& prefix, int count) {
        std::vector<std::string> ids;
        for (int i = 0; i < count; ++i) ids.push_back(prefix + std::to_string(1000 + i));
        return ids;
    };
    std::vector<Case> cases;
    {
        // A few missing and a few orphans spread over many pages.
        Case spread{"spread", numbered("e", 60), {}};
        for (std::size_t i = 0; i < spread.entries.size(); ++i) {
            if (i % 17 != 3) spread.documents.push_back(spread.entries[i]);
            if (i % 13 == 5) spread.documents.push_back(spread.entries[i] + "x");
        }
        spread.documents.push_back("f-after-the-last-entry");
        spread.documents.push_back("0-before-the-first");
        cases.push_back(spread);
    }
    // Ids that end pages on one side inside a run of the other's: prefixes, case, bytes past ASCII.
    cases.push_back({"prefixes",
                     {"a", "aa", "aaa", "ab", "b", "ba", "B", "\xc3\xa9", "\xc3\xa9t\xc3\xa9", "z"},
                     {"a", "a-", "aa", "aab", "ab", "abc", "b", "B", "Ba", "\xc3\xa9", "\xe4\xb8\xad", "z"}});
    cases.push_back({"history emptied", {}, numbered("d", 25)});
    cases.push_back({"history replaced wholesale", numbered("n", 30), numbered("o", 30)});
    cases.push_back({"index empty", numbered("e", 12), {}});
    cases.push_back({"half missing, no rebuild", numbered("e", 10), numbered("e", 5)});
    cases.push_back({"more than half missing", numbered("e", 9), numbered("e", 4)});
    cases.push_back({"both empty", {}, {}});

    for (const auto& test : cases) {
        // What comparing both whole lists gives.
        const std::set<std::string> entries(test.entries.begin(), test.entries.end());
        const std::set<std::string> documents(test.documents.begin(), test.documents.end());
        std::vector<std::string> missing;
        std::vector<std::string> orphans;
        std::set_difference(entries.begin(), entries.end(), documents.begin(), documents.end(),
                            std::back_inserter(missing));
        std::set_difference(documents.begin(), documents.end(), entries.begin(), entries.end(),
                            std::back_inserter(orphans));
        const bool rebuilt = missing.size() * 2 > entries.size();
        std::map<std::string, ClipboardSearchIndexDocument> expectedRows;
        for (const auto& id : entries) expectedRows[id] = convert(sourceDocument(id));

        for (const std::size_t pageSize : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{5},
                                           std::size_t{7}, std::size_t{64}}) {
            SCOPED_TRACE(test.name + ", pages of " + std::to_string(pageSize));
            history_.clear();
            store_ = std::make_shared<testing::RecordingSearchIndexStore>();
            for (const auto& id : entries) addEntry(id);
            for (const auto& id : documents) addDocument(id);
            pagesAsked_.clear();
            asked_.clear();

            const auto counts = reconcile(pageSize);
            EXPECT_EQ(counts.entries, entries.size());
            EXPECT_EQ(counts.added, missing.size());
            EXPECT_EQ(counts.removed, orphans.size());
            EXPECT_EQ(counts.rebuilt, rebuilt);
            EXPECT_EQ(store_->rebuilds.size(), rebuilt ? 1u : 0u);
            ASSERT_EQ(store_->rows.size(), expectedRows.size());
            for (const auto& [id, row] : expectedRows) {
                ASSERT_TRUE(store_->rows.contains(id)) << id;
                EXPECT_EQ(store_->rows[id].normalizedText, row.normalizedText) << id;
            }
            // Nothing read or written holds more than a page of ids.
            for (const std::size_t most : pagesAsked_) EXPECT_EQ(most, pageSize);
            for (const auto& ids : asked_) EXPECT_LE(ids.size(), pageSize);
            for (const auto& ids : store_->deletes) EXPECT_LE(ids.size(), pageSize);
            if (!rebuilt) {
                std::vector<std::string> written;
                for (const auto& ids : asked_) written.insert(written.end(), ids.begin(), ids.end());
                EXPECT_EQ(written, missing);
            }
        }
    }
}

TEST_F(ClipboardHistoryReconciliationTest, AnImageSavedBetweenTheTwoReadsOfAPageIsNeverDeletedAsAnOrphan) {
    for (int i = 0; i < 40; ++i) {
        const std::string id = "id-" + std::to_string(100 + i);
        addEntry(id);
        // A lost write, so that the walk has something to mend and goes over the ids twice.
        if (i != 21) addDocument(id);
    }
    // An image's save writes the history and then, at once, the index. Between the two reads of each page
    // (whichever side is read first), on both walks, one is saved with the smallest id the page can hold.
    int reads = 0;
    int saved = 0;
    std::vector<std::string> images;
    const auto read = [&](const std::optional<std::string>& after) {
        if (++reads % 2 != 0 || saved == 200) return;
        ++saved;
        images.push_back(after.value_or("") + "!");
        addEntry(images.back());
        store_->upsert(convert(sourceDocument(images.back())));
    };
    store_->beforeIDPage = read;
    beforeIDPage_ = read;

    const auto counts = reconcile(4);
    EXPECT_GT(saved, 20);
    EXPECT_LT(saved, 200);
    EXPECT_FALSE(counts.rebuilt);
    for (const auto& image : images) EXPECT_TRUE(store_->rows.contains(image)) << image;
    EXPECT_EQ(indexedIDs(), historyIDs());
}

TEST_F(ClipboardHistoryReconciliationTest,
       SavesAndDeletionsDuringTheWalkLeaveBothInStepOnceTheirOwnWritesRun) {
    // While the walk reads, entries are saved and deleted as the program does: a text's document and every
    // deletion queued behind the walk, an image's document written at once. Once the queued writes have
    // run, the index holds exactly the history's entries.
    for (const unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        for (const std::size_t pageSize : {std::size_t{2}, std::size_t{5}}) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", pages of " + std::to_string(pageSize));
            std::mt19937 random(seed);
            history_.clear();
            store_ = std::make_shared<testing::RecordingSearchIndexStore>();
            const auto randomID = [&] { return "u" + std::to_string(100000 + random() % 900000); };
            for (int i = 0; i < 60; ++i) {
                const std::string id = randomID();
                addEntry(id);
                if (random() % 8 != 0) addDocument(id);
            }
            for (int i = 0; i < 6; ++i) addDocument(randomID() + "-orphan");

            std::vector<std::function<void()>> queued;
            const auto meanwhile = [&] {
                switch (random() % 4) {
                    case 0: {  // a text: its document is queued
                        const std::string id = randomID();
                        addEntry(id);
                        queued.push_back([this, id] { store_->upsert(convert(sourceDocument(id))); });
                        break;
                    }
                    case 1: {  // an image: its document is written before the save returns
                        const std::string id = randomID();
                        addEntry(id);
                        store_->upsert(convert(sourceDocument(id)));
                        break;
                    }
                    case 2: {  // a deletion: the document's removal is queued
                        if (history_.empty()) break;
                        auto entry = history_.begin();
                        std::advance(entry, random() % history_.size());
                        const std::string id = entry->first;
                        history_.erase(entry);
                        queued.push_back([this, id] { store_->deleteDocuments({id}); });
                        break;
                    }
                    default:
                        break;
                }
            };
            store_->beforeIDPage = [&](const std::optional<std::string>&) { meanwhile(); };
            beforeIDPage_ = [&](const std::optional<std::string>&) { meanwhile(); };
            beforeDocuments_ = [&](const std::vector<std::string>&) { meanwhile(); };

            reconcile(pageSize);
            store_->beforeIDPage = nullptr;
            for (const auto& write : queued) write();
            EXPECT_EQ(indexedIDs(), historyIDs());
        }
    }
}

TEST_F(ClipboardHistoryReconciliationTest, AnEntryDeletedBeforeItsDocumentIsReadIsNeitherWrittenNorCounted) {
    for (int i = 0; i < 10; ++i) {
        addEntry("e" + std::to_string(i));
        if (i >= 3) addDocument("e" + std::to_string(i));
    }
    // e0 goes from the history between the read of its id and that of its document; its document's removal
    // is queued behind the walk.
    beforeDocuments_ = [&](const std::vector<std::string>& ids) {
        history_.erase(ids.front());
        beforeDocuments_ = nullptr;
    };
    const auto counts = reconcile(2);
    EXPECT_EQ(counts.added, 2u);
    EXPECT_EQ(indexedIDs(), historyIDs());
    EXPECT_FALSE(store_->rows.contains("e0"));
}

TEST_F(ClipboardHistoryReconciliationTest, RecordsOfATypeThisBuildDoesNotKnowAreNoEntriesToIndex) {
    // A history written by a later version: most of its records are of a type this build cannot show.
    for (int i = 0; i < 10; ++i) {
        addEntry("e" + std::to_string(100 + i));
        addDocument("e" + std::to_string(100 + i));
    }
    for (int i = 0; i < 30; ++i) {
        addEntry("u" + std::to_string(100 + i));
        unknownTypes_.insert("u" + std::to_string(100 + i));
    }
    addEntry("e999");
    const auto counts = reconcile(4);
    EXPECT_FALSE(counts.rebuilt);
    EXPECT_EQ(counts.entries, 11u);
    EXPECT_EQ(counts.added, 1u);
    EXPECT_EQ(counts.removed, 0u);
    EXPECT_TRUE(store_->rebuilds.empty());
    EXPECT_TRUE(store_->rows.contains("e999"));
    EXPECT_FALSE(store_->rows.contains("u100"));
}

TEST_F(ClipboardHistoryReconciliationTest, AHistoryReplacedBetweenTheCountAndTheMendingIsRebuiltOnce) {
    for (int i = 0; i < 100; ++i) {
        addEntry("old-" + std::to_string(1000 + i));
        if (i != 50) addDocument("old-" + std::to_string(1000 + i));
    }
    // The count finds one document missing; before the mending starts, another history takes its place.
    int walks = 0;
    beforeIDPage_ = [&](const std::optional<std::string>& after) {
        if (after || ++walks != 2) return;
        history_.clear();
        for (int i = 0; i < 100; ++i) addEntry("new-" + std::to_string(1000 + i));
    };
    const auto counts = reconcile(8);
    EXPECT_TRUE(counts.rebuilt);
    EXPECT_EQ(counts.entries, 100u);
    EXPECT_EQ(counts.added, 100u);
    EXPECT_EQ(counts.removed, 99u);
    EXPECT_EQ(store_->rebuilds.size(), 1u);
    // Only the pages before most of the index showed wrong were mended one by one.
    EXPECT_LE(store_->upserts.size(), 56u);
    EXPECT_EQ(indexedIDs(), historyIDs());
}

TEST_F(ClipboardHistoryReconciliationTest, IdsOutOfOrderStopTheWalkBeforeAnythingIsWritten) {
    for (const auto& id : {"a", "b", "c", "d"}) addEntry(id);
    for (const auto& id : {"a", "d"}) addDocument(id);
    shuffled_ = true;
    EXPECT_THROW(reconcile(), std::runtime_error);
    EXPECT_TRUE(store_->upserts.empty());
    EXPECT_TRUE(store_->deletes.empty());
    EXPECT_TRUE(store_->rebuilds.empty());
}

}  // namespace
}  // namespace quorvane
