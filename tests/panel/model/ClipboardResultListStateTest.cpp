#include <gtest/gtest.h>

#include "panel/model/ClipboardResultListGeometry.h"
#include "panel/model/ClipboardResultListState.h"

namespace quorvane {
namespace {

std::vector<ClipboardHistoryIndexSnapshot> entries(int count) {
    std::vector<ClipboardHistoryIndexSnapshot> items;
    for (int i = 0; i < count; ++i) {
        ClipboardHistoryIndexSnapshot item;
        item.id = "id" + std::to_string(i);
        item.preview = "entry " + std::to_string(i);
        items.push_back(item);
    }
    return items;
}

class ClipboardResultListStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.callbacks.onItemSelected = [this](const auto& item) { selected.push_back(item.id); };
        list.callbacks.onSelectionChanged = [this](int row, auto source) {
            pointerMoves.emplace_back(row, source);
        };
        list.callbacks.onLoadMore = [this] { ++loadMoreRequests; };
    }

    ClipboardResultListState list;
    std::vector<std::string> selected;
    std::vector<std::pair<int, ClipboardResultListSelectionSource>> pointerMoves;
    int loadMoreRequests = 0;
};

TEST_F(ClipboardResultListStateTest, EmptyListHasNoRowsAndNoSelection) {
    list.setItems({}, false, true);
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.selectedIndex(), 0);
    EXPECT_EQ(list.previousSelectedIndex(), -1);
    EXPECT_FALSE(list.selectedItem());
    EXPECT_TRUE(selected.empty());
}

TEST_F(ClipboardResultListStateTest, ShowMoreRowFollowsTheEntriesAndPagesOncePerSetItems) {
    list.setItems(entries(10), true, true);
    EXPECT_EQ(list.rowCount(), 11);
    EXPECT_TRUE(list.isShowMoreRow(10));
    EXPECT_EQ(selected, std::vector<std::string>{"id0"});

    list.selectItem(10, ClipboardResultListSelectionSource::keyboard);
    EXPECT_FALSE(list.selectedItem());
    EXPECT_TRUE(list.triggerAutoLoadMoreIfNeeded());
    EXPECT_FALSE(list.triggerAutoLoadMoreIfNeeded());
    EXPECT_FALSE(list.scrolled(true));
    EXPECT_EQ(loadMoreRequests, 1);

    // A click on the show-more row asks at once, pending or not.
    list.clicked(10);
    EXPECT_EQ(loadMoreRequests, 2);

    auto more = entries(20);
    const auto update = list.setItems(more, false, false);
    EXPECT_TRUE(update.keepVisibleRows);
    EXPECT_FALSE(update.scrollToTop);
    EXPECT_FALSE(list.isAutoLoadMorePending());
    EXPECT_EQ(list.selectedIndex(), 10);
    EXPECT_EQ(list.selectedItem()->id, "id10");
}

TEST_F(ClipboardResultListStateTest, ScrollingNearTheEndAsksForOnePageUntilItArrives) {
    list.setItems(entries(10), true, true);
    EXPECT_FALSE(list.scrolled(false));
    EXPECT_TRUE(list.scrolled(true));
    EXPECT_FALSE(list.scrolled(true));
    list.setItems(entries(20), true, false);
    EXPECT_TRUE(list.scrolled(true));
    EXPECT_EQ(loadMoreRequests, 2);
}

TEST_F(ClipboardResultListStateTest, SelectionSourcesDecideWhichCallbacksRun) {
    list.setItems(entries(5), false, true);
    selected.clear();

    EXPECT_EQ(list.selectItem(0, ClipboardResultListSelectionSource::mouseClick),
              ClipboardResultListUpdate{});
    EXPECT_TRUE(selected.empty());

    list.selectItem(2, ClipboardResultListSelectionSource::keyboard);
    list.selectItem(3, ClipboardResultListSelectionSource::programmatic);
    EXPECT_EQ(selected, (std::vector<std::string>{"id2", "id3"}));
    EXPECT_TRUE(pointerMoves.empty());
    EXPECT_EQ(list.previousSelectedIndex(), 2);

    list.selectItem(1, ClipboardResultListSelectionSource::mouseClick);
    ASSERT_EQ(pointerMoves.size(), 1u);
    EXPECT_EQ(pointerMoves[0].first, 1);

    EXPECT_EQ(list.selectItem(7, ClipboardResultListSelectionSource::keyboard), ClipboardResultListUpdate{});
    EXPECT_EQ(list.selectItem(-1, ClipboardResultListSelectionSource::keyboard), ClipboardResultListUpdate{});
    EXPECT_EQ(list.selectedIndex(), 1);
}

TEST_F(ClipboardResultListStateTest, KeyboardMovesStopAtBothEnds) {
    list.setItems(entries(3), false, true);
    list.moveSelection(true);
    EXPECT_EQ(list.selectedIndex(), 0);
    list.moveSelection(false);
    list.moveSelection(false);
    list.moveSelection(false);
    EXPECT_EQ(list.selectedIndex(), 2);
}

TEST_F(ClipboardResultListStateTest, EntriesArrivingDuringSuggestionsWaitForTheirEnd) {
    list.setItems(entries(3), false, true);
    std::vector<ClipboardFilterSuggestion> suggestions{{"JSON", "json", "json", {}},
                                                       {"SQL", "sql", "sql", {}}};
    list.setFilterSuggestions(suggestions);
    selected.clear();
    EXPECT_EQ(list.setItems(entries(8), true, true), ClipboardResultListUpdate{});
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_TRUE(selected.empty());

    list.moveFilterSuggestionSelection(false);
    list.moveFilterSuggestionSelection(false);
    EXPECT_EQ(list.selectedSuggestionIndex(), 1);
    std::optional<ClipboardFilterSuggestion> chosen;
    list.callbacks.onFilterSuggestionSelected = [&](const auto& suggestion) { chosen = suggestion; };
    EXPECT_EQ(list.confirmSelectedFilterSuggestion()->insertToken, "sql");
    EXPECT_EQ(chosen->displayName, "SQL");

    // The entries and the paging flag that came meanwhile are shown now.
    list.exitFilterSuggestionMode();
    EXPECT_EQ(list.rowCount(), 9);
    EXPECT_TRUE(list.hasMoreItems());
    EXPECT_FALSE(list.confirmSelectedFilterSuggestion());
}

TEST_F(ClipboardResultListStateTest, HoverAfterScrollWaitsForThePointerToMove) {
    list.setItems(entries(6), false, true);
    list.scrollWheel({100, 200});
    list.hovered(3, {100.2, 200.3});
    EXPECT_EQ(list.selectedIndex(), 0);

    list.hovered(3, {100, 200.5});
    EXPECT_EQ(list.selectedIndex(), 3);
    ASSERT_EQ(pointerMoves.size(), 1u);
    EXPECT_EQ(pointerMoves[0].second, ClipboardResultListSelectionSource::hover);

    // A second hover at the same spot is refused.
    list.hovered(4, {100, 200.5});
    EXPECT_EQ(list.selectedIndex(), 3);
}

TEST_F(ClipboardResultListStateTest, PointerPressesSelectAndReport) {
    list.setItems(entries(4), false, true);
    std::vector<std::string> clicked, doubleClicked;
    list.callbacks.onItemClicked = [&](const auto& item) { clicked.push_back(item.id); };
    list.callbacks.onItemDoubleClicked = [&](const auto& item) { doubleClicked.push_back(item.id); };
    list.primaryMouseDown(2);
    list.clicked(2);
    list.doubleClicked(2);
    EXPECT_EQ(list.selectedIndex(), 2);
    EXPECT_EQ(clicked, std::vector<std::string>{"id2"});
    EXPECT_EQ(doubleClicked, std::vector<std::string>{"id2"});

    ClipboardResultListUpdate update;
    EXPECT_TRUE(list.secondaryMouseDown(3, update));
    EXPECT_EQ(list.selectedIndex(), 3);
    EXPECT_FALSE(list.secondaryMouseDown(9, update));

    std::vector<std::string> deleted;
    list.callbacks.onItemDelete = [&](const auto& item) { deleted.push_back(item.id); };
    list.deleteSelectedItem();
    EXPECT_EQ(deleted, std::vector<std::string>{"id3"});
}

TEST(ClipboardResultListGeometryTest, CompactModeKeepsFiveRowsWhateverTheCount) {
    using Geometry = ClipboardResultListGeometry;
    EXPECT_EQ(Geometry::documentHeight(ClipboardResultListMode::compact,
                                       ClipboardResultListRowStyle::standard, 40, 0),
              273);
    EXPECT_EQ(
        Geometry::intrinsicHeight(ClipboardResultListMode::compact, ClipboardResultListRowStyle::compact, 1),
        183);
    EXPECT_EQ(
        Geometry::intrinsicHeight(ClipboardResultListMode::normal, ClipboardResultListRowStyle::standard, 1),
        100);
    EXPECT_EQ(Geometry::documentHeight(ClipboardResultListMode::normal, ClipboardResultListRowStyle::standard,
                                       10, 0),
              538);
}

TEST(ClipboardResultListGeometryTest, RevealingShowsTheNeighbourInTheDirectionOfTravel) {
    using Geometry = ClipboardResultListGeometry;
    const auto style = ClipboardResultListRowStyle::standard;
    const double document = Geometry::documentHeight(ClipboardResultListMode::normal, style, 20, 200);
    // Down from 2 to 3 with rows 0..3 visible: row 4 comes into view as well.
    const double down = Geometry::scrollOffsetRevealing(style, 20, 3, 2, 0, 200, document);
    EXPECT_DOUBLE_EQ(down, Geometry::rowTop(style, 4) + 52 - 200);
    // Up to row 1 goes to the very top.
    EXPECT_EQ(Geometry::scrollOffsetRevealing(style, 20, 1, 2, 300, 200, document), 0);
    // Up to row 6 shows row 5 too.
    EXPECT_DOUBLE_EQ(Geometry::scrollOffsetRevealing(style, 20, 6, 7, 600, 200, document),
                     Geometry::rowTop(style, 5));
    EXPECT_EQ(Geometry::rowAt(style, 20, 4 + 53 * 2 + 10), 2);
    EXPECT_EQ(Geometry::rowAt(style, 20, 4 + 53 * 2 + 52.5), -1);
    EXPECT_TRUE(Geometry::isNearEnd(style, document - 200 - 104, 200, document));
    EXPECT_FALSE(Geometry::isNearEnd(style, document - 200 - 105, 200, document));
}

}  // namespace
}  // namespace quorvane
