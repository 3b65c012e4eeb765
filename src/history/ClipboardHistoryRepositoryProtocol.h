#pragma once

// The persisted history as every user sees it: the service container, the pasteboard monitor, the history
// manager and the search service. No requirement throws; failures are logged and give no effect, an empty
// result or zero. Writes belong to the main thread (called elsewhere they run there synchronously); the
// completions of the asynchronous reads run on the main queue, exactly once.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Date.h"
#include "history/ClipboardHistoryCounts.h"
#include "history/NewImageItem.h"
#include "history/NewTextItem.h"
#include "model/ClipboardContentType.h"
#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"
#include "model/ClipboardHistoryUsageMetadata.h"
#include "searchindex/ClipboardSearchSourceDocument.h"

namespace quorvane {

// Posted on the main queue after every successful save and removal of history entries.
inline constexpr const char* clipboardHistoryDidChange = "Quorvane.ClipboardHistoryDidChange";

class ClipboardHistoryRepositoryProtocol {
public:
    using Bytes = std::vector<std::uint8_t>;
    using SnapshotsCompletion = std::function<void(std::vector<ClipboardHistoryIndexSnapshot>)>;
    using ContentCompletion = std::function<void(std::optional<ClipboardHistoryContentSnapshot>)>;
    using CountsCompletion = std::function<void(ClipboardHistoryCounts)>;

    virtual ~ClipboardHistoryRepositoryProtocol() = default;

    // Stores one new text entry created now. Both take the entry by value, so that its text and bytes move
    // into the stored records rather than being copied once more.
    virtual void saveTextItem(NewTextItem item) = 0;
    // Stores one new image entry created now; it is searchable when the call returns.
    virtual void saveImageItem(NewImageItem item) = 0;
    // Stores text recognised in an image entry; text entries are never changed here.
    virtual void updateOCRText(const std::string& id, const std::string& searchText,
                               const std::optional<std::string>& ocrText) = 0;
    // Entries whose search text holds every word of `searchQuery`, best matches first; all entries, most
    // recent first, for an empty query. Cut to `limit` when given.
    virtual void getHistorySnapshots(const std::string& searchQuery, std::optional<std::size_t> limit,
                                     SnapshotsCompletion completion) = 0;
    virtual void getContentSnapshotById(const std::string& id, ContentCompletion completion) = 0;
    // The numbers of the entries getHistorySnapshots() gives for an empty query, counted in the store.
    virtual void getHistoryCounts(CountsCompletion completion) = 0;
    virtual void deleteItem(const std::string& id) = 0;
    // Removes the entries of `contentType` created strictly before `cutoff`; returns how many.
    virtual std::int64_t deleteExpiredItems(Date cutoff, ClipboardContentType contentType) = 0;
    virtual void clearHistory() = 0;
    // clearHistory() that says how it went: nothing when the history was cleared, else why it was not (also
    // logged). Repositories that cannot fail keep this default.
    virtual std::optional<std::string> tryClearHistory() {
        clearHistory();
        return std::nullopt;
    }
    // Removes the earlier text entries with this plain text (rich-text forms do not matter) except
    // `idToKeep`, and returns their usage merged; the empty usage when nothing was removed.
    virtual ClipboardHistoryUsageMetadata removeDuplicateTexts(
        const std::string& text, const std::optional<Bytes>& richTextRTFData,
        const std::optional<Bytes>& richTextHTMLData, const std::optional<std::string>& idToKeep) = 0;
    // The same for image entries with these exact bytes.
    virtual ClipboardHistoryUsageMetadata removeDuplicateImages(
        const Bytes& imageData, const std::optional<std::string>& idToKeep) = 0;
    // Counts one use of the entry, now. Posts no change notification.
    virtual void recordUsage(const std::string& id) = 0;
    // One source document per entry, newest first, for a full rebuild of the search index. The completion
    // gets nothing (not an empty list) when the history could not be read, so a rebuild never wipes the
    // index because of a failed read.
    virtual void getSearchSourceDocuments(
        std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> completion) = 0;
    // For a full rebuild of the search index: reads the same documents as one of the index jobs and hands
    // them to `rebuild` within that job, so index writes queued earlier land before the rebuild and later
    // ones on top of it. `rebuild` runs exactly once, off the main thread, and gets nothing when the history
    // could not be read; it must not throw nor wait for the main thread.
    virtual void rebuildSearchIndexInOrder(
        std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> rebuild) = 0;
};

}  // namespace quorvane
