#pragma once

// The list model behind both clipboard panels (the centred one and the floating one share one instance):
// the search text, the page of entries on show, the selection, loading and error state and the parsed
// filters; the debounced search, paging, the fallback to the history store when the search service fails,
// deletion, and copying an entry back to the clipboard. Owns no view.
//
// Main thread only. Observers are told on a later turn of the main queue, once every field of a change is
// stored; loads and copies hold the view model weakly, so destroying it silences their answers.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/CallbackList.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"
#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/Pasteboard.h"
#include "platform/UserDefaults.h"
#include "search/ClipboardParsedSearchQuery.h"
#include "search/ClipboardSearchServiceProtocol.h"
#include "searchindex/ClipboardAppIdentityResolver.h"
#include "searchindex/ClipboardSearchFilter.h"
#include "searchindex/ClipboardSearchPage.h"

namespace quorvane {

class ClipboardPanelViewModel {
public:
    // Every load asks for pages of this many entries.
    static constexpr std::int64_t pageSize = 10;
    // The search runs once typing has paused this long.
    static constexpr double searchDebounceSeconds = 0.06;
    static constexpr const char* fallbackErrorMessage = "Search index unavailable. Showing fallback results.";
    static constexpr const char* copyFailedErrorMessage = "Failed to copy the selected entry.";

    // The published fields, as flags of a change notification.
    enum class Property : std::uint16_t {
        searchText = 1 << 0,
        clipboardItems = 1 << 1,
        selectedIndex = 1 << 2,
        isLoading = 1 << 3,
        errorMessage = 1 << 4,
        canLoadMore = 1 << 5,
        isLoadMoreAction = 1 << 6,
        parsedQuery = 1 << 7,
        activeFilters = 1 << 8,
    };
    // The fields assigned since the last notification (an assignment of an equal value counts).
    class Changes {
    public:
        bool contains(Property property) const { return (bits_ & static_cast<std::uint16_t>(property)) != 0; }
        bool empty() const { return bits_ == 0; }
        void insert(Property property) { bits_ |= static_cast<std::uint16_t>(property); }

    private:
        std::uint16_t bits_ = 0;
    };

    // What the view model works with; the references must outlive it.
    struct Dependencies {
        std::shared_ptr<ClipboardHistoryManagerProtocol> clipboardHistoryManager;
        std::shared_ptr<ClipboardSearchServiceProtocol> clipboardSearchService;
        MainQueue& mainQueue;
        Pasteboard& pasteboard;
        // Read by the query parser (the user's classification names).
        const UserDefaults& userDefaults;
        // The fallback's app: filter.
        const ClipboardAppIdentityResolver& appIdentityResolver;
        // The fallback's date filters.
        const Clock& clock;
    };

    // While no panel shows, a history change is followed by a reload of the first page after this pause, so
    // the next show lists entries at once; a burst of changes reloads once.
    static constexpr double hiddenRefreshDelaySeconds = 0.25;

    // Loads nothing by itself: the program loads the first page at start, the panels when they show.
    explicit ClipboardPanelViewModel(Dependencies dependencies);
    ~ClipboardPanelViewModel();
    ClipboardPanelViewModel(const ClipboardPanelViewModel&) = delete;
    ClipboardPanelViewModel& operator=(const ClipboardPanelViewModel&) = delete;

    // Published state.
    const std::string& searchText() const { return searchText_; }
    const std::vector<ClipboardHistoryIndexSnapshot>& clipboardItems() const { return clipboardItems_; }
    std::size_t selectedIndex() const { return selectedIndex_; }
    bool isLoading() const { return isLoading_; }
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    bool canLoadMore() const { return canLoadMore_; }
    // Whether the running load, or the last one, appends a page rather than replacing the list.
    bool isLoadMoreAction() const { return isLoadMoreAction_; }
    const std::optional<ClipboardParsedSearchQuery>& parsedQuery() const { return parsedQuery_; }
    const std::vector<ClipboardSearchFilter>& activeFilters() const { return activeFilters_; }

    // The search field's text. Every assignment restarts the debounce; the search runs for the text that
    // stands once typing paused, unless it is the text searched last.
    void setSearchText(std::string text);
    // The panels may show a message of their own, or clear one.
    void setErrorMessage(std::optional<std::string> message);

    // Tells `observer` of every change, on a later main-queue turn.
    [[nodiscard]] Subscription observe(std::function<void(Changes)> observer);
    // Tells `observer` the selected index after an entry was deleted through deleteItem(), on a later turn.
    [[nodiscard]] Subscription observeItemDeleted(std::function<void(std::size_t selectedIndex)> observer);

    const std::shared_ptr<ClipboardHistoryManagerProtocol>& clipboardHistoryManager() const {
        return clipboardHistoryManager_;
    }
    const std::shared_ptr<ClipboardSearchServiceProtocol>& clipboardSearchService() const {
        return clipboardSearchService_;
    }

    // After the clipboard services were rebuilt: cancels the running load, takes the new services, resets.
    void replaceServices(std::shared_ptr<ClipboardHistoryManagerProtocol> clipboardHistoryManager,
                         std::shared_ptr<ClipboardSearchServiceProtocol> clipboardSearchService);
    // Cancels the running load and returns every published field to its initial value. The emptied search
    // text goes through the debounce like typing.
    void reset();

    // A panel shows: the search text, filters, error and selection start afresh. The first page listed stays
    // on show while it is the history's newest (loaded after its last change); an older one is cleared.
    void panelWillShow();
    // The panel hid: the same fresh start, keeping the rows; a list that is not the newest first page is
    // reloaded behind the scenes.
    void panelDidHide();
    // The history's entries changed (a copy, a use, a deletion).
    void historyDidChange();

    // Starts a load, cancelling the running one: the first page, or with `isLoadMore` the page after the
    // entries on show. After a replacing load the entry with `idToKeep` stays selected when it is listed, as
    // does one the user selected while the load ran.
    void loadClipboardItems(bool isLoadMore, std::optional<std::string> idToKeep = std::nullopt);
    // The next page, keeping the selection; nothing while loading or when no more entries follow.
    void loadMore();

    // The entry at the selected index; none when the list is empty.
    std::optional<ClipboardHistoryIndexSnapshot> selectedItem() const;
    // Ignored when `index` is not a row.
    void selectItem(std::size_t index);
    // One row up or down; no wrap-around.
    void moveSelection(bool up);

    // Deletes the entry from the store and from the list, keeping a sensible selection; an entry that is not
    // on show is deleted and the list reloaded.
    void deleteItem(const ClipboardHistoryIndexSnapshot& entry);

    // Fetches the entry's content and writes it to the clipboard with capture suspended. On success records
    // the use, clears the error and reloads the first page keeping `idToKeep` selected; a failed write sets
    // the copy error. `completion` (may be empty) learns the outcome once; false also when the content is
    // missing or the view model went away.
    void copyEntry(const ClipboardHistoryIndexSnapshot& entry, bool asPlainText,
                   std::optional<std::string> idToKeep, std::function<void(bool)> completion = {});
    // Writes one entry's content to the clipboard and returns whether it did. A text goes with its RTF and
    // HTML forms unless `asPlainText` or `overrideText` is given (then the plain string alone). The clipboard
    // is replaced in one step, and left as it was when there is nothing to write (no image data, data that
    // is no image).
    bool writeToPasteboard(const ClipboardHistoryIndexSnapshot& entry,
                           const std::optional<std::string>& overrideText,
                           const ClipboardHistoryContentSnapshot& content, bool asPlainText);

private:
    struct Load;

    void assertMainThread() const;
    void changed(Property property);
    void publishChanges();
    void searchTextDelivered(const std::string& text);
    void cancelLoad() { ++loadGeneration_; }
    void loadFinished(const Load& load, ClipboardSearchPage page, std::optional<std::string> errorMessage);
    void setSelectedIndex(std::size_t index);
    void forgetSearchText();
    // Every published field but the search text back to its initial value; the rows only unless kept.
    void startAfresh(bool keepRows);
    void refreshWhileHidden(double delaySeconds);

    std::shared_ptr<ClipboardHistoryManagerProtocol> clipboardHistoryManager_;
    std::shared_ptr<ClipboardSearchServiceProtocol> clipboardSearchService_;
    MainQueue& mainQueue_;
    Pasteboard& pasteboard_;
    const UserDefaults& userDefaults_;
    const ClipboardAppIdentityResolver& appIdentityResolver_;
    const Clock& clock_;

    std::string searchText_;
    std::vector<ClipboardHistoryIndexSnapshot> clipboardItems_;
    std::size_t selectedIndex_ = 0;
    bool isLoading_ = false;
    std::optional<std::string> errorMessage_;
    bool canLoadMore_ = false;
    bool isLoadMoreAction_ = false;
    std::optional<ClipboardParsedSearchQuery> parsedQuery_;
    std::vector<ClipboardSearchFilter> activeFilters_;

    // Each load carries the generation it started in; a load of an older generation was cancelled.
    std::uint64_t loadGeneration_ = 0;
    Timer searchDebounce_;
    // The text the debounce delivered last; none before the first delivery.
    std::optional<std::string> lastDeliveredSearchText_;

    // Whether a panel shows; the first page is refreshed behind the scenes only while none does.
    bool shown_ = false;
    // Whether the rows are the history's first page, loaded after its last change.
    bool listedPageIsCurrent_ = false;
    // Counted so a load knows whether the history changed, or the user moved the selection, meanwhile.
    std::uint64_t historyChanges_ = 0;
    std::uint64_t selectionMoves_ = 0;
    Timer hiddenRefresh_;

    Changes pendingChanges_;
    bool publicationPosted_ = false;
    CallbackList<Changes> observers_;
    CallbackList<std::size_t> itemDeletedObservers_;

    // Late answers hold this weakly: once it is gone they do nothing.
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace quorvane
