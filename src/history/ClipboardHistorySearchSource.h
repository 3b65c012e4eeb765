#pragma once

// The history read as the search index takes it: one source document per entry, whose searchable text is a
// text's content or an image's recognised text, for one entry, for all of them, or in batches (all, or those
// of a list of ids).
// Used by ClipboardHistoryRepository for its index rows and by the index sync's jobs. Pure reads of the
// context handed in, on whichever queue the caller runs.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "history/ClipboardHistorySearchIndexSync.h"
#include "history/store/ClipboardHistoryStore.h"
#include "history/store/ClipboardHistoryStoreContext.h"
#include "searchindex/ClipboardSearchSourceDocument.h"

namespace quorvane {

class ClipboardHistorySearchSource {
public:
    ClipboardHistorySearchSource() = delete;

    // The entry's document with `searchableText`; a negative use count counts as none.
    static ClipboardSearchSourceDocument document(const ClipboardHistoryIndex& index,
                                                  const std::string& searchableText);
    // Every entry's document, newest first.
    static std::vector<ClipboardSearchSourceDocument> allDocuments(ClipboardHistoryStoreContext& context);
    using Batch = std::function<void(std::vector<ClipboardSearchSourceDocument>&)>;
    // Every entry's document, newest first as allDocuments() gives them, handed to `visit` at most `most` at
    // a time (fewer when their texts are large).
    static void documentBatches(ClipboardHistoryStoreContext& context, std::size_t most, const Batch& visit);
    // The same for the entries of `ids` (ascending, each once) that are stored, in id order.
    static void documentBatches(ClipboardHistoryStoreContext& context, const std::vector<std::string>& ids,
                                std::size_t most, const Batch& visit);
    // The index sync's view of the history: each job reads through a connection of its own, and once the
    // store is closed a job throws rather than reading it as empty, so a late job never takes it for a reset
    // history.
    static ClipboardHistorySearchIndexSync::HistorySource historySource(
        std::weak_ptr<ClipboardHistoryStore> store);
};

}  // namespace quorvane
