#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "history/ClipboardHistorySnapshotRanking.h"

namespace quorvane {
namespace {

ClipboardHistoryIndexSnapshot entry(const std::string& id, const std::string& searchText, double createdAt,
                                    std::optional<double> lastAccessedAt = std::nullopt) {
    ClipboardHistoryIndexSnapshot snapshot;
    snapshot.id = id;
    snapshot.searchText = searchText;
    snapshot.createdAt = Date(createdAt);
    if (lastAccessedAt) snapshot.lastAccessedAt = Date(*lastAccessedAt);
    return snapshot;
}

std::vector<std::string> idsOf(const std::vector<ClipboardHistoryIndexSnapshot>& snapshots) {
    std::vector<std::string> ids;
    for (const auto& snapshot : snapshots) ids.push_back(snapshot.id);
    return ids;
}

std::vector<std::string> rank(const std::vector<ClipboardHistoryIndexSnapshot>& snapshots,
                              const std::string& query, std::optional<std::size_t> limit = std::nullopt) {
    return idsOf(ClipboardHistorySnapshotRanking::filterAndRank(snapshots, query, limit));
}

TEST(ClipboardHistorySnapshotRankingTest, BlankQueryKeepsEveryEntryInRecencyOrderCutToTheLimit) {
    const std::vector<ClipboardHistoryIndexSnapshot> all = {entry("old-used", "x", 100, 500),
                                                            entry("new", "y", 300), entry("mid", "z", 200),
                                                            entry("used-before-capture", "w", 250, 50)};
    EXPECT_EQ(rank(all, ""), (std::vector<std::string>{"old-used", "new", "used-before-capture", "mid"}));
    EXPECT_EQ(rank(all, " \n\t "), rank(all, ""));
    EXPECT_EQ(rank(all, "", 2), (std::vector<std::string>{"old-used", "new"}));
    EXPECT_TRUE(rank(all, "", 0).empty());
    EXPECT_EQ(rank(all, "", 10).size(), 4u);
}

TEST(ClipboardHistorySnapshotRankingTest, PhraseBeatsPrefixBeatsWordsThenRecencyDecides) {
    const std::vector<ClipboardHistoryIndexSnapshot> all = {
        entry("words-new", "say hello, big world", 900), entry("phrase-old", "we said hello world", 100),
        entry("phrase-prefix", "hello world again", 50), entry("compact", "helloworld", 40),
        entry("unrelated", "goodbye", 1000)};
    EXPECT_EQ(rank(all, "Hello World"),
              (std::vector<std::string>{"phrase-prefix", "compact", "phrase-old", "words-new"}));
    // Terms in any order match word by word, without rank flags.
    EXPECT_EQ(rank(all, "wor hel"),
              (std::vector<std::string>{"words-new", "phrase-old", "phrase-prefix", "compact"}));
    EXPECT_EQ(rank(all, "hello world", 1), (std::vector<std::string>{"phrase-prefix"}));
}

TEST(ClipboardHistorySnapshotRankingTest, BlankFreeFormsMatchAcrossSpacingAndFoldingAppliesToBothSides) {
    const std::vector<ClipboardHistoryIndexSnapshot> all = {entry("spaced", "hello world", 10),
                                                            entry("cafe", "Le Café du coin", 20)};
    EXPECT_EQ(rank(all, "helloworld"), (std::vector<std::string>{"spaced"}));
    EXPECT_EQ(rank(all, "CAFÉ"), (std::vector<std::string>{"cafe"}));
    EXPECT_EQ(rank(all, "cafe"), (std::vector<std::string>{"cafe"}));
    EXPECT_TRUE(rank(all, "hello moon").empty());
}

TEST(ClipboardHistorySnapshotRankingTest, RecencyTiesFallToCreationThenToTheGreaterId) {
    const auto a = entry("A", "", 100, 300);
    const auto b = entry("B", "", 200, 300);
    const auto c = entry("C", "", 200, 300);
    EXPECT_TRUE(ClipboardHistorySnapshotRanking::snapshotOrder(b, a));  // same sort date, later capture
    EXPECT_TRUE(ClipboardHistorySnapshotRanking::snapshotOrder(c, b));  // same capture, greater id
    EXPECT_FALSE(ClipboardHistorySnapshotRanking::snapshotOrder(c, c));
    EXPECT_EQ(rank({a, b, c}, ""), (std::vector<std::string>{"C", "B", "A"}));
}

TEST(ClipboardHistorySnapshotRankingTest, MatchesKeptOneAtATimeAreTheFirstOfTheWholeRanking) {
    // Many ties of sort date, capture time and rank, offered in random order, so that keeping only the best
    // `limit` of them must order them as a sort of all of them does.
    std::mt19937 random(7);
    const std::vector<std::string> words = {"ab", "cd", "abcd", "ab cd", "cd ab", "x"};
    std::vector<ClipboardHistoryIndexSnapshot> all;
    for (int i = 0; i < 300; ++i) {
        const double createdAt = 100 + static_cast<double>(random() % 20);
        std::optional<double> lastUse;
        if (random() % 3 == 0) lastUse = 90 + static_cast<double>(random() % 40);
        all.push_back(entry("id-" + std::to_string(random() % 100000) + "-" + std::to_string(i),
                            words[random() % words.size()] + " " + words[random() % words.size()], createdAt,
                            lastUse));
    }
    for (const std::string query : {"", "ab", "ab cd", "abcd"}) {
        const auto whole = ClipboardHistorySnapshotRanking::filterAndRank(all, query, std::nullopt);
        ASSERT_FALSE(whole.empty());
        if (query.empty()) {
            EXPECT_TRUE(
                std::is_sorted(whole.begin(), whole.end(), ClipboardHistorySnapshotRanking::snapshotOrder));
        }
        for (const std::size_t limit : {0u, 1u, 2u, 7u, 10u, 101u, 299u, 300u, 400u}) {
            std::shuffle(all.begin(), all.end(), random);
            const auto kept = ClipboardHistorySnapshotRanking::filterAndRank(all, query, limit);
            const auto expected = std::vector<ClipboardHistoryIndexSnapshot>(
                whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(std::min(limit, whole.size())));
            EXPECT_EQ(idsOf(kept), idsOf(expected)) << "query '" << query << "' limit " << limit;
        }
    }
}

}  // namespace
}  // namespace quorvane
