#include <gtest/gtest.h>

#include "panel/model/ClipboardPanelFallbackQuery.h"
#include "panel/support/FakeHistoryManager.h"
#include "panel/support/PanelTestEntries.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "searchindex/ClipboardSearchFilterKind.h"

namespace quorvane {
namespace {

using testing::idsOf;
using testing::imageEntry;
using testing::textEntry;

ClipboardSearchFilter filter(ClipboardSearchFilterKind kind, std::string value) {
    ClipboardSearchFilter result;
    result.kind = kind;
    result.value = std::move(value);
    return result;
}

ClipboardHistoryIndexSnapshot fromApp(const std::string& id, std::optional<std::string> bundleIdentifier) {
    auto entry = textEntry(id);
    entry.bundleIdentifier = std::move(bundleIdentifier);
    return entry;
}

class ClipboardPanelFallbackQueryTest : public ::testing::Test {
protected:
    ClipboardPanelFallbackQueryTest() { catalog.install("org.mozilla.firefox", "Firefox"); }

    std::vector<std::string> passing(const std::vector<ClipboardSearchFilter>& filters,
                                     const std::vector<ClipboardHistoryIndexSnapshot>& items) {
        return idsOf(ClipboardPanelFallbackQuery::applyFilters(filters, items, resolver, now));
    }

    ClipboardSearchPage run(const std::string& text, std::int64_t offset) {
        std::optional<ClipboardSearchPage> page;
        ClipboardPanelFallbackQuery::run({text, offset, 10}, history, {defaults, resolver, now},
                                         [&](ClipboardSearchPage answer) { page = std::move(answer); });
        loop.runUntilIdle();
        EXPECT_TRUE(page.has_value());
        return page.value_or(ClipboardSearchPage{});
    }

    Date now{1'700'000'000.0};
    FakeClock clock{now};
    ManualRunLoop loop{clock};
    InMemoryUserDefaults defaults;
    InMemoryApplicationCatalog catalog;
    ClipboardAppIdentityResolver resolver{catalog, {}, "en_US.UTF-8"};
    std::shared_ptr<testing::FakeHistoryManager> history =
        std::make_shared<testing::FakeHistoryManager>(loop);
};

TEST_F(ClipboardPanelFallbackQueryTest, TypeFiltersPickTheContentTypeOrTheClassification) {
    auto json = textEntry("json");
    json.classification = "JSON";
    const std::vector items{textEntry("plain"), imageEntry("picture"), json};

    EXPECT_EQ(passing({}, items), idsOf(items));
    EXPECT_EQ(passing({filter(ClipboardSearchFilterKind::type, "Image")}, items),
              std::vector<std::string>{"picture"});
    EXPECT_EQ(passing({filter(ClipboardSearchFilterKind::type, "img")}, items),
              std::vector<std::string>{"picture"});
    EXPECT_EQ(passing({filter(ClipboardSearchFilterKind::type, "text")}, items),
              (std::vector<std::string>{"plain", "json"}));
    EXPECT_EQ(passing({filter(ClipboardSearchFilterKind::type, "json")}, items),
              std::vector<std::string>{"json"});
    // A later classification replaces an earlier one; a content type and a classification both hold.
    EXPECT_EQ(passing({filter(ClipboardSearchFilterKind::type, "url"),
                       filter(ClipboardSearchFilterKind::type, "json")},
                      items),
              std::vector<std::string>{"json"});
    EXPECT_TRUE(passing({filter(ClipboardSearchFilterKind::type, "json"),
                         filter(ClipboardSearchFilterKind::type, "image")},
                        items)
                    .empty());
}

TEST_F(ClipboardPanelFallbackQueryTest, AppFiltersMatchIdentifiersExactlyAndNamesLoosely) {
    const std::vector items{fromApp("firefox", "org.mozilla.firefox"), fromApp("kate", "org.kde.kate"),
                            fromApp("blank", "  "), fromApp("unknown", std::nullopt)};
    EXPECT_EQ(passing({filter(ClipboardSearchFilterKind::app, "ORG.MOZILLA.FIREFOX")}, items),
              std::vector<std::string>{"firefox"});
    EXPECT_TRUE(passing({filter(ClipboardSearchFilterKind::app, "org.mozilla")}, items).empty())
        << "an identifier names one application exactly";
    EXPECT_EQ(passing({filter(ClipboardSearchFilterKind::app, "fire")}, items),
              std::vector<std::string>{"firefox"});
    EXPECT_EQ(passing({filter(ClipboardSearchFilterKind::app, "kate")}, items),
              std::vector<std::string>{"kate"});
}

TEST_F(ClipboardPanelFallbackQueryTest, DateFiltersBoundTheCreationTime) {
    const std::vector items{textEntry("now", "", now),
                            textEntry("two days ago", "", Date(now.timeIntervalSince1970 - 2 * 86400)),
                            textEntry("last year", "", Date(now.timeIntervalSince1970 - 365 * 86400))};
    EXPECT_EQ(passing({filter(ClipboardSearchFilterKind::after, "week")}, items),
              (std::vector<std::string>{"now", "two days ago"}));
    EXPECT_EQ(passing({filter(ClipboardSearchFilterKind::before, "yesterday")}, items),
              (std::vector<std::string>{"two days ago", "last year"}));
    EXPECT_EQ(passing({filter(ClipboardSearchFilterKind::after, "someday")}, items), idsOf(items))
        << "a word that is no preset is ignored";
}

TEST_F(ClipboardPanelFallbackQueryTest, FiltersThatLeaveTooFewEntriesFetchAgainWithABiggerBatch) {
    // 150 texts, then 12 images: the first batch of 100 holds no image at all.
    for (int i = 0; i < 150; ++i) history->entries.push_back(textEntry("t" + std::to_string(i)));
    for (int i = 0; i < 12; ++i) history->entries.push_back(imageEntry("i" + std::to_string(i)));

    const auto page = run("type:image", 0);
    ASSERT_EQ(history->snapshotsCalls.size(), 2u);
    EXPECT_EQ(history->snapshotsCalls[0].limit, std::optional<std::size_t>(100));
    EXPECT_EQ(history->snapshotsCalls[1].limit, std::optional<std::size_t>(200));
    EXPECT_EQ(page.items.size(), 10u);
    EXPECT_EQ(page.items.front().id, "i0");
    EXPECT_TRUE(page.hasMore);

    const auto second = run("type:image", 10);
    EXPECT_EQ(idsOf(second.items), (std::vector<std::string>{"i10", "i11"}));
    EXPECT_FALSE(second.hasMore);
}

TEST_F(ClipboardPanelFallbackQueryTest, WordsGoToTheStoreAndAPagePastTheEndIsEmpty) {
    history->entries = {textEntry("a", "alpha beta"), textEntry("b", "beta"),
                        textEntry("c", "alpha beta gamma")};
    const auto page = run("alpha beta", 0);
    EXPECT_EQ(history->snapshotsCalls.back().searchQuery, "alpha beta");
    EXPECT_EQ(history->snapshotsCalls.back().limit, std::optional<std::size_t>(11));
    EXPECT_EQ(idsOf(page.items), (std::vector<std::string>{"a", "c"}));
    EXPECT_FALSE(page.hasMore);

    const auto beyond = run("alpha beta", 20);
    EXPECT_TRUE(beyond.items.empty());
    EXPECT_FALSE(beyond.hasMore);
}

}  // namespace
}  // namespace quorvane
