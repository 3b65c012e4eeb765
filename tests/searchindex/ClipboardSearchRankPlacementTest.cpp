#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "searchindex/ClipboardSearchRankPlacement.h"

namespace quorvane {
namespace {

using RankPlacement = ClipboardSearchRankPlacement;
using Ranked = RankPlacement::Ranked;
constexpr std::int64_t kGap = RankPlacement::kRankGap;

// The rank order as the index keeps it, newest (smallest rank) first. Places documents as the writer does:
// asks for the neighbours of a position, then checks and applies the moves.
class Order {
public:
    explicit Order(const std::vector<std::int64_t>& ranks) {
        for (const auto rank : ranks) documents_.push_back({rank, nextID_++});
    }

    // Places a new document before the one at `position` (size() places it after the oldest).
    RankPlacement::Placement insert(std::size_t position) {
        const auto placement = RankPlacement::place([&](bool newer, std::int64_t most) {
            std::vector<Ranked> found;
            const auto fits = [&] { return static_cast<std::int64_t>(found.size()) < most; };
            if (newer) {
                for (std::size_t i = position; i > 0 && fits(); --i) found.push_back(documents_[i - 1]);
            } else {
                for (std::size_t i = position; i < documents_.size() && fits(); ++i) {
                    found.push_back(documents_[i]);
                }
            }
            return found;
        });
        for (const auto& move : placement.moves) {
            const auto it = std::find_if(documents_.begin(), documents_.end(),
                                         [&](const Ranked& document) { return document.id == move.id; });
            if (it == documents_.end()) {
                ADD_FAILURE() << "a move names document " << move.id << ", which is not in the order";
                continue;
            }
            EXPECT_EQ(it->rank, move.from) << "document " << move.id;
            it->rank = move.to;
        }
        documents_.insert(documents_.begin() + static_cast<std::ptrdiff_t>(position),
                          {placement.rank, nextID_++});
        moved_ += placement.moves.size();
        return placement;
    }

    void remove(std::size_t position) {
        documents_.erase(documents_.begin() + static_cast<std::ptrdiff_t>(position));
    }

    // A new sort time: the document leaves its place and is placed again as the newest.
    RankPlacement::Placement moveToFront(std::size_t position) {
        remove(position);
        return insert(0);
    }

    // Ranks rise strictly from the newest to the oldest: the order held and no rank is taken twice.
    ::testing::AssertionResult inOrder() const {
        for (std::size_t i = 1; i < documents_.size(); ++i) {
            if (documents_[i - 1].rank >= documents_[i].rank) {
                return ::testing::AssertionFailure() << "rank " << documents_[i - 1].rank << " at " << i - 1
                                                     << " is not below rank " << documents_[i].rank;
            }
        }
        return ::testing::AssertionSuccess();
    }

    std::int64_t rankAt(std::size_t position) const { return documents_.at(position).rank; }
    std::int64_t idAt(std::size_t position) const { return documents_.at(position).id; }
    std::size_t size() const { return documents_.size(); }
    std::size_t moved() const { return moved_; }

private:
    std::vector<Ranked> documents_;
    std::int64_t nextID_ = 1;
    std::size_t moved_ = 0;
};

// Ranks 0, 1, 2, ... for `count` documents: no room between any two.
std::vector<std::int64_t> packed(std::int64_t from, std::int64_t count) {
    std::vector<std::int64_t> ranks;
    for (std::int64_t i = 0; i < count; ++i) ranks.push_back(from + i);
    return ranks;
}

TEST(ClipboardSearchRankPlacementTest, TheFirstDocumentAndTheEndsOfTheOrderMoveNothing) {
    Order order({});
    EXPECT_EQ(order.insert(0), (RankPlacement::Placement{0, {}}));
    // A new entry goes before the newest, an entry dated before all others after the oldest.
    EXPECT_EQ(order.insert(0), (RankPlacement::Placement{-kGap, {}}));
    EXPECT_EQ(order.insert(2), (RankPlacement::Placement{kGap, {}}));
    // Entries copied one after another (each the newest) never move any other.
    for (int i = 0; i < 100; ++i) EXPECT_TRUE(order.insert(0).moves.empty());
    EXPECT_EQ(order.rankAt(0), -101 * kGap);
    EXPECT_TRUE(order.inOrder());
}

TEST(ClipboardSearchRankPlacementTest, AnEntryBetweenNeighboursWithRoomTakesTheMiddle) {
    Order order({0, kGap, 2 * kGap});
    // One gap leaves room for three entries dated between the same two neighbours; the fourth finds them
    // side by side.
    EXPECT_EQ(order.insert(1), (RankPlacement::Placement{kGap / 2, {}}));
    EXPECT_EQ(order.insert(1), (RankPlacement::Placement{kGap / 4, {}}));
    EXPECT_EQ(order.insert(1), (RankPlacement::Placement{kGap / 8, {}}));
    EXPECT_FALSE(order.insert(1).moves.empty());
    EXPECT_TRUE(order.inOrder());
    // Neighbours two apart still have the rank between them.
    Order close({10, 12});
    EXPECT_EQ(close.insert(1), (RankPlacement::Placement{11, {}}));
}

TEST(ClipboardSearchRankPlacementTest, NeighboursSideBySideMoveTheRoomierSide) {
    // Packed ranks with the newest entry at the front: the free ranks above it give the room, so only the
    // newer neighbour moves, up, and the packed older ones stay.
    Order front(packed(0, 100));
    const auto atFront = front.insert(1);
    ASSERT_EQ(atFront.moves.size(), 1u);
    EXPECT_EQ(atFront.moves.front().id, front.idAt(0));
    EXPECT_LT(atFront.moves.front().to, 0);
    EXPECT_TRUE(front.inOrder());
    EXPECT_EQ(front.rankAt(2), 1);

    // Packed newer ranks and room behind the older neighbour: the older side moves, down, and no newer one.
    std::vector<std::int64_t> ranks = packed(0, 50);
    ranks.push_back(50);
    ranks.push_back(50 + 1000 * kGap);
    Order back(ranks);
    const auto atBack = back.insert(50);
    ASSERT_FALSE(atBack.moves.empty());
    EXPECT_EQ(atBack.moves.front().id, back.idAt(51));
    EXPECT_GT(atBack.moves.front().to, atBack.moves.front().from);
    EXPECT_TRUE(back.inOrder());
    for (std::size_t i = 0; i < 50; ++i) EXPECT_EQ(back.rankAt(i), static_cast<std::int64_t>(i));
}

TEST(ClipboardSearchRankPlacementTest, NoRoomNearByWidensTheWindowUntilItFindsRoom) {
    // Hundreds of packed ranks on both sides, with room only past both ends: the window doubles until a
    // side reaches an end, and every document up to there keeps its order.
    Order order(packed(-300, 601));
    order.insert(300);
    EXPECT_TRUE(order.inOrder());
    EXPECT_EQ(order.size(), 602u);
    EXPECT_GT(order.moved(), 0u);
    EXPECT_LE(order.moved(), 301u);
}

// Many entries of one date mended in at one place (each new one the newest of that date), and entries
// moved to the front one after another, as used entries are.
TEST(ClipboardSearchRankPlacementTest, EntriesOfOneDateAtOnePlaceAndMovesToTheFrontKeepTheOrder) {
    Order order({0, kGap, 2 * kGap, 3 * kGap});
    for (int i = 0; i < 500; ++i) {
        order.insert(2);
        ASSERT_TRUE(order.inOrder()) << "after " << i + 1 << " entries";
    }
    std::mt19937 random(7);
    for (int i = 0; i < 500; ++i) {
        const auto moved = order.moveToFront(std::uniform_int_distribution<std::size_t>(0, 503)(random));
        EXPECT_TRUE(moved.moves.empty());
        ASSERT_TRUE(order.inOrder()) << "after " << i + 1 << " moves to the front";
    }
    EXPECT_EQ(order.size(), 504u);
}

// Inserts anywhere, removals leaving gaps of every size and moves to the front, mixed: the order holds after
// each, and spreading stays a small cost per entry rather than a renumbering of the index.
TEST(ClipboardSearchRankPlacementTest, MixedWritesKeepEveryRankDistinctAndInOrder) {
    Order order({});
    std::mt19937 random(11);
    const int writes = 5000;
    for (int i = 0; i < writes; ++i) {
        const auto kind = std::uniform_int_distribution<int>(0, 9)(random);
        const auto any = [&](std::size_t bound) {
            return std::uniform_int_distribution<std::size_t>(0, bound)(random);
        };
        if (kind < 6 || order.size() < 2) {
            order.insert(any(order.size()));
        } else if (kind < 8) {
            order.remove(any(order.size() - 1));
        } else {
            order.moveToFront(any(order.size() - 1));
        }
        ASSERT_TRUE(order.inOrder()) << "after write " << i + 1;
    }
    EXPECT_LT(order.moved(), static_cast<std::size_t>(writes) * 8);
}

}  // namespace
}  // namespace quorvane
