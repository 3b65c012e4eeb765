// The history and its search index agree after every start: damage, lost writes and replaced files are
// mended from the history, the only source of truth. Real files on both sides.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "history/ClipboardHistoryRepository.h"
#include "history/RecordingSearchIndexStore.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "support/LogCapture.h"
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
        for (int i = 0; i < count; ++i) {
            clock_->advance(1);
            repository_->saveTextItem(prefix + "-" + std::to_string(i), "preview", "search",
                                      prefix + " number " + std::to_string(i), std::nullopt, std::nullopt,
                                      std::nullopt, std::nullopt, std::nullopt, 0);
        }
        repository_->waitForSearchIndexJobs();
    }

    std::vector<std::string> indexedIDs() {
        repository_->waitForSearchIndexJobs();
        auto ids = index_->documentItemIDs();
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    std::vector<std::string> historyIDs() {
        ClipboardHistoryStore store(historyFile());
        auto ids = store.makeReadContext()->fetchIndexIDs();
        std::sort(ids.begin(), ids.end());
        return ids;
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

TEST_F(ClipboardHistorySearchIndexSyncTest, ReconciliationAddsMissingAndDeletesOrphansInOneJob) {
    // The work itself, over the in-memory store, for the split between single writes and one rebuild.
    auto store = std::make_shared<testing::RecordingSearchIndexStore>();
    const auto convert = [](const ClipboardSearchSourceDocument& source) {
        return ClipboardSearchIndexDocument::make(source, ClipboardSearchIndexConfiguration{});
    };
    const auto sourceDocument = [](const std::string& id) {
        ClipboardSearchSourceDocument document;
        document.id = id;
        document.preview = id;
        document.searchableText = "text of " + id;
        return document;
    };
    std::vector<std::string> history = {"a", "b", "c", "d"};
    std::vector<std::set<std::string>> asked;
    std::vector<std::size_t> batchSizes;
    ClipboardHistorySearchIndexSync::HistorySource source{
        [&] { return history; },
        [&](const std::set<std::string>* only) {
            asked.push_back(only ? *only : std::set<std::string>{"<all>"});
            std::vector<ClipboardSearchSourceDocument> documents;
            for (const auto& id : history) {
                if (!only || only->contains(id)) documents.push_back(sourceDocument(id));
            }
            return documents;
        },
        [&](std::size_t most, const ClipboardHistorySearchIndexSync::HistorySource::Batch& visit) {
            batchSizes.push_back(most);
            // Two documents per batch whatever is asked, as a byte bound would cut them.
            for (std::size_t start = 0; start < history.size(); start += 2) {
                std::vector<ClipboardSearchSourceDocument> batch;
                for (std::size_t i = start; i < std::min(start + 2, history.size()); ++i) {
                    batch.push_back(sourceDocument(history[i]));
                }
                visit(batch);
            }
        }};
    for (const auto& id : {"a", "b", "c", "zombie"}) store->rows[id] = convert(sourceDocument(id));

    auto counts = ClipboardHistorySearchIndexSync::reconcile(*store, source, convert);
    EXPECT_EQ(counts.entries, 4u);
    EXPECT_EQ(counts.added, 1u);
    EXPECT_EQ(counts.removed, 1u);
    EXPECT_FALSE(counts.rebuilt);
    EXPECT_EQ(asked, (std::vector<std::set<std::string>>{{"d"}}));
    EXPECT_TRUE(store->rebuilds.empty());
    EXPECT_EQ(store->deletes, (std::vector<std::vector<std::string>>{{"zombie"}}));
    EXPECT_EQ(store->rows.size(), 4u);

    // Most of the index wrong: one rebuild from the whole history, read batch by batch, never whole.
    history = {"e", "f", "g", "a", "h"};
    counts = ClipboardHistorySearchIndexSync::reconcile(*store, source, convert);
    EXPECT_EQ(batchSizes, (std::vector<std::size_t>{ClipboardHistorySearchIndexSync::kFillBatchSize}));
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_TRUE(counts.rebuilt);
    EXPECT_EQ(counts.added, 4u);
    EXPECT_EQ(counts.removed, 3u);
    ASSERT_EQ(store->rebuilds.size(), 1u);
    EXPECT_EQ(store->rebuilds[0].size(), 5u);
    EXPECT_EQ(store->rows.size(), 5u);
    EXPECT_TRUE(store->rows.contains("g"));
    EXPECT_TRUE(store->rows.contains("h"));
}

}  // namespace
}  // namespace quorvane
