#pragma once

// The panel's own query on the history store, used when the search service fails: the text words go to the
// history manager, the filters are applied here. Fetches one entry more than the page to learn whether more
// follow, and, while filters leave too few entries and the store may hold more, fetches again with a batch
// twice as large. Main thread only (the history manager's completions arrive there).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Date.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "searchindex/ClipboardAppIdentityResolver.h"
#include "searchindex/ClipboardSearchFilter.h"
#include "searchindex/ClipboardSearchPage.h"

namespace quorvane {

class UserDefaults;

class ClipboardPanelFallbackQuery {
public:
    ClipboardPanelFallbackQuery() = delete;

    struct Request {
        std::string normalizedText;
        std::int64_t offset = 0;
        std::int64_t limit = 10;
    };
    // What the query reads besides the store; all must outlive the query's completion.
    struct Context {
        const UserDefaults& userDefaults;
        const ClipboardAppIdentityResolver& appIdentityResolver;
        Date now;
    };

    // Answers exactly once, when the history manager has answered; never fails (an empty store gives an empty
    // page). Holds `historyManager` until then.
    static void run(const Request& request, std::shared_ptr<ClipboardHistoryManagerProtocol> historyManager,
                    const Context& context, std::function<void(ClipboardSearchPage)> completion);

    // The first batch asked of the store for a page at `offset`.
    static std::size_t initialBatchSize(std::int64_t offset, std::int64_t limit, bool hasTextQuery,
                                        bool hasFilters);

    // The entries of `items` that pass every filter, in their order. A later filter of a kind replaces an
    // earlier one; date words that are no preset are ignored.
    static std::vector<ClipboardHistoryIndexSnapshot> applyFilters(
        const std::vector<ClipboardSearchFilter>& filters,
        const std::vector<ClipboardHistoryIndexSnapshot>& items,
        const ClipboardAppIdentityResolver& appIdentityResolver, Date now);
};

}  // namespace quorvane
