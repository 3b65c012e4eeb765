// Clear All History over real stores: the history and the index with their logs, searched byte by byte for
// the cleared texts, while the index merges and searches; a clear that fails, and clears cut short by kill
// -9.

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include "history/ClipboardHistoryClearRecord.h"
#include "history/ClipboardHistoryRepository.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// Every cleared text carries it; the index keeps texts case-folded, so it is lower case.
constexpr std::string_view kSecret = "clearmesecret";

ClipboardSearchIndexDocument indexRow(const std::string& id, const std::string& text, Date at) {
    ClipboardSearchSourceDocument source;
    source.id = id;
    source.preview = text.substr(0, 40);
    source.searchableText = text;
    source.createdAt = at;
    return ClipboardSearchIndexDocument::make(source, ClipboardSearchIndexConfiguration{});
}

class ClipboardHistoryClearTest : public ::testing::Test {
protected:
    ClipboardHistoryClearTest()
        : loop_(clock_),
          center_(loop_),
          directories_(defaults_, workspace_, [this](const std::string& name) -> std::optional<std::string> {
              if (name == "QUORVANE_STORAGE_DIRECTORY") return folder().string();
              return std::nullopt;
          }) {}

    fs::path folder() const { return directory_ / "data"; }
    fs::path historyFile() const { return folder() / "clipboard_history.sqlite"; }
    fs::path indexFile() const { return folder() / "clipboard_search.sqlite"; }

    // Adds `count` entries holding the secret to the closed stores, as an earlier run would have left them.
    void fillStores(int count, double firstAt) {
        fs::create_directories(folder());
        std::vector<ClipboardSearchIndexDocument> rows;
        {
            ClipboardHistoryStore store(historyFile());
            auto& context = store.mainContext();
            for (const auto& index : context.fetchIndexes())
                rows.push_back(indexRow(index.id, index.searchText, index.createdAt));
            for (int i = 0; i < count; ++i) {
                const std::string id = "entry-" + std::to_string(firstAt) + "-" + std::to_string(i);
                const std::string text = std::string(kSecret) + " number " + std::to_string(i) +
                                         " of a history that is about to go, with some words around it";
                const Date at(firstAt + i * 0.001);
                ClipboardHistoryIndex index;
                index.id = id;
                index.preview = text.substr(0, 40);
                index.searchText = text;
                index.createdAt = at;
                context.insert(index);
                ClipboardHistoryContent content;
                content.id = id;
                content.content = text;
                context.insert(content);
                rows.push_back(indexRow(id, text, at));
            }
            context.save();
        }
        SQLiteClipboardSearchIndexStore(indexFile(), defaultsPointer_).rebuild(rows);
    }

    std::shared_ptr<SQLiteClipboardSearchIndexStore> openIndex() {
        return std::make_shared<SQLiteClipboardSearchIndexStore>(indexFile(), defaultsPointer_);
    }
    std::unique_ptr<ClipboardHistoryRepository> openRepository(
        std::shared_ptr<SQLiteClipboardSearchIndexStore> index) {
        return std::make_unique<ClipboardHistoryRepository>(directories_, std::move(index), loop_, center_,
                                                            defaults_, clock_);
    }

    // What the start does before it opens the stores, then the start itself, up to a clean stop.
    void startAndStop() {
        ClipboardHistoryClearRecord::finishPending(folder(), historyFile(), indexFile());
        auto index = openIndex();
        auto repository = openRepository(index);
        repository->waitForSearchIndexJobs();
        repository.reset();
        index.reset();
    }

    // The files of the storage folder whose bytes hold the secret.
    std::vector<std::string> filesHoldingSecret() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder())) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (bytes.find(kSecret) != std::string::npos) found.push_back(entry.path().filename().string());
        }
        return found;
    }

    std::int64_t historyCount() {
        ClipboardHistoryStore store(historyFile());
        return static_cast<std::int64_t>(store.mainContext().fetchIndexes().size());
    }

    testing::TemporaryDirectory directory_;
    FakeClock clock_{Date(5'000'000)};
    ManualRunLoop loop_;
    NotificationCenter center_;
    InMemoryUserDefaults defaults_;
    std::shared_ptr<UserDefaults> defaultsPointer_ = std::make_shared<InMemoryUserDefaults>();
    RecordingWorkspaceOpener workspace_;
    DataDirectoryManager directories_;
};

// Ten clears, each over a history of its own: a test process each, so they run side by side instead of one
// taking most of the suite's time under the sanitizers.
class ClipboardHistoryTenClearsTest : public ClipboardHistoryClearTest,
                                      public ::testing::WithParamInterface<int> {};

TEST_P(ClipboardHistoryTenClearsTest, AClearBesideIndexMergesAndSearchesLeavesNoClearedTextInAnyFile) {
    const int run = GetParam();
    fillStores(20'000, 1'000'000 + run * 100'000);
    ASSERT_FALSE(filesHoldingSecret().empty());
    auto index = openIndex();
    auto repository = openRepository(index);
    // Fresh writes leave full-text segments that the index merges step by step on its queue, and its log asks
    // for checkpoints; searches read beside them.
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        while (!stop) {
            try {
                (void)index->fetchRecent(10, 0);
            } catch (const std::exception&) {
                // A search that steps aside is no fault here.
            }
        }
    });
    for (int i = 0; i < 40; ++i) {
        const std::string text = std::string(kSecret) + " copied just now " + std::to_string(i);
        repository->saveTextItem({.id = "new-" + std::to_string(run) + "-" + std::to_string(i),
                                  .preview = text,
                                  .searchText = text,
                                  .content = text});
    }
    const std::optional<std::string> failure = repository->tryClearHistory();
    stop = true;
    reader.join();

    EXPECT_EQ(failure, std::nullopt);
    // Reported as cleared while the files are open: neither database nor log holds a cleared text.
    EXPECT_EQ(filesHoldingSecret(), std::vector<std::string>{});
    EXPECT_EQ(index->stats().documentCount, 0);
    EXPECT_FALSE(ClipboardHistoryClearRecord::isPending(folder()));
    repository.reset();
    index.reset();
    EXPECT_EQ(historyCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(TenRuns, ClipboardHistoryTenClearsTest, ::testing::Range(0, 10));

TEST_F(ClipboardHistoryClearTest, AClearTheIndexCannotTakeSaysSoAndTheNextStartFinishesIt) {
    fillStores(500, 1'000'000);
    auto index = openIndex();
    auto repository = openRepository(index);
    repository->waitForSearchIndexJobs();
    // Another program holds the index's write lock past the wait.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(indexFile().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr), SQLITE_OK);
    testing::LogCapture log;
    const std::optional<std::string> failure = repository->tryClearHistory();
    sqlite3_exec(other, "ROLLBACK;", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("the search index was not cleared"), std::string::npos) << *failure;
    EXPECT_NE(failure->find("database is locked"), std::string::npos) << *failure;
    EXPECT_TRUE(log.contains("ERROR", "Failed to clear clipboard history: the search index was not cleared"));
    EXPECT_TRUE(ClipboardHistoryClearRecord::isPending(folder()));
    repository.reset();
    index.reset();

    startAndStop();
    EXPECT_EQ(filesHoldingSecret(), std::vector<std::string>{});
    EXPECT_FALSE(ClipboardHistoryClearRecord::isPending(folder()));
    EXPECT_EQ(historyCount(), 0);
}

TEST_F(ClipboardHistoryClearTest, AClearKilledAtAnyPointIsFinishedAtTheNextStart) {
    for (const int delayMilliseconds : {0, 1, 3, 8, 20, 50, 150}) {
        SCOPED_TRACE("killed " + std::to_string(delayMilliseconds) + " ms into the clear");
        fillStores(4'000, 1'000'000 + delayMilliseconds * 10'000);
        // Forked without other threads, so the child owns every lock it finds.
        ASSERT_EQ(std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator()), 1);
        std::fflush(nullptr);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            auto repository = openRepository(openIndex());
            repository->tryClearHistory();
            ::_exit(0);
        }
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        int status = 0;
        bool exited = false;
        while (!ClipboardHistoryClearRecord::isPending(folder()) &&
               std::chrono::steady_clock::now() < giveUp) {
            if (::waitpid(child, &status, WNOHANG) == child) {
                exited = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (!exited) {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMilliseconds));
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
        }

        startAndStop();
        EXPECT_EQ(filesHoldingSecret(), std::vector<std::string>{});
        EXPECT_FALSE(ClipboardHistoryClearRecord::isPending(folder()));
        EXPECT_EQ(historyCount(), 0);
    }
}

TEST_F(ClipboardHistoryClearTest, FinishingKeepsWhatWasSavedAfterTheClearAndAnUnreadableRecordClearsAll) {
    fillStores(20, 1'000);
    EXPECT_FALSE(ClipboardHistoryClearRecord::finishPending(folder(), historyFile(), indexFile()));
    EXPECT_EQ(historyCount(), 20);

    // Entries at 1000.000 to 1000.019; the clear was made at 1000.0095.
    ClipboardHistoryClearRecord::begin(folder(), Date(1'000.0095));
    testing::LogCapture log;
    EXPECT_TRUE(ClipboardHistoryClearRecord::finishPending(folder(), historyFile(), indexFile()));
    EXPECT_TRUE(log.contains("WARNING", "Finishing a Clear All History that did not end"));
    EXPECT_FALSE(fs::exists(indexFile()));
    EXPECT_FALSE(ClipboardHistoryClearRecord::isPending(folder()));
    {
        ClipboardHistoryStore store(historyFile());
        auto& context = store.mainContext();
        const auto kept = context.fetchIndexes();
        EXPECT_EQ(kept.size(), 10u);
        for (const auto& index : kept) EXPECT_GT(index.createdAt.timeIntervalSince1970, 1'000.0095);
        // No content is left without its entry.
        EXPECT_EQ(context.fetchContents({.loadImageData = false}).size(), 10u);
    }

    std::ofstream(folder() / ClipboardHistoryClearRecord::fileName) << "not a time";
    EXPECT_TRUE(ClipboardHistoryClearRecord::finishPending(folder(), historyFile(), indexFile()));
    EXPECT_EQ(historyCount(), 0);
    EXPECT_EQ(filesHoldingSecret(), std::vector<std::string>{});
}

}  // namespace
}  // namespace quorvane
