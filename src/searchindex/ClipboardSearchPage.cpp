#include "searchindex/ClipboardSearchPage.h"

#include <algorithm>
#include <iterator>

namespace quorvane {

ClipboardSearchPage ClipboardSearchPage::page(std::vector<ClipboardHistoryIndexSnapshot> rows,
                                              std::int64_t offset, std::int64_t limit) {
    const auto start = static_cast<std::uint64_t>(std::max<std::int64_t>(offset, 0));
    if (limit < 1 || start >= rows.size()) return {};
    const std::uint64_t available = rows.size() - start;
    const auto count = std::min<std::uint64_t>(static_cast<std::uint64_t>(limit), available);
    ClipboardSearchPage result;
    result.items.assign(std::make_move_iterator(rows.begin() + static_cast<std::ptrdiff_t>(start)),
                        std::make_move_iterator(rows.begin() + static_cast<std::ptrdiff_t>(start + count)));
    result.hasMore = count < available;
    return result;
}

}  // namespace quorvane
