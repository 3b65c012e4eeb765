#include <gtest/gtest.h>

#include <limits>

#include "searchindex/ClipboardSearchPage.h"

namespace quorvane {
namespace {

std::vector<ClipboardHistoryIndexSnapshot> rows(int count) {
    std::vector<ClipboardHistoryIndexSnapshot> made(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) made[static_cast<std::size_t>(i)].id = std::to_string(i);
    return made;
}

std::vector<std::string> ids(const ClipboardSearchPage& page) {
    std::vector<std::string> found;
    for (const auto& item : page.items) found.push_back(item.id);
    return found;
}

// The queries fetch one row past the page and leave the rest to this: the extra row only says more follow.
TEST(ClipboardSearchPageTest, TakesTheRowsFromTheOffsetAndTellsWhetherMoreFollow) {
    EXPECT_EQ(ids(ClipboardSearchPage::page(rows(10), 0, 10)),
              ids(ClipboardSearchPage::page(rows(10), -5, 10)));
    EXPECT_FALSE(ClipboardSearchPage::page(rows(10), 0, 10).hasMore);
    const auto more = ClipboardSearchPage::page(rows(11), 0, 10);
    EXPECT_EQ(more.items.size(), 10u);
    EXPECT_TRUE(more.hasMore);
    const auto middle = ClipboardSearchPage::page(rows(10), 3, 4);
    EXPECT_EQ(ids(middle), (std::vector<std::string>{"3", "4", "5", "6"}));
    EXPECT_TRUE(middle.hasMore);
    EXPECT_EQ(ids(ClipboardSearchPage::page(rows(10), 8, std::numeric_limits<std::int64_t>::max())),
              (std::vector<std::string>{"8", "9"}));
    // Past the end, or no room on the page: an empty page with nothing following.
    EXPECT_EQ(ClipboardSearchPage::page(rows(10), 10, 5), ClipboardSearchPage{});
    EXPECT_EQ(ClipboardSearchPage::page(rows(10), 0, 0), ClipboardSearchPage{});
    EXPECT_EQ(ClipboardSearchPage::page(rows(10), 2, -1), ClipboardSearchPage{});
}

}  // namespace
}  // namespace quorvane
