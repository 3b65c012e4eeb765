#pragma once

// The detail pane's bookkeeping of what it shows and what it is fetching: which entry is on screen, which
// one is loading, the highlighted query, the content cache, and generation tokens that make late answers
// (a content load, a formatting, a metadata text) harmless once the pane has moved on. The widget asks it
// what to do and does that. Showing the empty state ends a load in flight, so a late answer never replaces
// the placeholder. Main thread only.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"
#include "panel/model/ClipboardDetailContentCache.h"

namespace quorvane {

class ClipboardDetailLoadState {
public:
    enum class Step {
        refreshLabel,    // same entry, same query: only the metadata label's time is refreshed
        rehighlight,     // same entry, new query: highlight again in place
        alreadyLoading,  // this entry's content is being fetched
        displayCached,   // show `content` from the cache
        startLoad,       // show "Loading..." and fetch the content with `loadToken`
    };
    struct Decision {
        Step step = Step::refreshLabel;
        // The shown entry changed: drop the formatted form and the metadata text.
        bool entryChanged = false;
        std::shared_ptr<const ClipboardHistoryContentSnapshot> content;
        std::uint64_t loadToken = 0;
    };
    enum class LoadOutcome { ignore, display, fail };

    // `query` is trimmed by the caller.
    Decision showItem(const ClipboardHistoryIndexSnapshot& item, const std::string& query);
    // The placeholder is shown: nothing is displayed, and a running load no longer counts.
    void showEmptyState();
    // The answer of the load started with `token` for `id`. `display` stores it in the cache; `fail` means
    // the failure text replaces "Loading...".
    LoadOutcome loadFinished(std::uint64_t token, const std::string& id,
                             const std::shared_ptr<const ClipboardHistoryContentSnapshot>& content);
    // The content of `id` is on screen now.
    void displayed(const std::string& id);

    // A new formatting or metadata request; earlier tokens stop being current.
    std::uint64_t beginFormatting() { return ++formattingToken_; }
    void cancelFormatting() { ++formattingToken_; }
    bool isCurrentFormatting(std::uint64_t token) const { return token == formattingToken_; }
    std::uint64_t beginMetadata() { return ++metadataToken_; }
    bool isCurrentMetadata(std::uint64_t token, const std::string& id) const {
        return token == metadataToken_ && displayedItemId_ == id;
    }

    const std::optional<std::string>& displayedItemId() const { return displayedItemId_; }
    const std::optional<std::string>& loadingItemId() const { return loadingItemId_; }
    const std::string& highlightQuery() const { return highlightQuery_; }
    const ClipboardDetailContentCache& cache() const { return cache_; }

private:
    std::optional<std::string> displayedItemId_;
    std::optional<std::string> loadingItemId_;
    std::string highlightQuery_;
    std::uint64_t loadToken_ = 0;
    std::uint64_t formattingToken_ = 0;
    std::uint64_t metadataToken_ = 0;
    ClipboardDetailContentCache cache_;
};

}  // namespace quorvane
