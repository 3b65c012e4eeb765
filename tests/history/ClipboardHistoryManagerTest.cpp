#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "history/ClipboardHistoryManager.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/EmptyClipboardHistoryManager.h"
#include "history/EmptyClipboardHistoryRepository.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

// Capture that only knows whether it is watching.
class WatchingMonitor final : public CaptureSuspension {
public:
    void runWithCaptureSuspended(const std::function<void()>& body) override {
        const bool wasWatching = std::exchange(watching, false);
        try {
            body();
        } catch (...) {
            watching = wasWatching;
            throw;
        }
        watching = wasWatching;
    }

    bool watching = true;
};

class ClipboardHistoryManagerTest : public ::testing::Test {
protected:
    ClipboardHistoryManagerTest()
        : loop_(clock_),
          center_(loop_),
          directories_(defaults_, workspace_,
                       [this](const std::string& name) -> std::optional<std::string> {
                           if (name == "QUORVANE_STORAGE_DIRECTORY") return directory_.path().string();
                           return std::nullopt;
                       }),
          repository_(std::make_shared<ClipboardHistoryRepository>(directories_, nullptr, loop_, center_,
                                                                   defaults_, clock_)),
          manager_(repository_, monitor_) {}

    std::vector<std::string> listedIDs(ClipboardHistoryManagerProtocol& manager, const std::string& query) {
        std::optional<std::vector<std::string>> ids;
        manager.getHistorySnapshots(query, std::nullopt, [&](auto snapshots) {
            ids.emplace();
            for (const auto& snapshot : snapshots) ids->push_back(snapshot.id);
        });
        while (!ids) {
            loop_.runUntilIdle();
            std::this_thread::yield();
        }
        return *ids;
    }
    void save(const std::string& id, const std::string& text) {
        clock_.advance(1);
        repository_->saveTextItem({.id = id, .preview = id, .searchText = text, .content = text});
    }

    testing::TemporaryDirectory directory_;
    FakeClock clock_;
    ManualRunLoop loop_;
    NotificationCenter center_;
    InMemoryUserDefaults defaults_;
    RecordingWorkspaceOpener workspace_;
    DataDirectoryManager directories_;
    std::shared_ptr<ClipboardHistoryRepository> repository_;
    std::shared_ptr<WatchingMonitor> monitor_ = std::make_shared<WatchingMonitor>();
    ClipboardHistoryManager manager_;
};

TEST_F(ClipboardHistoryManagerTest, HistoryOperationsReachTheRepository) {
    save("A", "alpha");
    save("B", "beta");
    save("C", "gamma");
    EXPECT_EQ(listedIDs(manager_, ""), (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_EQ(listedIDs(manager_, "bet"), std::vector<std::string>{"B"});
    clock_.advance(1);
    manager_.recordUsage("A");
    EXPECT_EQ(listedIDs(manager_, "").front(), "A");
    manager_.deleteItem("B");
    EXPECT_EQ(listedIDs(manager_, ""), (std::vector<std::string>{"A", "C"}));
    std::optional<std::optional<ClipboardHistoryContentSnapshot>> content;
    manager_.getContentSnapshotById("C", [&](auto snapshot) { content = snapshot; });
    while (!content) {
        loop_.runUntilIdle();
        std::this_thread::yield();
    }
    EXPECT_EQ((*content)->content, "gamma");
    manager_.clearHistory();
    EXPECT_TRUE(listedIDs(manager_, "").empty());
}

TEST_F(ClipboardHistoryManagerTest, SuspendedWorkRunsWhileTheMonitorIsNotWatching) {
    const bool watchingInside = manager_.performWithCaptureSuspended([&] { return monitor_->watching; });
    EXPECT_FALSE(watchingInside);
    EXPECT_TRUE(monitor_->watching);
    EXPECT_THROW(manager_.performWithCaptureSuspended([] { throw std::runtime_error("pasteboard busy"); }),
                 std::runtime_error);
    EXPECT_TRUE(monitor_->watching);
}

TEST(EmptyClipboardHistoryManagerTest, ListsNothingOnALaterTurnChangesNothingAndRunsWorkAtOnce) {
    FakeClock clock;
    auto loop = std::make_shared<ManualRunLoop>(clock);
    EmptyClipboardHistoryManager manager(loop);
    int calls = 0;
    manager.getHistorySnapshots("x", 3, [&](auto snapshots) {
        ++calls;
        EXPECT_TRUE(snapshots.empty());
    });
    manager.getContentSnapshotById("x", [&](auto snapshot) {
        ++calls;
        EXPECT_EQ(snapshot, std::nullopt);
    });
    // Like the real manager: never before the call returns.
    EXPECT_EQ(calls, 0);
    loop->runUntilIdle();
    EXPECT_EQ(calls, 2);
    manager.deleteItem("x");
    manager.clearHistory();
    manager.recordUsage("x");
    EXPECT_EQ(manager.performWithCaptureSuspended([] { return 7; }), 7);
    EXPECT_THROW(manager.performWithCaptureSuspended([] { throw std::logic_error("x"); }), std::logic_error);
}

TEST(EmptyClipboardHistoryRepositoryTest, RemovalsGiveTheEmptyUsageAndReadsAreEmptySuccesses) {
    FakeClock clock;
    auto loop = std::make_shared<ManualRunLoop>(clock);
    EmptyClipboardHistoryRepository repository(loop);
    repository.saveTextItem({.id = "A", .preview = "a", .searchText = "a", .content = "a", .accessCount = 5});
    EXPECT_EQ(repository.removeDuplicateTexts("a", std::nullopt, std::nullopt, std::nullopt),
              ClipboardHistoryUsageMetadata::empty);
    EXPECT_EQ(repository.removeDuplicateImages({1}, std::nullopt), ClipboardHistoryUsageMetadata::empty);
    EXPECT_EQ(repository.deleteExpiredItems(Date(1e12), ClipboardContentType::text), 0);
    std::optional<std::optional<std::vector<ClipboardSearchSourceDocument>>> documents;
    repository.getSearchSourceDocuments([&](auto result) { documents = result; });
    int reads = 0;
    repository.getHistorySnapshots("", std::nullopt, [&](auto snapshots) { reads += snapshots.empty(); });
    repository.getContentSnapshotById("A", [&](auto snapshot) { reads += !snapshot.has_value(); });
    EXPECT_FALSE(documents.has_value());
    EXPECT_EQ(reads, 0);
    loop->runUntilIdle();
    EXPECT_EQ(reads, 2);
    ASSERT_TRUE(documents.has_value());
    ASSERT_TRUE(documents->has_value());
    EXPECT_TRUE((*documents)->empty());
}

}  // namespace
}  // namespace quorvane
