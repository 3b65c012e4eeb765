#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include "base/SerialQueue.h"
#include "classification/ClipboardClassificationSettings.h"
#include "classification/LocalClipboardClassificationService.h"
#include "history/ClipboardHistoryRepository.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "search/ClipboardSearchService.h"
#include "search/ClipboardSearchServiceError.h"
#include "searchindex/ClipboardAppIdentityResolver.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "searchindex/SQLiteClipboardSearchIndexStoreError.h"
#include "support/LogCapture.h"
#include "support/RawSqlite.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

using Kind = ClipboardSearchRuntimeOperationKind;

ClipboardHistoryIndexSnapshot snapshot(std::string id) {
    ClipboardHistoryIndexSnapshot item;
    item.id = std::move(id);
    item.preview = "preview of " + item.id;
    return item;
}

// An index store that answers from canned pages and remembers how it was asked.
class RecordingIndexStore final : public ClipboardSearchIndexStoreProtocol {
public:
    struct SearchCall {
        ClipboardSearchQueryText query;
        std::vector<ClipboardSearchFilter> filters;
        std::int64_t limit;
        std::int64_t offset;
    };

    ClipboardSearchIndexStats rebuild(const std::vector<ClipboardSearchIndexDocument>& documents) override {
        std::lock_guard lock(mutex);
        if (failure)
            throw SQLiteClipboardSearchIndexStoreError(SQLiteClipboardSearchIndexStoreError::Kind::step,
                                                       *failure);
        rebuilds.push_back(documents);
        return {static_cast<std::int64_t>(documents.size()), 7, Date(1)};
    }
    void upsert(const ClipboardSearchIndexDocument&) override {}
    void deleteDocuments(const std::vector<std::string>&) override {}
    void updateAccess(const std::string&, Date, std::optional<Date>, std::int64_t) override {}
    ClipboardSearchIndexStats stats() override {
        std::lock_guard lock(mutex);
        if (failure)
            throw SQLiteClipboardSearchIndexStoreError(SQLiteClipboardSearchIndexStoreError::Kind::step,
                                                       *failure);
        return currentStats;
    }
    std::vector<std::string> documentItemIDsAfter(const std::optional<std::string>&, std::size_t) override {
        return {};
    }
    ClipboardSearchPage fetchRecent(std::int64_t limit, std::int64_t offset) override {
        std::lock_guard lock(mutex);
        recentCalls.emplace_back(limit, offset);
        if (building) throw ClipboardSearchIndexBuildingError();
        if (failure)
            throw SQLiteClipboardSearchIndexStoreError(SQLiteClipboardSearchIndexStoreError::Kind::step,
                                                       *failure);
        clock->advance(storeSeconds);
        return page;
    }
    ClipboardSearchPage search(const ClipboardSearchQueryText& query,
                               const std::vector<ClipboardSearchFilter>& filters, std::int64_t limit,
                               std::int64_t offset) override {
        std::lock_guard lock(mutex);
        searchCalls.push_back({query, filters, limit, offset});
        if (building) throw ClipboardSearchIndexBuildingError();
        if (failure)
            throw SQLiteClipboardSearchIndexStoreError(SQLiteClipboardSearchIndexStoreError::Kind::step,
                                                       *failure);
        clock->advance(storeSeconds);
        return page;
    }
    void syncVoid(const std::function<void()>& body) override { body(); }

    std::recursive_mutex mutex;
    FakeClock* clock = nullptr;
    double storeSeconds = 0;
    std::optional<std::string> failure;
    // Reads answer that the index is being filled.
    bool building = false;
    ClipboardSearchPage page;
    ClipboardSearchIndexStats currentStats;
    std::vector<std::pair<std::int64_t, std::int64_t>> recentCalls;
    std::vector<SearchCall> searchCalls;
    std::vector<std::vector<ClipboardSearchIndexDocument>> rebuilds;
};

// A real index whose rebuild, once on the index's own queue, waits for the test before it starts writing.
class GatedIndexStore final : public ClipboardSearchIndexStoreProtocol {
public:
    explicit GatedIndexStore(std::shared_ptr<SQLiteClipboardSearchIndexStore> store)
        : store_(std::move(store)) {}
    ClipboardSearchIndexStats rebuild(const std::vector<ClipboardSearchIndexDocument>& documents) override {
        entered.set_value();
        released.wait();
        return store_->rebuild(documents);
    }
    void upsert(const ClipboardSearchIndexDocument& document) override { store_->upsert(document); }
    void deleteDocuments(const std::vector<std::string>& ids) override { store_->deleteDocuments(ids); }
    void updateAccess(const std::string& id, Date sortAt, std::optional<Date> lastAccessedAt,
                      std::int64_t accessCount) override {
        store_->updateAccess(id, sortAt, lastAccessedAt, accessCount);
    }
    ClipboardSearchIndexStats stats() override { return store_->stats(); }
    std::vector<std::string> documentItemIDsAfter(const std::optional<std::string>& after,
                                                  std::size_t most) override {
        return store_->documentItemIDsAfter(after, most);
    }
    ClipboardSearchPage fetchRecent(std::int64_t limit, std::int64_t offset) override {
        return store_->fetchRecent(limit, offset);
    }
    ClipboardSearchPage search(const ClipboardSearchQueryText& query,
                               const std::vector<ClipboardSearchFilter>& filters, std::int64_t limit,
                               std::int64_t offset) override {
        return store_->search(query, filters, limit, offset);
    }
    void syncVoid(const std::function<void()>& body) override { store_->syncVoid(body); }

    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();

private:
    std::shared_ptr<SQLiteClipboardSearchIndexStore> store_;
};

// A history that hands over canned documents, or fails to read them; only the rebuild's read is used.
class FakeRepository final : public ClipboardHistoryRepositoryProtocol {
public:
    void saveTextItem(NewTextItem) override {}
    void saveImageItem(NewImageItem) override {}
    void updateOCRText(const std::string&, const std::string&, const std::optional<std::string>&) override {}
    void getHistorySnapshots(const std::string&, std::optional<std::size_t>, SnapshotsCompletion) override {}
    void getContentSnapshotById(const std::string&, ContentCompletion) override {}
    void getHistoryCounts(CountsCompletion) override {}
    void deleteItem(const std::string&) override {}
    std::int64_t deleteExpiredItems(Date, ClipboardContentType) override { return 0; }
    void clearHistory() override {}
    ClipboardHistoryUsageMetadata removeDuplicateTexts(const std::string&, const std::optional<Bytes>&,
                                                       const std::optional<Bytes>&,
                                                       const std::optional<std::string>&) override {
        return {};
    }
    ClipboardHistoryUsageMetadata removeDuplicateImages(const Bytes&,
                                                        const std::optional<std::string>&) override {
        return {};
    }
    void recordUsage(const std::string&) override {}
    void getSearchSourceDocuments(
        std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)>) override {}
    // Runs the rebuild step later, off the caller's queue, as the real history does.
    void rebuildSearchIndexInOrder(
        std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> rebuild) override {
        ++reads;
        std::optional<std::vector<ClipboardSearchSourceDocument>> answer;
        if (!readFails) answer = documents;
        if (indexQueue != nullptr) {
            indexQueue->async([rebuild = std::move(rebuild), answer] { rebuild(answer); });
        } else {
            mainQueue->post([rebuild = std::move(rebuild), answer] { rebuild(answer); });
        }
    }

    std::shared_ptr<MainQueue> mainQueue;
    // When set, the rebuild step runs there, as on the real history's index queue.
    SerialQueue* indexQueue = nullptr;
    std::vector<ClipboardSearchSourceDocument> documents;
    bool readFails = false;
    int reads = 0;
};

// Classifies every text as "Classified:" + the text, remembering what it was given.
class EchoClassifier final : public ClipboardClassificationDetecting {
public:
    ClipboardClassificationResult classify(
        std::string_view text, const std::set<ClipboardSystemClassification>& enabled,
        const std::vector<ClipboardUserClassificationRule>& rules) override {
        texts.emplace_back(text);
        enabledCounts.push_back(enabled.size());
        ruleCounts.push_back(rules.size());
        ClipboardClassificationResult result;
        result.primaryClassification = "Classified:" + std::string(text);
        return result;
    }
    std::vector<std::string> texts;
    std::vector<std::size_t> enabledCounts;
    std::vector<std::size_t> ruleCounts;
};

ClipboardSearchSourceDocument source(std::string id, std::string text, ClipboardContentType type,
                                     std::optional<std::string> classification) {
    ClipboardSearchSourceDocument document;
    document.id = std::move(id);
    document.preview = text.substr(0, 10);
    document.searchableText = std::move(text);
    document.contentType = type;
    document.classification = std::move(classification);
    return document;
}

class ClipboardSearchServiceTest : public ::testing::Test {
protected:
    ClipboardSearchServiceTest() {
        store->clock = &clock;
        repository->mainQueue = runLoop;
        store->page = {{snapshot("a"), snapshot("b")}, true};
    }

    std::shared_ptr<ClipboardSearchService> makeService(
        std::shared_ptr<ClipboardClassificationDetecting> classifier = nullptr) {
        return std::make_shared<ClipboardSearchService>(
            repository, store, ClipboardSearchIndexConfiguration{}, std::move(classifier), defaults, runLoop,
            clockPointer);
    }
    ClipboardSearchResult<ClipboardSearchRebuildResult> rebuild() {
        std::optional<ClipboardSearchResult<ClipboardSearchRebuildResult>> answer;
        int answers = 0;
        service->rebuildIndex([&](auto result) {
            ++answers;
            answer.emplace(std::move(result));
        });
        settle();
        EXPECT_EQ(answers, 1);
        return *answer;
    }
    // Lets the service finish its queued work and delivers the completions (a rebuild takes two turns: the
    // history answers on the main queue, then the service finishes on its own).
    void settle() {
        for (int turn = 0; turn < 3; ++turn) {
            service->drain();
            runLoop->runUntilIdle();
        }
    }
    ClipboardSearchResult<ClipboardSearchPage> search(const std::string& query, std::int64_t limit = 20,
                                                      std::int64_t offset = 0) {
        std::optional<ClipboardSearchResult<ClipboardSearchPage>> answer;
        int answers = 0;
        service->search(query, limit, offset, [&](auto result) {
            ++answers;
            answer.emplace(std::move(result));
        });
        settle();
        EXPECT_EQ(answers, 1);
        return *answer;
    }
    ClipboardSearchServiceProtocol::RuntimeMetrics metrics() {
        ClipboardSearchServiceProtocol::RuntimeMetrics result;
        service->runtimeMetrics([&](auto metrics) { result = std::move(metrics); });
        settle();
        return result;
    }

    FakeClock clock;
    std::shared_ptr<const Clock> clockPointer{std::shared_ptr<const Clock>(), &clock};
    std::shared_ptr<ManualRunLoop> runLoop = std::make_shared<ManualRunLoop>(clock);
    std::shared_ptr<InMemoryUserDefaults> defaults = std::make_shared<InMemoryUserDefaults>();
    std::shared_ptr<RecordingIndexStore> store = std::make_shared<RecordingIndexStore>();
    std::shared_ptr<FakeRepository> repository = std::make_shared<FakeRepository>();
    std::shared_ptr<ClipboardSearchService> service = makeService();
};

TEST_F(ClipboardSearchServiceTest, RecentPageClampsNegativeArgumentsAndIsTimed) {
    std::optional<ClipboardSearchResult<ClipboardSearchPage>> answer;
    store->storeSeconds = 0.012;
    service->fetchRecent(-5, -1, [&](auto result) { answer.emplace(std::move(result)); });
    EXPECT_FALSE(answer) << "answered before the main queue ran";
    settle();
    ASSERT_TRUE(answer && answer->succeeded());
    EXPECT_EQ(answer->value(), store->page);
    EXPECT_EQ(store->recentCalls, (std::vector<std::pair<std::int64_t, std::int64_t>>{{0, 0}}));
    auto recorded = metrics();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[Kind::fetchRecent].sampleCount, 1);
    EXPECT_NEAR(*recorded[Kind::fetchRecent].lastMilliseconds, 12.0, 1e-3);
}

TEST_F(ClipboardSearchServiceTest, RecentPageFailureIsLoggedRecordedAndHandedOn) {
    testing::LogCapture log;
    store->failure = "disk I/O error";
    std::optional<ClipboardSearchResult<ClipboardSearchPage>> answer;
    service->fetchRecent(10, 0, [&](auto result) { answer.emplace(std::move(result)); });
    settle();
    ASSERT_TRUE(answer);
    EXPECT_FALSE(answer->succeeded());
    EXPECT_THROW(answer->value(), SQLiteClipboardSearchIndexStoreError);
    EXPECT_TRUE(log.contains("ERROR", "Failed to read recent clipboard search index items: "));
    EXPECT_EQ(metrics()[Kind::fetchRecent].failureCount, 1);
}

TEST_F(ClipboardSearchServiceTest, BlankTextWithoutFiltersNeverReachesTheStore) {
    for (auto query : {"", "   ", "\t"}) {
        auto result = search(query);
        ASSERT_TRUE(result.succeeded());
        EXPECT_EQ(result.value(), ClipboardSearchPage{});
    }
    EXPECT_TRUE(store->searchCalls.empty());
    auto recorded = metrics();
    EXPECT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[Kind::search].sampleCount, 3);
    EXPECT_EQ(recorded[Kind::textOnlySearch].sampleCount, 3);
    EXPECT_EQ(recorded[Kind::textOnlySearch].failureCount, 0);
}

TEST_F(ClipboardSearchServiceTest, TextOnlyQueryIsNormalisedAndClamped) {
    auto result = search("  Hello   World ", -3, -8);
    ASSERT_TRUE(result.succeeded());
    EXPECT_EQ(result.value(), store->page);
    ASSERT_EQ(store->searchCalls.size(), 1u);
    const auto& call = store->searchCalls[0];
    EXPECT_EQ(call.query, ClipboardSearchQueryText("hello world", "helloworld", {"hello", "world"}));
    EXPECT_TRUE(call.filters.empty());
    EXPECT_EQ(call.limit, 0);
    EXPECT_EQ(call.offset, 0);
    auto recorded = metrics();
    EXPECT_EQ(recorded[Kind::textOnlySearch].sampleCount, 1);
    EXPECT_FALSE(recorded.count(Kind::filtersOnlySearch));
}

TEST_F(ClipboardSearchServiceTest, HugeQueryIsCutToAFewIndexedDocumentsWorth) {
    constexpr std::size_t cap = 4 * ClipboardSearchIndexConfiguration::defaultTextCharacterLimit;
    std::string query;
    while (query.size() < 3 * cap) query += "Abc ";
    ASSERT_TRUE(search(query).succeeded());
    ASSERT_EQ(store->searchCalls.size(), 1u);
    const auto& text = store->searchCalls[0].query;
    EXPECT_LE(text.normalizedText.size(), cap);
    EXPECT_GE(text.normalizedText.size(), cap - 4);
    EXPECT_EQ(text.tokens.size(), cap / 4);
    EXPECT_EQ(text.tokens.back(), "abc");
}

TEST_F(ClipboardSearchServiceTest, FilterOnlyQueryPassesEmptyTextAndTheFilters) {
    ASSERT_TRUE(search("type:image", 30, 60).succeeded());
    ASSERT_EQ(store->searchCalls.size(), 1u);
    const auto& call = store->searchCalls[0];
    EXPECT_EQ(call.query, ClipboardSearchQueryText{});
    EXPECT_EQ(call.filters, (std::vector<ClipboardSearchFilter>{
                                {ClipboardSearchFilterKind::type, "Image", false, "type:image"}}));
    EXPECT_EQ(call.limit, 30);
    EXPECT_EQ(call.offset, 60);
    auto recorded = metrics();
    EXPECT_EQ(recorded[Kind::search].sampleCount, 1);
    EXPECT_EQ(recorded[Kind::filtersOnlySearch].sampleCount, 1);
    EXPECT_FALSE(recorded.count(Kind::textOnlySearch));
}

TEST_F(ClipboardSearchServiceTest, TextWithFiltersIsRecordedUnderItsOwnKind) {
    ASSERT_TRUE(search("type:image foo after:week").succeeded());
    ASSERT_EQ(store->searchCalls.size(), 1u);
    EXPECT_EQ(store->searchCalls[0].query.normalizedText, "foo");
    EXPECT_EQ(store->searchCalls[0].filters.size(), 2u);
    auto recorded = metrics();
    EXPECT_EQ(recorded[Kind::textWithFiltersSearch].sampleCount, 1);
    EXPECT_EQ(recorded.size(), 2u);
}

TEST_F(ClipboardSearchServiceTest, ReadsOfAnIndexBeingFilledFailToTheCallerWithInfoLinesOnly) {
    testing::LogCapture log;
    store->building = true;
    std::optional<ClipboardSearchResult<ClipboardSearchPage>> recent;
    service->fetchRecent(10, 0, [&](auto result) { recent.emplace(std::move(result)); });
    auto found = search("foo");
    settle();
    ASSERT_TRUE(recent);
    EXPECT_THROW(recent->value(), ClipboardSearchIndexBuildingError);
    EXPECT_THROW(found.value(), ClipboardSearchIndexBuildingError);
    EXPECT_TRUE(log.contains("INFO", "Failed to read recent clipboard search index items: "));
    EXPECT_TRUE(log.contains("INFO", "Clipboard search index query failed: "));
    EXPECT_EQ(log.count("[ERROR]"), 0u);
    EXPECT_EQ(log.count("[WARNING]"), 0u);
}

TEST_F(ClipboardSearchServiceTest, SearchFailureMarksBothKindsFailedAndReachesTheCaller) {
    testing::LogCapture log;
    store->failure = "database is locked";
    auto result = search("foo");
    ASSERT_FALSE(result.succeeded());
    try {
        result.value();
        FAIL() << "no error";
    } catch (const SQLiteClipboardSearchIndexStoreError& error) {
        EXPECT_NE(std::string(error.what()).find("database is locked"), std::string::npos);
    }
    EXPECT_TRUE(log.contains("ERROR", "Clipboard search index query failed: "));
    auto recorded = metrics();
    EXPECT_EQ(recorded[Kind::search].failureCount, 1);
    EXPECT_EQ(recorded[Kind::textOnlySearch].failureCount, 1);
}

TEST_F(ClipboardSearchServiceTest, SlowSearchIsLoggedAsAWarningWithItsDuration) {
    testing::LogCapture log;
    store->storeSeconds = 0.3;
    ASSERT_TRUE(search("foo").succeeded());
    EXPECT_TRUE(log.contains("WARNING", "Search runtime search duration=300.0ms"));
    EXPECT_TRUE(log.contains("WARNING", "Search runtime textOnlySearch duration=300.0ms"));
}

TEST_F(ClipboardSearchServiceTest, StatsFailureGivesZerosWithoutAnError) {
    testing::LogCapture log;
    store->currentStats = {12, 40, Date(5)};
    ClipboardSearchIndexStats stats;
    service->indexStats([&](auto value) { stats = value; });
    settle();
    EXPECT_EQ(stats, store->currentStats);

    store->failure = "no such table";
    service->indexStats([&](auto value) { stats = value; });
    settle();
    EXPECT_EQ(stats, ClipboardSearchIndexStats{});
    EXPECT_TRUE(log.contains("ERROR", "Failed to read clipboard search index stats: "));
    EXPECT_TRUE(metrics().empty()) << "statistics are not timed";
}

TEST_F(ClipboardSearchServiceTest, CompletionsRunInCallOrderOnTheMainQueue) {
    std::vector<std::string> order;
    service->fetchRecent(1, 0, [&](auto) { order.push_back("recent"); });
    service->search("x", 1, 0, [&](auto) { order.push_back("search"); });
    service->indexStats([&](auto) { order.push_back("stats"); });
    settle();
    EXPECT_EQ(order, (std::vector<std::string>{"recent", "search", "stats"}));
}

TEST_F(ClipboardSearchServiceTest, RebuildWithoutClassifierKeepsStoredClassificationsInHistoryOrder) {
    testing::LogCapture log;
    repository->documents = {source("new", "select 1", ClipboardContentType::text, "SQL"),
                             source("old", "", ClipboardContentType::image, std::nullopt)};
    auto result = rebuild();
    ASSERT_TRUE(result.succeeded());
    EXPECT_EQ(result.value().indexedCount, 2);
    EXPECT_EQ(result.value().stats, (ClipboardSearchIndexStats{2, 7, Date(1)}));
    ASSERT_EQ(store->rebuilds.size(), 1u);
    ASSERT_EQ(store->rebuilds[0].size(), 2u);
    EXPECT_EQ(store->rebuilds[0][0].id, "new");
    EXPECT_EQ(store->rebuilds[0][0].classification, "SQL");
    EXPECT_EQ(store->rebuilds[0][0].normalizedText, "select 1");
    EXPECT_EQ(store->rebuilds[0][1].classification, std::nullopt);
    EXPECT_TRUE(log.contains("INFO", "Starting clipboard search index rebuild"));
    EXPECT_TRUE(log.contains("INFO", "Clipboard search index rebuild completed, documents=2, grams=7"));
    EXPECT_EQ(metrics()[Kind::rebuildIndex].sampleCount, 1);
}

TEST_F(ClipboardSearchServiceTest, RebuildReclassifiesOnlyTextEntriesThatHaveText) {
    auto classifier = std::make_shared<EchoClassifier>();
    service = makeService(classifier);
    ClipboardUserClassificationRule rule;
    rule.id = "r";
    rule.name = "Tickets";
    rule.conditionValue = "TICKET-";
    rule.resultClassification = "Ticket";
    ClipboardClassificationSettings::setUserRules({rule}, *defaults);
    repository->documents = {source("t", "https://example.com", ClipboardContentType::text, "Text"),
                             source("e", "", ClipboardContentType::text, "JSON"),
                             source("i", "recognised words", ClipboardContentType::image, "Image")};
    ASSERT_TRUE(rebuild().succeeded());
    EXPECT_EQ(classifier->texts, std::vector<std::string>{"https://example.com"});
    EXPECT_EQ(classifier->ruleCounts, std::vector<std::size_t>{1});
    const auto& written = store->rebuilds.at(0);
    EXPECT_EQ(written[0].classification, "Classified:https://example.com");
    EXPECT_EQ(written[1].classification, "JSON");
    EXPECT_EQ(written[2].classification, "Image");
}

TEST_F(ClipboardSearchServiceTest, RebuildOfEmptyHistoryStillEmptiesTheIndex) {
    auto result = rebuild();
    ASSERT_TRUE(result.succeeded());
    EXPECT_EQ(result.value().indexedCount, 0);
    ASSERT_EQ(store->rebuilds.size(), 1u);
    EXPECT_TRUE(store->rebuilds[0].empty());
}

TEST_F(ClipboardSearchServiceTest, FailedHistoryReadLeavesTheIndexUntouchedAndReportsTheFailure) {
    testing::LogCapture log;
    repository->documents = {source("a", "text", ClipboardContentType::text, std::nullopt)};
    repository->readFails = true;
    auto result = rebuild();
    EXPECT_FALSE(result.succeeded());
    try {
        result.value();
        ADD_FAILURE() << "no error";
    } catch (const ClipboardSearchServiceError& error) {
        EXPECT_EQ(error.code(), ClipboardSearchServiceError::Code::historyUnreadable);
    }
    EXPECT_TRUE(store->rebuilds.empty());
    EXPECT_TRUE(log.contains(
        "ERROR", "Clipboard search index rebuild failed: The clipboard history could not be read."));
    EXPECT_EQ(metrics()[Kind::rebuildIndex].failureCount, 1);
}

TEST_F(ClipboardSearchServiceTest, RebuildStoreFailureReachesTheCaller) {
    testing::LogCapture log;
    repository->documents = {source("a", "text", ClipboardContentType::text, std::nullopt)};
    store->failure = "disk full";
    auto result = rebuild();
    EXPECT_THROW(result.value(), SQLiteClipboardSearchIndexStoreError);
    EXPECT_TRUE(log.contains("ERROR", "Clipboard search index rebuild failed: "));
}

TEST_F(ClipboardSearchServiceTest, RebuildReadsThePinyinSettingWhenItStarts) {
    repository->documents = {source("zh", "北京", ClipboardContentType::text, std::nullopt)};
    ASSERT_TRUE(rebuild().succeeded());
    EXPECT_EQ(store->rebuilds.at(0).at(0).pinyinCompact, "");
    defaults->set("ClipboardSearchPinyinIndexEnabled", true);
    ASSERT_TRUE(rebuild().succeeded());
    EXPECT_EQ(store->rebuilds.at(1).at(0).pinyinCompact, "beijing");
}

TEST_F(ClipboardSearchServiceTest, SearchesRunWhileTheRebuildWaitsForTheHistory) {
    repository->documents = {source("a", "text", ClipboardContentType::text, std::nullopt)};
    std::vector<std::string> order;
    service->rebuildIndex([&](auto) { order.push_back("rebuild"); });
    service->drain();
    ASSERT_EQ(repository->reads, 1);
    service->search("text", 5, 0, [&](auto) { order.push_back("search"); });
    settle();
    EXPECT_EQ(order, (std::vector<std::string>{"search", "rebuild"}));
    EXPECT_EQ(store->rebuilds.size(), 1u);
}

TEST_F(ClipboardSearchServiceTest, ServiceGoneBeforeTheHistoryAnswersStillAnswersOnce) {
    int answers = 0;
    std::optional<ClipboardSearchResult<ClipboardSearchRebuildResult>> answer;
    service->rebuildIndex([&](auto result) {
        ++answers;
        answer.emplace(std::move(result));
    });
    service->drain();
    service.reset();
    runLoop->runUntilIdle();
    runLoop->runUntilIdle();
    EXPECT_EQ(answers, 1);
    ASSERT_TRUE(answer);
    EXPECT_THROW(answer->value(), ClipboardSearchServiceError);
    EXPECT_TRUE(store->rebuilds.empty());
}

// A rebuild holds the index's write queue for as long as it writes; searches meanwhile answer from the index
// as it was, and from the rebuilt one afterwards.
TEST_F(ClipboardSearchServiceTest, SearchesAnswerWhileARebuildHoldsTheIndex) {
    testing::TemporaryDirectory directory;
    auto real = std::make_shared<SQLiteClipboardSearchIndexStore>(directory / "clipboard_search.sqlite",
                                                                  defaults, clockPointer);
    real->upsert(ClipboardSearchIndexDocument::make(
        source("before", "alpha before", ClipboardContentType::text, std::nullopt), {}));
    auto gated = std::make_shared<GatedIndexStore>(real);
    SerialQueue historyQueue("test.history.index");
    repository->indexQueue = &historyQueue;
    repository->documents = {source("after", "alpha after", ClipboardContentType::text, std::nullopt)};
    service = std::make_shared<ClipboardSearchService>(repository, gated, ClipboardSearchIndexConfiguration{},
                                                       nullptr, defaults, runLoop, clockPointer);
    std::optional<ClipboardSearchResult<ClipboardSearchRebuildResult>> rebuilt;
    service->rebuildIndex([&](auto result) { rebuilt.emplace(std::move(result)); });
    gated->entered.get_future().wait();

    std::optional<ClipboardSearchResult<ClipboardSearchPage>> during;
    service->search("alpha", 20, 0, [&](auto result) { during.emplace(std::move(result)); });
    // Bounded only so that a search stuck behind the rebuild fails the test instead of hanging it.
    auto searched = std::async(std::launch::async, [&] { service->drain(); });
    const bool answered = searched.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    gated->release.set_value();
    searched.wait();
    ASSERT_TRUE(answered) << "the search waited for the rebuild";
    while (!rebuilt) {
        historyQueue.drain();
        service->drain();
        runLoop->runUntilIdle();
    }
    ASSERT_TRUE(during && during->succeeded());
    ASSERT_EQ(during->value().items.size(), 1u);
    EXPECT_EQ(during->value().items[0].id, "before");
    ASSERT_TRUE(rebuilt->succeeded());
    const auto after = search("alpha");
    ASSERT_EQ(after.value().items.size(), 1u);
    EXPECT_EQ(after.value().items[0].id, "after");
    service.reset();
}

// The real history and index: changes made after the rebuild started, while its read still waits behind an
// index job that is running, must end up in the rebuilt index, and a history that cannot be read must leave
// the index as it was.
TEST_F(ClipboardSearchServiceTest, ChangesMadeBeforeTheRebuildReadsTheHistoryLandOnTheRebuiltIndex) {
    testing::TemporaryDirectory directory;
    RecordingWorkspaceOpener workspace;
    DataDirectoryManager directories(*defaults, workspace, [&](const std::string& name) {
        return name == "QUORVANE_STORAGE_DIRECTORY" ? std::optional((directory / "data").string())
                                                    : std::nullopt;
    });
    NotificationCenter center(*runLoop);
    auto index = std::make_shared<SQLiteClipboardSearchIndexStore>(directory / "clipboard_search.sqlite",
                                                                   defaults, clockPointer);
    auto history =
        std::make_shared<ClipboardHistoryRepository>(directories, index, *runLoop, center, *defaults, clock);
    auto saveText = [&](const std::string& id) {
        history->saveTextItem({.id = id, .preview = id, .searchText = id, .content = "text " + id});
    };
    saveText("old");
    saveText("kept");
    service = std::make_shared<ClipboardSearchService>(history, index, ClipboardSearchIndexConfiguration{},
                                                       nullptr, defaults, runLoop, clockPointer);
    auto indexedIDs = [&] {
        history->waitForSearchIndexJobs();
        std::set<std::string> ids;
        for (const auto& item : index->fetchRecent(10, 0).items) ids.insert(item.id);
        return ids;
    };
    auto rebuildAroundChanges = [&](const std::function<void()>& changes) {
        std::promise<void> release;
        // An index job still running holds the queue, so the rebuild's read cannot have run yet.
        history->rebuildSearchIndexInOrder(
            [running = release.get_future().share()](auto) { running.wait(); });
        std::vector<ClipboardSearchResult<ClipboardSearchRebuildResult>> answers;
        service->rebuildIndex([&](auto result) { answers.push_back(std::move(result)); });
        service->drain();
        changes();
        release.set_value();
        while (answers.empty()) {
            history->waitForSearchIndexJobs();
            service->drain();
            runLoop->runUntilIdle();
            std::this_thread::yield();
        }
        runLoop->runUntilIdle();
        EXPECT_EQ(answers.size(), 1u);
        return answers.at(0);
    };

    auto rebuilt = rebuildAroundChanges([&] {
        saveText("new");
        history->deleteItem("old");
    });
    ASSERT_TRUE(rebuilt.succeeded());
    EXPECT_EQ(indexedIDs(), (std::set<std::string>{"kept", "new"}));

    testing::LogCapture log;
    const auto historyFile = directory / "data" / "clipboard_history.sqlite";
    auto failed = rebuildAroundChanges(
        [&] { testing::runRawSql(historyFile, "ALTER TABLE ClipboardHistoryIndex RENAME TO Broken;"); });
    EXPECT_THROW(failed.value(), ClipboardSearchServiceError);
    EXPECT_EQ(indexedIDs(), (std::set<std::string>{"kept", "new"}));
    EXPECT_TRUE(log.contains("ERROR", "Failed to fetch clipboard search source documents: "));
    service.reset();
}

// The whole path on a real index: the rebuild classifies and writes, then the parser's filter values, the
// application resolver and the store's conditions have to agree for these searches to find anything.
TEST_F(ClipboardSearchServiceTest, RebuiltRealIndexAnswersTypeAppAndTextSearches) {
    testing::TemporaryDirectory directory;
    InMemoryApplicationCatalog catalog;
    catalog.install("com.jgraph.drawio", "draw.io");
    catalog.install("org.mozilla.firefox", "Firefox");
    ClipboardAppIdentityResolver resolver(catalog, nullptr, "C");
    auto realStore = std::make_shared<SQLiteClipboardSearchIndexStore>(
        directory / "clipboard_search.sqlite", defaults, clockPointer,
        [&resolver](const std::string& value, const std::vector<std::string>& known) {
            return resolver.resolveBundleIdentifiers(value, known);
        });
    service = std::make_shared<ClipboardSearchService>(
        repository, realStore, ClipboardSearchIndexConfiguration{},
        std::make_shared<LocalClipboardClassificationService>(), defaults, runLoop, clockPointer);
    auto json = source("json", "{\"name\": \"diagram\", \"pages\": 3}", ClipboardContentType::text, "Text");
    json.bundleIdentifier = "com.jgraph.drawio";
    json.createdAt = clock.now().addingTimeInterval(-60);
    auto link = source("link", "https://example.com/diagram", ClipboardContentType::text, "Text");
    link.bundleIdentifier = "org.mozilla.firefox";
    link.createdAt = clock.now().addingTimeInterval(-30);
    repository->documents = {link, json};
    auto rebuilt = rebuild();
    ASSERT_TRUE(rebuilt.succeeded());
    EXPECT_EQ(rebuilt.value().stats.documentCount, 2);

    auto ids = [](const ClipboardSearchResult<ClipboardSearchPage>& result) {
        std::vector<std::string> found;
        for (const auto& item : result.value().items) found.push_back(item.id);
        return found;
    };
    EXPECT_EQ(ids(search("type:json")), std::vector<std::string>{"json"});
    EXPECT_EQ(ids(search(":url diagram")), std::vector<std::string>{"link"});
    EXPECT_EQ(ids(search("app:draw.io")), std::vector<std::string>{"json"});
    EXPECT_EQ(ids(search("app:firefox diagram")), std::vector<std::string>{"link"});
    EXPECT_EQ(ids(search("diagram")), (std::vector<std::string>{"link", "json"}));
    EXPECT_TRUE(ids(search("type:image")).empty());
}

}  // namespace
}  // namespace quorvane
