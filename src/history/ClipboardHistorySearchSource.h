#pragma once

// The history read as the search index takes it: one source document per entry, whose searchable text is a
// text's content or an image's recognised text, for one entry, for a set of entries, or for all in batches.
// Used by ClipboardHistoryRepository for its index rows and by the index sync's jobs. Pure reads of the
// context handed in, on whichever queue the caller runs.

#include <cstddef>
#include <functional>
#include <memory>
#include <set>
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
    // The documents of the entries in `only` (every entry when null), newest first.
    static std::vector<ClipboardSearchSourceDocument> documents(ClipboardHistoryStoreContext& context,
                                                                const std::set<std::string>* only);
    static std::vector<ClipboardSearchSourceDocument> allDocuments(ClipboardHistoryStoreContext& context) {
        return documents(context, nullptr);
    }
    // Every entry's document, newest first as documents() gives them, handed to `visit` at most `most` at a
    // time (fewer when their texts are large).
    static void documentBatches(
        ClipboardHistoryStoreContext& context, std::size_t most,
        const std::function<void(std::vector<ClipboardSearchSourceDocument>&)>& visit);
    // The index sync's view of the history: each job reads through a connection of its own, and once the
    // store is closed a job throws rather than reading it as empty, so a late job never takes it for a reset
    // history.
    static ClipboardHistorySearchIndexSync::HistorySource historySource(
        std::weak_ptr<ClipboardHistoryStore> store);
};

}  // namespace quorvane
