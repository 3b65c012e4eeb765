#pragma once

// Every id a paged id reader gives (the index's document ids, the history's entry ids), read page after page
// from the first as the reconciliation reads them.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::testing {

// `readPage(after, most)` returns at most `most` ids after `after`, ascending, fewer only at the end.
template <class ReadPage>
std::vector<std::string> allPagedIDs(ReadPage&& readPage, std::size_t pageSize = 64) {
    std::vector<std::string> ids;
    std::optional<std::string> after;
    for (;;) {
        const std::vector<std::string> page = readPage(after, pageSize);
        ids.insert(ids.end(), page.begin(), page.end());
        if (page.size() < pageSize) return ids;
        after = page.back();
    }
}

}  // namespace quorvane::testing
