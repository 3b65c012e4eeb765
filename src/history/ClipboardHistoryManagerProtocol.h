#pragma once

// The narrow history facade the panels and the storage page hold: list, fetch one content, delete, clear,
// record a use, and run work with capture suspended. Call on the main thread; completions of the two reads
// run on the main queue, exactly once.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "history/CaptureSuspension.h"
#include "history/ClipboardHistoryCounts.h"
#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"

namespace quorvane {

class ClipboardHistoryManagerProtocol : public CaptureSuspension {
public:
    using SnapshotsCompletion = std::function<void(std::vector<ClipboardHistoryIndexSnapshot>)>;
    using ContentCompletion = std::function<void(std::optional<ClipboardHistoryContentSnapshot>)>;
    using CountsCompletion = std::function<void(ClipboardHistoryCounts)>;

    virtual ~ClipboardHistoryManagerProtocol() = default;

    virtual void getHistorySnapshots(const std::string& searchQuery, std::optional<std::size_t> limit,
                                     SnapshotsCompletion completion) = 0;
    virtual void getContentSnapshotById(const std::string& id, ContentCompletion completion) = 0;
    // How many entries there are, of them texts, and the newest one's time, without reading the entries.
    virtual void getHistoryCounts(CountsCompletion completion) = 0;
    virtual void deleteItem(const std::string& id) = 0;
    virtual void clearHistory() = 0;
    // clearHistory() that says how it went: nothing when the history was cleared, else why it was not (also
    // logged). Managers that cannot fail keep this default.
    virtual std::optional<std::string> tryClearHistory() {
        clearHistory();
        return std::nullopt;
    }
    virtual void recordUsage(const std::string& id) = 0;
};

}  // namespace quorvane
