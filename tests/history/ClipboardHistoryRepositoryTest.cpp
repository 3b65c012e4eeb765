#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <limits>
#include <thread>

#include "base/Sha256.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/ClipboardHistorySnapshotRanking.h"
#include "history/RecordingSearchIndexStore.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "support/LogCapture.h"
#include "support/RawSqlite.h"
#include "support/StatementRecorder.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

class ClipboardHistoryRepositoryTest : public ::testing::Test {
protected:
    ClipboardHistoryRepositoryTest()
        : loop_(clock_),
          center_(loop_),
          directories_(defaults_, workspace_, [this](const std::string& name) -> std::optional<std::string> {
              if (name == "QUORVANE_STORAGE_DIRECTORY") return (directory_ / "data").string();
              return std::nullopt;
          }) {
        observation_ = center_.addObserver(clipboardHistoryDidChange, [this] { ++notifications_; });
    }

    std::unique_ptr<ClipboardHistoryRepository> makeRepository() {
        return std::make_unique<ClipboardHistoryRepository>(directories_, index_, loop_, center_, defaults_,
                                                            clock_);
    }
    ClipboardHistoryRepository& repository() {
        if (!repository_) {
            repository_ = makeRepository();
            // The start-up reconciliation finishes before the test acts, so its counts are the test's own.
            repository_->waitForSearchIndexJobs();
        }
        return *repository_;
    }
    std::filesystem::path historyFile() const { return directory_ / "data" / "clipboard_history.sqlite"; }

    void runRaw(const std::string& sql) { testing::runRawSql(historyFile(), sql); }

    void saveText(const std::string& id, const std::string& text, double at,
                  ClipboardHistoryUsageMetadata usage = ClipboardHistoryUsageMetadata::empty,
                  std::optional<Bytes> rtf = std::nullopt) {
        clock_.set(Date(at));
        repository().saveTextItem({.id = id,
                                   .preview = "preview " + id,
                                   .searchText = "search " + text,
                                   .content = text,
                                   .richTextRTFData = rtf,
                                   .bundleIdentifier = "org.app",
                                   .lastAccessedAt = usage.lastAccessedAt,
                                   .accessCount = usage.accessCount});
    }
    void saveImage(const std::string& id, const Bytes& data, double at,
                   const std::string& title = "Image 2x2",
                   ClipboardHistoryUsageMetadata usage = ClipboardHistoryUsageMetadata::empty) {
        clock_.set(Date(at));
        repository().saveImageItem({.id = id,
                                    .preview = title,
                                    .imageData = data,
                                    .lastAccessedAt = usage.lastAccessedAt,
                                    .accessCount = usage.accessCount});
    }

    // Turns the loop until the read's completion has run; fails when it runs more than once.
    template <class T, class Start>
    T await(Start start) {
        std::optional<T> result;
        int calls = 0;
        start([&](T value) {
            ++calls;
            result = std::move(value);
        });
        while (calls == 0) {
            loop_.runUntilIdle();
            std::this_thread::yield();
        }
        loop_.runUntilIdle();
        EXPECT_EQ(calls, 1);
        return std::move(*result);
    }
    std::vector<ClipboardHistoryIndexSnapshot> snapshots(const std::string& query = "") {
        return await<std::vector<ClipboardHistoryIndexSnapshot>>(
            [&](auto done) { repository().getHistorySnapshots(query, std::nullopt, done); });
    }
    std::vector<ClipboardHistoryIndexSnapshot> page(const std::string& query,
                                                    std::optional<std::size_t> limit) {
        return await<std::vector<ClipboardHistoryIndexSnapshot>>(
            [&](auto done) { repository().getHistorySnapshots(query, limit, done); });
    }
    // The plan lines of the recorded statements on the history file, each prefixed with its statement.
    std::vector<std::string> historyPlans(const testing::StatementRecorder& recorder) {
        std::vector<std::string> lines;
        for (const auto& sql : recorder.statements()) {
            if (sql.find("ClipboardHistory") == std::string::npos) continue;
            for (const auto& line : testing::StatementRecorder::planOf(historyFile(), sql))
                lines.push_back(line + "    <- " + sql);
        }
        return lines;
    }
    std::vector<std::string> ids(const std::string& query = "") {
        std::vector<std::string> result;
        for (const auto& snapshot : snapshots(query)) result.push_back(snapshot.id);
        return result;
    }
    std::optional<ClipboardHistoryContentSnapshot> content(const std::string& id) {
        return await<std::optional<ClipboardHistoryContentSnapshot>>(
            [&](auto done) { repository().getContentSnapshotById(id, done); });
    }
    // The notifications delivered since the last call.
    int takeNotifications() {
        loop_.runUntilIdle();
        return std::exchange(notifications_, 0);
    }
    // Fills the history, stops cleanly and damages the middle of the file, as a failing disk would while the
    // program is not running (so no unclean-stop check runs at the next open).
    void damageWhileStopped() {
        for (int i = 0; i < 40; ++i)
            saveText("T" + std::to_string(i), std::string(2000, 'a' + i % 26), 100 + i);
        repository().quiesce();
        repository_.reset();
        std::fstream file(historyFile(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4096 * 2);
        const std::string garbage(4096 * 6, '\xA5');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    std::vector<std::string> indexedIDs() {
        repository().waitForSearchIndexJobs();
        std::vector<std::string> result;
        for (const auto& [id, row] : index_->rows) result.push_back(id);
        return result;
    }

    testing::TemporaryDirectory directory_;
    FakeClock clock_{Date(1'000'000)};
    ManualRunLoop loop_;
    NotificationCenter center_;
    InMemoryUserDefaults defaults_;
    RecordingWorkspaceOpener workspace_;
    DataDirectoryManager directories_;
    std::shared_ptr<testing::RecordingSearchIndexStore> index_ =
        std::make_shared<testing::RecordingSearchIndexStore>();
    std::unique_ptr<ClipboardHistoryRepository> repository_;
    NotificationObservation observation_;
    int notifications_ = 0;
};

TEST_F(ClipboardHistoryRepositoryTest, FingerprintsArePrefixedTextDigestsAndPlainImageDigests) {
    EXPECT_EQ(ClipboardHistoryRepository::textFingerprint("abc"), sha256Hex(std::string("text\0abc", 8)));
    EXPECT_EQ(ClipboardHistoryRepository::imageFingerprint(Bytes{'a', 'b', 'c'}), sha256Hex("abc"));
    EXPECT_NE(ClipboardHistoryRepository::textFingerprint("abc"), sha256Hex("abc"));
}

TEST_F(ClipboardHistoryRepositoryTest, SavedTextIsStoredIndexedByItsFullContentAndAnnouncedOnce) {
    clock_.set(Date(5000));
    repository().saveTextItem({.id = "T",
                               .preview = "short",
                               .searchText = "annotated search text",
                               .content = "the full content",
                               .richTextRTFData = Bytes{'{', '}'},
                               .richTextHTMLData = Bytes{},
                               .bundleIdentifier = "org.app",
                               .classification = "url",
                               .lastAccessedAt = Date(4000),
                               .accessCount = -3});
    EXPECT_EQ(takeNotifications(), 1);
    const auto listed = snapshots();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0],
              (ClipboardHistoryIndexSnapshot{"T", "short", "annotated search text", Date(5000), Date(4000), 0,
                                             ClipboardContentType::text, "org.app", "url"}));
    EXPECT_EQ(content("T"), (ClipboardHistoryContentSnapshot{"T", "the full content", Bytes{'{', '}'},
                                                             Bytes{}, std::nullopt, std::nullopt}));
    EXPECT_EQ(indexedIDs(), std::vector<std::string>{"T"});
    const auto& row = index_->rows.at("T");
    EXPECT_EQ(row.normalizedText, "the full content");
    EXPECT_EQ(row.accessCount, 0);
    EXPECT_EQ(row.sortAt, Date(5000));  // a use before capture never wins
    EXPECT_EQ(row.classification, std::optional<std::string>("url"));
}

TEST_F(ClipboardHistoryRepositoryTest, FailedSaveIndexesNothingAnnouncesNothingAndLeavesNothingBehind) {
    repository();
    runRaw(
        "CREATE TRIGGER refuse BEFORE INSERT ON ClipboardHistoryContent WHEN NEW.id = 'bad' "
        "BEGIN SELECT RAISE(ABORT, 'disk says no'); END;");
    testing::LogCapture log;
    saveText("bad", "first", 100);
    EXPECT_TRUE(log.contains("ERROR", "Failed to save clipboard history context: "));
    EXPECT_EQ(takeNotifications(), 0);
    EXPECT_TRUE(indexedIDs().empty());
    saveText("good", "second", 200);
    EXPECT_EQ(ids(), std::vector<std::string>{"good"});
    EXPECT_EQ(indexedIDs(), std::vector<std::string>{"good"});
    EXPECT_EQ(takeNotifications(), 1);
}

TEST_F(ClipboardHistoryRepositoryTest, BadInputIsRefusedWithALogLineAndChangesNothing) {
    saveText("kept", "kept", 100);
    takeNotifications();
    testing::LogCapture log;
    saveText("blank", " \n\t\u3000", 200);
    saveImage("empty-image", Bytes{}, 300);
    defaults_.set("ClipboardMonitorMaxItemSizeInMB", std::int64_t{1});
    saveText("huge", std::string(1'048'577, 'x'), 400);
    EXPECT_EQ(log.count("Ignored empty clipboard text"), 1u);
    EXPECT_EQ(log.count("Ignored clipboard image without data"), 1u);
    EXPECT_EQ(log.count("Ignored clipboard item larger than limit"), 1u);
    EXPECT_EQ(ids(), std::vector<std::string>{"kept"});
    EXPECT_EQ(takeNotifications(), 0);
    saveText("at-limit", std::string(1'048'576, 'y'), 500);
    EXPECT_EQ(ids().size(), 2u);
}

TEST_F(ClipboardHistoryRepositoryTest, TextTheMonitorTakesIsNeverRefusedAsBlank) {
    // Combining marks, a zero-width joiner and a lone accent after a no-break space are no white space.
    testing::LogCapture log;
    saveText("marks", "\u0301\u0308", 100);
    saveText("joiner", "\u200D", 200);
    saveText("accent", "\u00A0\u0301\u00A0", 300);
    EXPECT_EQ(log.count("Ignored empty clipboard text"), 0u);
    EXPECT_EQ(ids().size(), 3u);
}

TEST_F(ClipboardHistoryRepositoryTest, ImageIsIndexedBeforeTheSaveReturnsAndRecognisedTextUpdatesItQuietly) {
    saveImage("I", Bytes{1, 2, 3}, 100, "Image 1x1");
    // No wait for the queue: the image's row is written synchronously.
    ASSERT_EQ(index_->upserts.size(), 1u);
    EXPECT_EQ(index_->upserts[0].normalizedText, "");
    EXPECT_EQ(content("I")->content, "Image 1x1");
    EXPECT_EQ(takeNotifications(), 1);

    repository().updateOCRText("I", "invoice (annotated)", "Invoice 42");
    repository().updateOCRText("missing", "x", "y");
    EXPECT_EQ(indexedIDs(), std::vector<std::string>{"I"});
    EXPECT_EQ(index_->rows.at("I").normalizedText, "invoice 42");
    EXPECT_EQ(snapshots().at(0).searchText, "invoice (annotated)");
    EXPECT_EQ(content("I")->ocrText, std::optional<std::string>("Invoice 42"));
    EXPECT_EQ(takeNotifications(), 0);

    repository().updateOCRText("I", "", std::nullopt);
    EXPECT_EQ(content("I")->ocrText, std::nullopt);
    repository().waitForSearchIndexJobs();
    EXPECT_EQ(index_->rows.at("I").normalizedText, "");
}

TEST_F(ClipboardHistoryRepositoryTest, RecognisedTextNeverChangesATextEntry) {
    saveText("T", "plain", 100);
    repository().waitForSearchIndexJobs();
    const std::size_t upserts = index_->upserts.size();
    repository().updateOCRText("T", "other", "other");
    EXPECT_EQ(content("T")->ocrText, std::nullopt);
    EXPECT_EQ(snapshots().at(0).searchText, "search plain");
    repository().waitForSearchIndexJobs();
    EXPECT_EQ(index_->upserts.size(), upserts);
}

TEST_F(ClipboardHistoryRepositoryTest, DeletingAnEntryRemovesBothHalvesAndItsIndexRow) {
    saveText("A", "alpha", 100);
    saveText("B", "beta", 200);
    takeNotifications();
    repository().deleteItem("A");
    EXPECT_EQ(takeNotifications(), 1);
    EXPECT_EQ(ids(), std::vector<std::string>{"B"});
    EXPECT_EQ(content("A"), std::nullopt);
    EXPECT_EQ(indexedIDs(), std::vector<std::string>{"B"});

    repository().deleteItem("nobody");
    EXPECT_EQ(takeNotifications(), 0);
    repository().waitForSearchIndexJobs();
    EXPECT_EQ(index_->deletes.size(), 1u);

    // An entry whose content half is gone is still deleted.
    runRaw("DELETE FROM ClipboardHistoryContent WHERE id = 'B';");
    repository().deleteItem("B");
    EXPECT_EQ(takeNotifications(), 1);
    EXPECT_TRUE(ids().empty());
    EXPECT_TRUE(indexedIDs().empty());
}

TEST_F(ClipboardHistoryRepositoryTest, ExpiryRemovesOnlyOlderEntriesOfTheGivenType) {
    saveText("text-old", "one", 100);
    saveText("text-at-cutoff", "two", 200);
    saveImage("image-old", Bytes{1}, 50);
    saveText("text-new", "three", 300);
    takeNotifications();
    EXPECT_EQ(repository().deleteExpiredItems(Date(200), ClipboardContentType::text), 1);
    EXPECT_EQ(takeNotifications(), 1);
    EXPECT_EQ(ids(), (std::vector<std::string>{"text-new", "text-at-cutoff", "image-old"}));
    EXPECT_EQ(indexedIDs(), (std::vector<std::string>{"image-old", "text-at-cutoff", "text-new"}));
    EXPECT_EQ(content("text-old"), std::nullopt);

    EXPECT_EQ(repository().deleteExpiredItems(Date(60), ClipboardContentType::text), 0);
    EXPECT_EQ(takeNotifications(), 0);
    EXPECT_EQ(repository().deleteExpiredItems(Date(60), ClipboardContentType::image), 1);
    EXPECT_EQ(ids(), (std::vector<std::string>{"text-new", "text-at-cutoff"}));
}

TEST_F(ClipboardHistoryRepositoryTest, ClearEmptiesHistoryAndIndexAndIsAnnouncedEvenWhenEmpty) {
    saveText("A", "alpha", 100);
    saveImage("B", Bytes{7}, 200);
    takeNotifications();
    repository().clearHistory();
    EXPECT_EQ(takeNotifications(), 1);
    EXPECT_TRUE(ids().empty());
    EXPECT_EQ(content("B"), std::nullopt);
    EXPECT_TRUE(indexedIDs().empty());
    repository().clearHistory();
    EXPECT_EQ(takeNotifications(), 1);
    repository().waitForSearchIndexJobs();
    EXPECT_EQ(index_->rebuilds.size(), 2u);
}

TEST_F(ClipboardHistoryRepositoryTest, FailedClearSaysSoAndKeepsEverything) {
    saveText("A", "alpha", 100);
    takeNotifications();
    runRaw(
        "CREATE TRIGGER refuse BEFORE DELETE ON ClipboardHistoryContent "
        "BEGIN SELECT RAISE(ABORT, 'disk says no'); END;");
    testing::LogCapture log;
    repository().clearHistory();
    EXPECT_TRUE(log.contains("ERROR", "[ClipboardHistoryRepository] Failed to clear clipboard history: "));
    EXPECT_TRUE(log.contains("ERROR", "disk says no"));
    EXPECT_EQ(takeNotifications(), 0);
    EXPECT_EQ(ids(), std::vector<std::string>{"A"});
    repository().waitForSearchIndexJobs();
    EXPECT_TRUE(index_->rebuilds.empty());
}

TEST_F(ClipboardHistoryRepositoryTest, DuplicateTextRemovalMergesUsageOnceAndSparesEverythingElse) {
    saveText("copy-1", "hello", 100, {Date(36000), 3});
    saveText("copy-2", "hello", 200, {Date(39600), 5}, Bytes{'r', 't', 'f'});
    saveText("case", "Hello", 300);
    saveText("blank", "hello ", 400);
    saveText("kept", "hello", 500, {std::nullopt, 100});
    // An older copy stored before fingerprints existed.
    saveText("legacy", "hello", 600, {std::nullopt, 2});
    runRaw("UPDATE ClipboardHistoryContent SET duplicateFingerprint = NULL WHERE id = 'legacy';");
    saveImage("image", Bytes{9, 9}, 700, "hello");
    takeNotifications();
    repository().waitForSearchIndexJobs();
    const std::size_t deleteJobs = index_->deletes.size();

    const auto usage = repository().removeDuplicateTexts("hello", Bytes{'x'}, std::nullopt, "kept");
    EXPECT_EQ(usage, (ClipboardHistoryUsageMetadata{Date(39600), 10}));
    EXPECT_EQ(takeNotifications(), 1);
    EXPECT_EQ(ids(), (std::vector<std::string>{"image", "kept", "blank", "case"}));
    repository().waitForSearchIndexJobs();
    ASSERT_EQ(index_->deletes.size(), deleteJobs + 1);
    auto deleted = index_->deletes.back();
    std::sort(deleted.begin(), deleted.end());
    EXPECT_EQ(deleted, (std::vector<std::string>{"copy-1", "copy-2", "legacy"}));

    // Nothing left to remove: the empty usage, no save, no announcement.
    EXPECT_EQ(repository().removeDuplicateTexts("hello", std::nullopt, std::nullopt, "kept"),
              ClipboardHistoryUsageMetadata::empty);
    EXPECT_EQ(takeNotifications(), 0);
}

TEST_F(ClipboardHistoryRepositoryTest, CountsAreThoseOfTheListedEntriesInOneStatement) {
    auto counts = [&] {
        return await<ClipboardHistoryCounts>([&](auto done) { repository().getHistoryCounts(done); });
    };
    EXPECT_EQ(counts(), ClipboardHistoryCounts{});
    saveText("old", "one", 100);
    saveImage("image", Bytes{1}, 300);
    saveText("new", "two", 200);
    saveText("unknown", "three", 400);
    // A type this build does not know is no entry, as the list has it.
    runRaw("UPDATE ClipboardHistoryIndex SET contentType = 'video' WHERE id = 'unknown';");
    testing::StatementRecorder recorder;
    recorder.start();
    EXPECT_EQ(counts(), (ClipboardHistoryCounts{3, 2, Date(300)}));
    recorder.stop();
    EXPECT_EQ(snapshots().size(), 3u);
    // Only the count ran on the history: no entry was read.
    const auto plans = historyPlans(recorder);
    EXPECT_FALSE(plans.empty());
    for (const auto& line : plans) EXPECT_NE(line.find("COUNT(*)"), std::string::npos) << line;
}

TEST_F(ClipboardHistoryRepositoryTest, ACopyLooksRecordsUpByIndexAlsoInAFileMadeBeforeItsIndexes) {
    testing::StatementRecorder recorder;
    saveText("copy", "hello", 100, {Date(150), 2});
    saveText("other", "world", 200);
    saveText("legacy", "hello", 300);
    saveImage("image", Bytes{4, 2}, 400);
    runRaw("UPDATE ClipboardHistoryContent SET duplicateFingerprint = NULL WHERE id = 'legacy';");
    // A file an earlier build wrote has neither of the indexes added since.
    repository().quiesce();
    repository_.reset();
    runRaw(
        "DROP INDEX ClipboardHistoryContent_contentWithoutFingerprint; DROP INDEX "
        "ClipboardHistoryIndex_recency;");
    // The start's own work (the index reconciliation reads every id) is no part of a copy.
    repository();
    takeNotifications();

    recorder.start();
    // A copy as the monitor makes it: expiry when due, the duplicate removal, the save.
    EXPECT_EQ(repository().deleteExpiredItems(Date(50), ClipboardContentType::text), 0);
    const auto usage = repository().removeDuplicateTexts("hello", std::nullopt, std::nullopt, std::nullopt);
    saveText("new", "hello", 500, usage);
    const auto imageUsage = repository().removeDuplicateImages(Bytes{4, 2}, std::nullopt);
    saveImage("new-image", Bytes{4, 2}, 600, "Image 2x2", imageUsage);
    recorder.stop();

    EXPECT_EQ(usage, (ClipboardHistoryUsageMetadata{Date(150), 2}));
    EXPECT_EQ(ids(), (std::vector<std::string>{"new-image", "new", "other"}));
    const auto plans = historyPlans(recorder);
    EXPECT_FALSE(plans.empty());
    for (const auto& line : plans) EXPECT_EQ(line.find("SCAN"), std::string::npos) << line;
}

TEST_F(ClipboardHistoryRepositoryTest, PagesAreTheFirstEntriesOfTheWholeRankingReadThroughTheRecencyIndex) {
    // Sort dates from last uses, from uses stamped before the capture, and ties broken by capture time and
    // then by id.
    saveText("used-late", "hello world", 100, {Date(900), 1});
    saveText("used-early", "say hello", 500, {Date(10), 1});
    saveText("tie-b", "hello there", 700);
    saveText("tie-a", "hello", 700);
    saveText("tie-old", "world hello", 600, {Date(700), 1});
    saveText("plain", "nothing", 800);
    saveText("unknown", "hello", 850);
    runRaw("UPDATE ClipboardHistoryIndex SET contentType = 'video' WHERE id = 'unknown';");
    saveImage("image", Bytes{1}, 300);
    const auto all = snapshots();
    ASSERT_EQ(all.size(), 7u);

    testing::StatementRecorder recorder;
    recorder.start();
    for (const std::string query : {"", "hello", "search hello"}) {
        for (std::size_t limit = 0; limit <= all.size() + 1; ++limit) {
            const auto expected = ClipboardHistorySnapshotRanking::filterAndRank(all, query, limit);
            EXPECT_EQ(page(query, limit), expected) << "query '" << query << "' limit " << limit;
        }
        EXPECT_EQ(page(query, std::nullopt), ClipboardHistorySnapshotRanking::filterAndRank(all, query, {}));
    }
    recorder.stop();
    // The recent page is read in order from the index, never sorted after reading every record.
    for (const auto& line : historyPlans(recorder)) {
        EXPECT_EQ(line.find("TEMP B-TREE"), std::string::npos) << line;
    }
}

TEST_F(ClipboardHistoryRepositoryTest, DuplicateTextRemovalKeepsImagesTitledLikeTheText) {
    saveImage("image", Bytes{1, 2}, 100, "Image 1920x1080");
    saveText("text", "Image 1920x1080", 200, {std::nullopt, 4});
    const auto usage =
        repository().removeDuplicateTexts("Image 1920x1080", std::nullopt, std::nullopt, std::nullopt);
    EXPECT_EQ(usage.accessCount, 4);
    EXPECT_EQ(ids(), std::vector<std::string>{"image"});
    ASSERT_TRUE(content("image").has_value());
}

TEST_F(ClipboardHistoryRepositoryTest, FailedDuplicateRemovalRemovesNothingAndCarriesNoUsage) {
    saveText("copy", "hello", 100, {Date(50), 6});
    takeNotifications();
    runRaw(
        "CREATE TRIGGER refuse BEFORE DELETE ON ClipboardHistoryContent BEGIN SELECT RAISE(ABORT, 'no'); "
        "END;");
    EXPECT_EQ(repository().removeDuplicateTexts("hello", std::nullopt, std::nullopt, std::nullopt),
              ClipboardHistoryUsageMetadata::empty);
    EXPECT_EQ(takeNotifications(), 0);
    EXPECT_EQ(ids(), std::vector<std::string>{"copy"});
    EXPECT_EQ(snapshots().at(0).accessCount, 6);
    // The failed deletions are not written by the next, unrelated save.
    runRaw("DROP TRIGGER refuse;");
    saveText("other", "other", 200);
    EXPECT_EQ(ids(), (std::vector<std::string>{"other", "copy"}));
    repository().waitForSearchIndexJobs();
    EXPECT_TRUE(index_->deletes.empty());
}

TEST_F(ClipboardHistoryRepositoryTest, DuplicateImageRemovalNeedsTheSameBytes) {
    const Bytes png{0x89, 'P', 'N', 'G', 1};
    saveImage("same", png, 100, "Image 2x2", {Date(10), 2});
    saveImage("other", Bytes{0x89, 'P', 'N', 'G', 2}, 200);
    saveImage("kept", png, 300);
    // Same fingerprint but the bytes are gone: not a copy.
    saveImage("no-data", png, 400);
    runRaw("UPDATE ClipboardHistoryContent SET imageData = NULL WHERE id = 'no-data';");
    saveText("text", "Image 2x2", 500);
    takeNotifications();
    const auto usage = repository().removeDuplicateImages(png, "kept");
    EXPECT_EQ(usage, (ClipboardHistoryUsageMetadata{Date(10), 2}));
    EXPECT_EQ(takeNotifications(), 1);
    EXPECT_EQ(ids(), (std::vector<std::string>{"text", "no-data", "kept", "other"}));
}

TEST_F(ClipboardHistoryRepositoryTest, UsageIsRecordedQuietlyAndSaturates) {
    saveText("A", "alpha", 100);
    saveText("B", "beta", 200, {std::nullopt, -4});
    saveText("C", "gamma", 300, {std::nullopt, kMax});
    takeNotifications();
    clock_.set(Date(1000));
    repository().recordUsage("A");
    clock_.set(Date(2000));
    repository().recordUsage("A");
    repository().recordUsage("B");
    repository().recordUsage("C");
    repository().recordUsage("missing");
    EXPECT_EQ(takeNotifications(), 0);
    const auto listed = snapshots();
    ASSERT_EQ(listed.size(), 3u);
    std::map<std::string, ClipboardHistoryIndexSnapshot> byID;
    for (const auto& snapshot : listed) byID[snapshot.id] = snapshot;
    EXPECT_EQ(byID["A"].accessCount, 2);
    EXPECT_EQ(byID["A"].lastAccessedAt, Date(2000));
    EXPECT_EQ(byID["B"].accessCount, 1);  // stored as 0 at save, then one use
    EXPECT_EQ(byID["C"].accessCount, kMax);
    EXPECT_EQ(byID["C"].lastAccessedAt, Date(2000));
    repository().waitForSearchIndexJobs();
    ASSERT_EQ(index_->touches.size(), 4u);
    EXPECT_EQ(index_->touches[1].id, "A");
    EXPECT_EQ(index_->touches[1].sortAt, Date(2000));
    EXPECT_EQ(index_->touches[1].accessCount, 2);
}

TEST_F(ClipboardHistoryRepositoryTest, WritesFromAnotherThreadRunOnTheMainThreadBeforeReturning) {
    repository();
    std::atomic<bool> finished{false};
    std::thread writer([&] {
        clock_.set(Date(100));
        repository().saveTextItem({.id = "T", .preview = "p", .searchText = "s", .content = "from a worker"});
        // Visible to a read made right after the call returned.
        EXPECT_EQ(repository().removeDuplicateTexts("from a worker", std::nullopt, std::nullopt, "T"),
                  ClipboardHistoryUsageMetadata::empty);
        finished = true;
    });
    while (!finished) {
        loop_.runUntilIdle();
        std::this_thread::yield();
    }
    writer.join();
    EXPECT_EQ(ids(), std::vector<std::string>{"T"});
}

TEST_F(ClipboardHistoryRepositoryTest, ReadsCompleteExactlyOnceAlsoWhenTheStoreIsGoneOrBroken) {
    saveText("A", "alpha", 100);
    testing::LogCapture log;
    runRaw("ALTER TABLE ClipboardHistoryIndex RENAME TO Broken;");
    EXPECT_TRUE(snapshots().empty());
    EXPECT_TRUE(log.contains("ERROR", "Failed to fetch clipboard history snapshots: "));
    const auto documents = await<std::optional<std::vector<ClipboardSearchSourceDocument>>>(
        [&](auto done) { repository().getSearchSourceDocuments(done); });
    EXPECT_EQ(documents, std::nullopt);  // a failed read is not an empty history
    std::vector<std::optional<std::vector<ClipboardSearchSourceDocument>>> rebuildReads;
    repository().rebuildSearchIndexInOrder([&](auto read) { rebuildReads.push_back(std::move(read)); });
    repository().waitForSearchIndexJobs();
    runRaw("ALTER TABLE Broken RENAME TO ClipboardHistoryIndex;");

    // Released while reads may still wait on the read queue: each completes once, whatever it found.
    int calls = 0;
    repository().getHistorySnapshots("", std::nullopt, [&](auto) { ++calls; });
    repository().getContentSnapshotById("A", [&](auto) { ++calls; });
    repository_.reset();
    for (int turn = 0; turn < 3; ++turn) loop_.runUntilIdle();
    EXPECT_EQ(calls, 2);

    // After a quiesce the store is closed: reads answer empty, once; a rebuild's read fails.
    repository().quiesce();
    repository().rebuildSearchIndexInOrder([&](auto read) { rebuildReads.push_back(std::move(read)); });
    repository().waitForSearchIndexJobs();
    ASSERT_EQ(rebuildReads.size(), 2u);
    EXPECT_EQ(rebuildReads[0], std::nullopt);
    EXPECT_EQ(rebuildReads[1], std::nullopt);
    EXPECT_TRUE(snapshots().empty());
    EXPECT_EQ(content("A"), std::nullopt);
}

TEST_F(ClipboardHistoryRepositoryTest, SourceDocumentsAreNewestFirstWithEachKindsSearchableText) {
    saveText("T", "full text", 100);
    saveImage("I", Bytes{1}, 200, "Image 1x1");
    repository().updateOCRText("I", "ocr", "recognised");
    saveImage("J", Bytes{2}, 300);
    saveText("orphan", "gone", 400);
    runRaw("DELETE FROM ClipboardHistoryContent WHERE id = 'orphan';");
    const auto documents = await<std::optional<std::vector<ClipboardSearchSourceDocument>>>(
        [&](auto done) { repository().getSearchSourceDocuments(done); });
    ASSERT_TRUE(documents.has_value());
    ASSERT_EQ(documents->size(), 4u);
    EXPECT_EQ((*documents)[0].id, "orphan");
    EXPECT_EQ((*documents)[0].searchableText, "");
    EXPECT_EQ((*documents)[1].searchableText, "");
    EXPECT_EQ((*documents)[2].searchableText, "recognised");
    EXPECT_EQ((*documents)[3].searchableText, "full text");
}

TEST_F(ClipboardHistoryRepositoryTest, BootstrapFillsOnlyAnEmptyIndex) {
    saveText("A", "alpha", 100);
    saveText("B", "beta", 200);
    saveImage("C", Bytes{3}, 300);
    repository_->quiesce();
    repository_.reset();

    index_ = std::make_shared<testing::RecordingSearchIndexStore>();
    testing::LogCapture log;
    repository();
    ASSERT_EQ(index_->rebuilds.size(), 1u);
    std::vector<std::string> order;
    for (const auto& row : index_->rebuilds[0]) order.push_back(row.id);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_TRUE(log.contains("INFO", "Bootstrapped clipboard search index, documents=3, grams=0"));

    // An index holding anything is not rebuilt; the reconciliation after start adds what it lacks.
    repository_.reset();
    index_->rows.erase("A");
    index_->upserts.clear();
    repository();
    EXPECT_EQ(indexedIDs(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(index_->rebuilds.size(), 1u);
    ASSERT_EQ(index_->upserts.size(), 1u);
    EXPECT_EQ(index_->upserts[0].id, "A");
}

TEST_F(ClipboardHistoryRepositoryTest, BootstrapRunsBehindTheStartAndKeepsCopiesMadeMeanwhile) {
    saveText("A", "alpha", 100);
    saveText("B", "beta", 200);
    repository_->quiesce();
    repository_.reset();

    // The fill waits until the test lets it go: construction must not wait for it.
    index_ = std::make_shared<testing::RecordingSearchIndexStore>();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> fillStarted = false;
    index_->beforeRebuild = [&, released] {
        fillStarted = true;
        released.wait();
    };
    repository_ = makeRepository();
    EXPECT_TRUE(index_->isBeingFilled());
    saveText("C", "gamma", 300);
    while (!fillStarted) std::this_thread::yield();
    EXPECT_TRUE(index_->isBeingFilled());
    release.set_value();
    repository_->waitForSearchIndexJobs();

    EXPECT_FALSE(index_->isBeingFilled());
    ASSERT_EQ(index_->rebuilds.size(), 1u);
    EXPECT_EQ(indexedIDs(), (std::vector<std::string>{"A", "B", "C"}));
    // The copy made during the fill reached the index after the fill, not under it.
    ASSERT_FALSE(index_->upserts.empty());
    EXPECT_EQ(index_->upserts.back().id, "C");
}

TEST_F(ClipboardHistoryRepositoryTest, FailedFillStopsSteppingAsideAndLeavesTheHistory) {
    saveText("A", "alpha", 100);
    repository_->quiesce();
    repository_.reset();
    index_ = std::make_shared<testing::RecordingSearchIndexStore>();
    index_->beforeRebuild = [this] { index_->failing = true; };
    testing::LogCapture log;
    repository();
    EXPECT_TRUE(log.contains("ERROR", "Failed to bootstrap clipboard search index: index unavailable"));
    EXPECT_FALSE(index_->isBeingFilled());
    index_->failing = false;
    EXPECT_EQ(ids(), std::vector<std::string>{"A"});
}

TEST_F(ClipboardHistoryRepositoryTest,
       BootstrapOfAnEmptyHistoryRebuildsNothingAndIndexFailuresAreOnlyLogged) {
    testing::LogCapture log;
    repository();
    EXPECT_TRUE(index_->rebuilds.empty());
    index_->failing = true;
    saveText("A", "alpha", 100);
    repository().waitForSearchIndexJobs();
    EXPECT_TRUE(log.contains("ERROR", "Failed to upsert clipboard search index document: index unavailable"));
    EXPECT_EQ(ids(), std::vector<std::string>{"A"});
    EXPECT_EQ(takeNotifications(), 1);
}

TEST_F(ClipboardHistoryRepositoryTest, IndexWritesLostToAFullDiskAreRetriedWithTheNextIndexWork) {
    repository();
    testing::LogCapture log;
    // The disk fills: both writes fail and the entries are only in the history.
    index_->failing = true;
    saveText("A", "alpha", 100);
    saveImage("B", Bytes{1, 2}, 150);
    repository().waitForSearchIndexJobs();
    EXPECT_TRUE(index_->rows.empty());

    // B's write may already have tried once, while the disk was still full.
    const auto retriesWhileFull = log.count("Retrying clipboard search index writes");
    EXPECT_LE(retriesWhileFull, 1u);

    // Space returns; the next copy brings the lost ones along, without waiting for the next start.
    index_->failing = false;
    saveText("C", "gamma", 200);
    repository().waitForSearchIndexJobs();
    EXPECT_EQ(index_->rows.size(), 3u);
    EXPECT_TRUE(index_->rows.contains("A"));
    EXPECT_TRUE(index_->rows.contains("B"));
    EXPECT_EQ(log.count("Retrying clipboard search index writes"), retriesWhileFull + 1);

    // In step again: later work does not reconcile.
    saveText("D", "delta", 300);
    repository().waitForSearchIndexJobs();
    EXPECT_EQ(log.count("Retrying clipboard search index writes"), retriesWhileFull + 1);
}

TEST_F(ClipboardHistoryRepositoryTest,
       DamageLeftWhileStoppedIsReportedAtTheStartOnceAndNothingMoreIsWritten) {
    damageWhileStopped();
    int damageNotices = 0;
    const auto observation =
        center_.addObserver(ClipboardHistoryRepository::historyDamagedNotification, [&] { ++damageNotices; });
    testing::LogCapture log;
    repository();
    // Said at the start, before anything reads or writes the history.
    for (int turn = 0; turn < 2000 && damageNotices == 0; ++turn) {
        loop_.runUntilIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(damageNotices, 1);
    EXPECT_TRUE(repository().isDamaged());
    // A read that meets it comes back empty and says nothing new.
    bool answered = false;
    repository().getHistorySnapshots("", std::nullopt, [&](auto) { answered = true; });
    for (int turn = 0; turn < 1000 && !answered; ++turn) {
        loop_.runUntilIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(answered);
    for (int i = 0; i < 5; ++i) {
        const std::string text = "after the damage " + std::to_string(i);
        repository().removeDuplicateTexts(text, std::nullopt, std::nullopt, std::nullopt);
        saveText("N" + std::to_string(i), text, 500 + i);
    }
    loop_.runUntilIdle();
    EXPECT_TRUE(repository().isDamaged());
    EXPECT_EQ(log.count("is damaged"), 1u);
    EXPECT_TRUE(log.contains("ERROR", ".recover | sqlite3"));
    // Not one failure per copy.
    EXPECT_EQ(log.count("Failed to save clipboard history context"), 0u);
    EXPECT_EQ(damageNotices, 1);
}

TEST_F(ClipboardHistoryRepositoryTest, ASoundHistoryIsNotReportedDamagedAtTheStart) {
    saveText("A", "alpha", 100);
    repository().quiesce();
    repository_.reset();
    int damageNotices = 0;
    const auto observation =
        center_.addObserver(ClipboardHistoryRepository::historyDamagedNotification, [&] { ++damageNotices; });
    repository();
    EXPECT_EQ(ids(), std::vector<std::string>{"A"});
    loop_.runUntilIdle();
    EXPECT_EQ(damageNotices, 0);
    EXPECT_FALSE(repository().isDamaged());
}

TEST_F(ClipboardHistoryRepositoryTest, AFullDiskLogsOneErrorAndOneLineWhenSavingWorksAgain) {
    repository();
    runRaw(
        "CREATE TRIGGER full BEFORE INSERT ON ClipboardHistoryIndex "
        "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
    testing::LogCapture log;
    for (int i = 0; i < 5; ++i) saveText("F" + std::to_string(i), "copy " + std::to_string(i), 100 + i);
    EXPECT_EQ(log.count("Failed to save clipboard history context"), 1u);
    EXPECT_TRUE(log.contains("ERROR", "database or disk is full"));
    EXPECT_TRUE(ids().empty());

    runRaw("DROP TRIGGER full;");
    saveText("OK", "saved again", 200);
    saveText("OK2", "saved once more", 201);
    EXPECT_EQ(log.count("Saving clipboard history works again"), 1u);
    EXPECT_TRUE(log.contains("INFO", "Saving clipboard history works again after 5 failed saves"));
    EXPECT_EQ(ids(), (std::vector<std::string>{"OK2", "OK"}));

    // A later failure is the first of a new run of them.
    runRaw(
        "CREATE TRIGGER full BEFORE INSERT ON ClipboardHistoryIndex "
        "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
    saveText("F9", "copy 9", 300);
    EXPECT_EQ(log.count("Failed to save clipboard history context"), 2u);
}

TEST_F(ClipboardHistoryRepositoryTest, AClearWhoseIndexStepFailsSaysWhatFailedAndStaysRecorded) {
    saveText("A", "alpha", 100);
    repository().waitForSearchIndexJobs();
    takeNotifications();
    index_->failing = true;
    testing::LogCapture log;
    const auto failure = repository().tryClearHistory();
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(*failure, "the search index was not cleared: index unavailable");
    EXPECT_TRUE(log.contains("ERROR", "Failed to clear clipboard history: the search index was not cleared"));
    // The history itself is cleared and announced; the next start finishes the rest.
    EXPECT_TRUE(ids().empty());
    EXPECT_EQ(takeNotifications(), 1);
    EXPECT_TRUE(std::filesystem::exists(directory_ / "data" / "clipboard_history.clearing"));

    index_->failing = false;
    EXPECT_EQ(repository().tryClearHistory(), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(directory_ / "data" / "clipboard_history.clearing"));
}

TEST_F(ClipboardHistoryRepositoryTest, WithoutAnIndexStoreHistoryStillWorks) {
    index_.reset();
    saveText("A", "alpha", 100);
    saveImage("B", Bytes{1}, 200);
    repository().recordUsage("A");
    repository().deleteItem("B");
    EXPECT_EQ(ids(), std::vector<std::string>{"A"});
    EXPECT_EQ(takeNotifications(), 3);
}

TEST_F(ClipboardHistoryRepositoryTest, QuiesceRunsQueuedIndexJobsAndClosesTheStores) {
    saveText("A", "alpha", 100);
    repository().quiesce();
    EXPECT_EQ(index_->rows.size(), 1u);
    saveText("B", "beta", 200);
    EXPECT_TRUE(snapshots().empty());
    EXPECT_EQ(repository().deleteExpiredItems(Date(1e9), ClipboardContentType::text), 0);
    EXPECT_EQ(index_.use_count(), 1);
    // The file is closed and complete: a new repository finds A only.
    repository_.reset();
    EXPECT_EQ(ids(), std::vector<std::string>{"A"});
}

// Rows of the search index file, as "id:pinyin_compact", ordered by id.
std::vector<std::string> indexRows(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT item_id, pinyin_compact FROM documents ORDER BY item_id;", -1, &statement,
                       nullptr);
    std::vector<std::string> rows;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        rows.push_back(std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))) + ":" +
                       reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

TEST_F(ClipboardHistoryRepositoryTest, WithTheRealIndexEveryChangeReachesItsRows) {
    const auto indexFile = directory_ / "data" / "clipboard_search.sqlite";
    auto shared = std::make_shared<InMemoryUserDefaults>();
    auto store =
        std::make_shared<SQLiteClipboardSearchIndexStore>(indexFile, shared, std::make_shared<FakeClock>());
    ClipboardHistoryRepository repository(directories_, store, loop_, center_, *shared, clock_);
    const auto save = [&](const std::string& id, const std::string& text) {
        repository.saveTextItem({.id = id, .preview = id, .searchText = text, .content = text});
    };
    save("A", "北京 alpha");
    shared->set("ClipboardSearchPinyinIndexEnabled", true);  // applies from the next write on
    save("B", "北京 beta");
    repository.saveImageItem({.id = "C", .preview = "Image", .imageData = Bytes{1, 2}});
    repository.waitForSearchIndexJobs();
    EXPECT_EQ(indexRows(indexFile), (std::vector<std::string>{"A:", "B:beijing", "C:"}));

    repository.deleteItem("A");
    EXPECT_EQ(
        repository.removeDuplicateTexts("北京 beta", std::nullopt, std::nullopt, std::nullopt).accessCount,
        0);
    repository.waitForSearchIndexJobs();
    EXPECT_EQ(indexRows(indexFile), std::vector<std::string>{"C:"});
    repository.clearHistory();
    repository.waitForSearchIndexJobs();
    EXPECT_TRUE(indexRows(indexFile).empty());
    EXPECT_TRUE(store->stats().lastRebuildAt.has_value());
}

}  // namespace
}  // namespace quorvane
