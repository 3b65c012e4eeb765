#include "panel/model/ClipboardDetailLoadState.h"

namespace quorvane {

ClipboardDetailLoadState::Decision ClipboardDetailLoadState::showItem(
    const ClipboardHistoryIndexSnapshot& item, const std::string& query) {
    Decision decision;
    decision.entryChanged = displayedItemId_ != item.id;
    if (displayedItemId_ == item.id) {
        if (query == highlightQuery_) return decision;
        highlightQuery_ = query;
        decision.step = Step::rehighlight;
        return decision;
    }
    highlightQuery_ = query;
    if (loadingItemId_ == item.id) {
        decision.step = Step::alreadyLoading;
        return decision;
    }
    if (auto cached = cache_.content(item.id)) {
        ++loadToken_;
        loadingItemId_.reset();
        decision.step = Step::displayCached;
        decision.content = std::move(cached);
        return decision;
    }
    displayedItemId_.reset();
    loadingItemId_ = item.id;
    decision.step = Step::startLoad;
    decision.loadToken = ++loadToken_;
    return decision;
}

void ClipboardDetailLoadState::showEmptyState() {
    ++loadToken_;
    ++formattingToken_;
    ++metadataToken_;
    loadingItemId_.reset();
    displayedItemId_.reset();
}

ClipboardDetailLoadState::LoadOutcome ClipboardDetailLoadState::loadFinished(
    std::uint64_t token, const std::string& id,
    const std::shared_ptr<const ClipboardHistoryContentSnapshot>& content) {
    if (token != loadToken_ || loadingItemId_ != id) return LoadOutcome::ignore;
    if (!content) {
        loadingItemId_.reset();
        return LoadOutcome::fail;
    }
    cache_.store(id, content);
    return LoadOutcome::display;
}

void ClipboardDetailLoadState::displayed(const std::string& id) {
    loadingItemId_.reset();
    displayedItemId_ = id;
}

}  // namespace quorvane
