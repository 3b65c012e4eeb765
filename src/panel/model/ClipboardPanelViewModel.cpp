#include "panel/model/ClipboardPanelViewModel.h"

#include <algorithm>
#include <cassert>
#include <exception>
#include <unordered_set>
#include <utility>

#include "base/Logger.h"
#include "l10n/L10n.h"
#include "model/SearchTextNormalizer.h"
#include "panel/model/ClipboardPanelFallbackQuery.h"
#include "platform/ImageFormat.h"
#include "search/ClipboardSearchQueryParser.h"
#include "searchindex/SQLiteClipboardSearchIndexStoreError.h"

namespace quorvane {
namespace {

constexpr const char* kLogCategory = "ClipboardPanelViewModel";

std::string describe(const std::exception_ptr& error) {
    try {
        if (error) std::rethrow_exception(error);
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
    }
    return "unknown error";
}

bool isIndexBeingBuilt(const std::exception_ptr& error) {
    try {
        if (error) std::rethrow_exception(error);
    } catch (const ClipboardSearchIndexBuildingError&) {
        return true;
    } catch (...) {
    }
    return false;
}

}  // namespace

// What one load carries from its start to its end. The fallback asks the history manager of the load's start,
// so a replacement of the services meanwhile cannot mix two stores in one page. The search service is not
// kept: the answer it holds would keep it alive in turn.
struct ClipboardPanelViewModel::Load {
    std::uint64_t generation;
    std::string normalizedText;
    std::int64_t offset;
    bool isLoadMore;
    std::optional<std::string> idToKeep;
    std::shared_ptr<ClipboardHistoryManagerProtocol> historyManager;
    std::uint64_t historyChangesAtStart;
    std::uint64_t selectionMovesAtStart;
};

ClipboardPanelViewModel::ClipboardPanelViewModel(Dependencies dependencies)
    : clipboardHistoryManager_(std::move(dependencies.clipboardHistoryManager)),
      clipboardSearchService_(std::move(dependencies.clipboardSearchService)),
      mainQueue_(dependencies.mainQueue),
      pasteboard_(dependencies.pasteboard),
      userDefaults_(dependencies.userDefaults),
      appIdentityResolver_(dependencies.appIdentityResolver),
      clock_(dependencies.clock) {}

ClipboardPanelViewModel::~ClipboardPanelViewModel() = default;

void ClipboardPanelViewModel::assertMainThread() const {
    assert(mainQueue_.isMainThread() && "ClipboardPanelViewModel is used on the main thread only");
}

Subscription ClipboardPanelViewModel::observe(std::function<void(Changes)> observer) {
    return observers_.subscribe(std::move(observer));
}

Subscription ClipboardPanelViewModel::observeItemDeleted(std::function<void(std::size_t)> observer) {
    return itemDeletedObservers_.subscribe(std::move(observer));
}

void ClipboardPanelViewModel::changed(Property property) {
    pendingChanges_.insert(property);
    if (publicationPosted_) return;
    publicationPosted_ = true;
    // The panels read several fields after one change: tell them once the whole change is stored.
    std::weak_ptr<char> alive = lifetime_;
    mainQueue_.post([this, alive] {
        if (alive.expired()) return;
        publishChanges();
    });
}

void ClipboardPanelViewModel::publishChanges() {
    publicationPosted_ = false;
    const Changes changes = std::exchange(pendingChanges_, Changes());
    if (!changes.empty()) observers_.notify(changes);
}

void ClipboardPanelViewModel::setSearchText(std::string text) {
    assertMainThread();
    searchText_ = std::move(text);
    changed(Property::searchText);
    std::weak_ptr<char> alive = lifetime_;
    searchDebounce_ = mainQueue_.postAfter(searchDebounceSeconds, [this, alive, text = searchText_] {
        if (alive.expired()) return;
        // Typing a character and deleting it again within the pause searches nothing new.
        if (lastDeliveredSearchText_ == text) return;
        lastDeliveredSearchText_ = text;
        searchTextDelivered(text);
    });
}

void ClipboardPanelViewModel::setErrorMessage(std::optional<std::string> message) {
    assertMainThread();
    errorMessage_ = std::move(message);
    changed(Property::errorMessage);
}

void ClipboardPanelViewModel::searchTextDelivered(const std::string& text) {
    parsedQuery_ = ClipboardSearchQueryParser::parse(text, userDefaults_);
    changed(Property::parsedQuery);
    activeFilters_ = parsedQuery_->effectiveFilters();
    changed(Property::activeFilters);
    loadClipboardItems(false);
}

void ClipboardPanelViewModel::replaceServices(
    std::shared_ptr<ClipboardHistoryManagerProtocol> clipboardHistoryManager,
    std::shared_ptr<ClipboardSearchServiceProtocol> clipboardSearchService) {
    assertMainThread();
    cancelLoad();
    clipboardHistoryManager_ = std::move(clipboardHistoryManager);
    clipboardSearchService_ = std::move(clipboardSearchService);
    reset();
}

void ClipboardPanelViewModel::reset() {
    assertMainThread();
    startAfresh(false);
    setSearchText(std::string());
}

void ClipboardPanelViewModel::panelWillShow() {
    assertMainThread();
    shown_ = true;
    hiddenRefresh_.cancel();
    forgetSearchText();
    startAfresh(listedPageIsCurrent_);
}

void ClipboardPanelViewModel::panelDidHide() {
    assertMainThread();
    shown_ = false;
    forgetSearchText();
    startAfresh(true);
    if (!listedPageIsCurrent_) refreshWhileHidden(0);
}

void ClipboardPanelViewModel::historyDidChange() {
    assertMainThread();
    ++historyChanges_;
    listedPageIsCurrent_ = false;
    if (!shown_) refreshWhileHidden(hiddenRefreshDelaySeconds);
}

// Unlike reset(), the emptied search text searches nothing by itself: the caller loads what it needs.
void ClipboardPanelViewModel::forgetSearchText() {
    searchDebounce_.cancel();
    searchText_.clear();
    lastDeliveredSearchText_ = std::string();
    changed(Property::searchText);
}

void ClipboardPanelViewModel::startAfresh(bool keepRows) {
    cancelLoad();
    if (!keepRows) {
        clipboardItems_.clear();
        changed(Property::clipboardItems);
        canLoadMore_ = false;
        changed(Property::canLoadMore);
        listedPageIsCurrent_ = false;
    }
    selectedIndex_ = 0;
    changed(Property::selectedIndex);
    isLoading_ = false;
    changed(Property::isLoading);
    errorMessage_.reset();
    changed(Property::errorMessage);
    isLoadMoreAction_ = false;
    changed(Property::isLoadMoreAction);
    parsedQuery_.reset();
    changed(Property::parsedQuery);
    activeFilters_.clear();
    changed(Property::activeFilters);
}

void ClipboardPanelViewModel::refreshWhileHidden(double delaySeconds) {
    std::weak_ptr<char> alive = lifetime_;
    hiddenRefresh_ = mainQueue_.postAfter(delaySeconds, [this, alive] {
        if (alive.expired() || shown_) return;
        loadClipboardItems(false);
    });
}

void ClipboardPanelViewModel::loadClipboardItems(bool isLoadMore, std::optional<std::string> idToKeep) {
    assertMainThread();
    cancelLoad();
    auto load = std::make_shared<const Load>(
        Load{loadGeneration_, SearchTextNormalizer::normalize(searchText_),
             isLoadMore ? static_cast<std::int64_t>(clipboardItems_.size()) : 0, isLoadMore,
             std::move(idToKeep), clipboardHistoryManager_, historyChanges_, selectionMoves_});
    const auto searchService = clipboardSearchService_;
    isLoadMoreAction_ = isLoadMore;
    changed(Property::isLoadMoreAction);
    isLoading_ = true;
    changed(Property::isLoading);
    errorMessage_.reset();
    changed(Property::errorMessage);

    std::weak_ptr<char> alive = lifetime_;
    auto completion = [this, alive, load](ClipboardSearchResult<ClipboardSearchPage> result) {
        // A cancelled load publishes nothing, and needs no fallback either.
        if (alive.expired() || load->generation != loadGeneration_) return;
        if (result.succeeded()) {
            loadFinished(*load, result.value(), std::nullopt);
            return;
        }
        std::string reason = describe(result.error());
        // An index still being filled is no fault: the footer says why the results come from the history.
        const bool beingBuilt = isIndexBeingBuilt(result.error());
        std::string status =
            beingBuilt ? L10n::text(L10nKey::panelSearchIndexBeingBuilt) : std::string(fallbackErrorMessage);
        ClipboardPanelFallbackQuery::run(
            {load->normalizedText, load->offset, pageSize}, load->historyManager,
            {userDefaults_, appIdentityResolver_, clock_.now()},
            [this, alive, load, reason = std::move(reason), status = std::move(status),
             beingBuilt](ClipboardSearchPage page) {
                if (alive.expired() || load->generation != loadGeneration_) return;
                const std::string line = "Search service failed, falling back to repository query: " + reason;
                if (beingBuilt) {
                    Logger::info(line, kLogCategory);
                } else {
                    Logger::warning(line, kLogCategory);
                }
                loadFinished(*load, std::move(page), status);
            });
    };
    if (load->normalizedText.empty()) {
        searchService->fetchRecent(pageSize, load->offset, std::move(completion));
    } else {
        searchService->search(load->normalizedText, pageSize, load->offset, std::move(completion));
    }
}

void ClipboardPanelViewModel::loadFinished(const Load& load, ClipboardSearchPage page,
                                           std::optional<std::string> errorMessage) {
    std::optional<std::string> idToKeep = load.idToKeep;
    if (!idToKeep && selectionMoves_ != load.selectionMovesAtStart) {
        if (const auto selected = selectedItem()) idToKeep = selected->id;
    }
    if (!load.isLoadMore)
        listedPageIsCurrent_ = load.normalizedText.empty() && load.historyChangesAtStart == historyChanges_;
    if (load.isLoadMore) {
        // The history may have changed since the page before was read: an entry that moved up would come
        // again. An entry is listed once.
        std::unordered_set<std::string> listed;
        for (const auto& item : clipboardItems_) listed.insert(item.id);
        for (auto& item : page.items) {
            if (listed.insert(item.id).second) clipboardItems_.push_back(std::move(item));
        }
    } else {
        clipboardItems_ = std::move(page.items);
    }
    changed(Property::clipboardItems);
    isLoading_ = false;
    changed(Property::isLoading);
    canLoadMore_ = page.hasMore;
    changed(Property::canLoadMore);
    errorMessage_ = std::move(errorMessage);
    changed(Property::errorMessage);

    if (clipboardItems_.empty()) {
        selectedIndex_ = 0;
    } else if (!load.isLoadMore) {
        selectedIndex_ = 0;
        if (idToKeep) {
            const auto kept = std::find_if(clipboardItems_.begin(), clipboardItems_.end(),
                                           [&](const auto& item) { return item.id == *idToKeep; });
            if (kept != clipboardItems_.end()) {
                selectedIndex_ = static_cast<std::size_t>(kept - clipboardItems_.begin());
            }
        }
    }
    // Published after every page, changed or not: the list rows were rebuilt and need their selection again.
    changed(Property::selectedIndex);
}

void ClipboardPanelViewModel::loadMore() {
    assertMainThread();
    if (!canLoadMore_ || isLoading_) return;
    const auto selected = selectedItem();
    loadClipboardItems(true, selected ? std::optional<std::string>(selected->id) : std::nullopt);
}

std::optional<ClipboardHistoryIndexSnapshot> ClipboardPanelViewModel::selectedItem() const {
    if (selectedIndex_ >= clipboardItems_.size()) return std::nullopt;
    return clipboardItems_[selectedIndex_];
}

void ClipboardPanelViewModel::setSelectedIndex(std::size_t index) {
    selectedIndex_ = index;
    changed(Property::selectedIndex);
}

void ClipboardPanelViewModel::selectItem(std::size_t index) {
    assertMainThread();
    if (index >= clipboardItems_.size()) return;
    // The list echoes the view model's own selection back: only a different row is the user's move.
    if (index != selectedIndex_) ++selectionMoves_;
    setSelectedIndex(index);
}

void ClipboardPanelViewModel::moveSelection(bool up) {
    assertMainThread();
    if (clipboardItems_.empty()) return;
    if (up) {
        if (selectedIndex_ >= 1) selectItem(selectedIndex_ - 1);
    } else if (selectedIndex_ + 1 < clipboardItems_.size()) {
        selectItem(selectedIndex_ + 1);
    }
}

void ClipboardPanelViewModel::deleteItem(const ClipboardHistoryIndexSnapshot& entry) {
    assertMainThread();
    const auto found = std::find_if(clipboardItems_.begin(), clipboardItems_.end(),
                                    [&](const auto& item) { return item.id == entry.id; });
    if (found == clipboardItems_.end()) {
        clipboardHistoryManager_->deleteItem(entry.id);
        loadClipboardItems(false);
        return;
    }
    const auto row = static_cast<std::size_t>(found - clipboardItems_.begin());
    clipboardHistoryManager_->deleteItem(entry.id);
    clipboardItems_.erase(found);
    changed(Property::clipboardItems);

    const std::size_t count = clipboardItems_.size();
    if (count == 0) {
        selectedIndex_ = 0;
    } else if (selectedIndex_ < count) {
        // Deleting a row above keeps the same entry selected; deleting the selected row selects the entry
        // that moved into its place.
        if (row < selectedIndex_) --selectedIndex_;
    } else {
        selectedIndex_ = count - 1;
    }
    changed(Property::selectedIndex);

    std::weak_ptr<char> alive = lifetime_;
    mainQueue_.post([this, alive, index = selectedIndex_] {
        if (!alive.expired()) itemDeletedObservers_.notify(index);
    });
    if (clipboardItems_.empty() && canLoadMore_) loadMore();
}

void ClipboardPanelViewModel::copyEntry(const ClipboardHistoryIndexSnapshot& entry, bool asPlainText,
                                        std::optional<std::string> idToKeep,
                                        std::function<void(bool)> completion) {
    assertMainThread();
    auto finish = [completion = std::move(completion)](bool copied) {
        if (completion) completion(copied);
    };
    // The content and the usage go to the store the entry was listed from, even if the services are
    // replaced while the content is read.
    auto historyManager = clipboardHistoryManager_;
    std::weak_ptr<char> alive = lifetime_;
    historyManager->getContentSnapshotById(
        entry.id, [this, alive, historyManager, entry, asPlainText, idToKeep = std::move(idToKeep),
                   finish = std::move(finish)](std::optional<ClipboardHistoryContentSnapshot> content) {
            if (alive.expired() || !content) {
                finish(false);
                return;
            }
            // Our own write must not come back as a new history entry.
            const bool written = clipboardHistoryManager_->performWithCaptureSuspended(
                [&] { return writeToPasteboard(entry, std::nullopt, *content, asPlainText); });
            if (!written) {
                Logger::error("Failed to copy the selected entry to the clipboard", kLogCategory);
                setErrorMessage(std::string(copyFailedErrorMessage));
                finish(false);
                return;
            }
            historyManager->recordUsage(entry.id);
            setErrorMessage(std::nullopt);
            loadClipboardItems(false, idToKeep);
            finish(true);
        });
}

bool ClipboardPanelViewModel::writeToPasteboard(const ClipboardHistoryIndexSnapshot& entry,
                                                const std::optional<std::string>& overrideText,
                                                const ClipboardHistoryContentSnapshot& content,
                                                bool asPlainText) {
    assertMainThread();
    if (entry.contentType == ClipboardContentType::image) {
        if (!content.imageData) {
            Logger::warning("Failed to write an image entry to the clipboard: it has no image data",
                            kLogCategory);
            return false;
        }
        const auto format = ImageFormat::detect(*content.imageData);
        if (!pasteboard_.writeImage(*content.imageData, std::string(ImageFormat::utTypeOf(format)))) {
            Logger::warning("Failed to write an image entry to the clipboard: the data is no readable image",
                            kLogCategory);
            return false;
        }
        return true;
    }
    if (overrideText) return pasteboard_.writeText(*overrideText, std::nullopt, std::nullopt);
    const bool rich = !asPlainText && (content.richTextRTFData || content.richTextHTMLData);
    if (!rich) return pasteboard_.writeText(content.content, std::nullopt, std::nullopt);
    if (pasteboard_.writeText(content.content, content.richTextRTFData, content.richTextHTMLData))
        return true;
    return pasteboard_.writeText(content.content, std::nullopt, std::nullopt);
}

}  // namespace quorvane
