#include "history/ClipboardHistorySearchSource.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "history/store/HistoryStoreError.h"

namespace quorvane {
namespace {

// An image's searchable text is its recognised text; a text's is its full content.
std::string searchableTextOf(const ClipboardHistoryIndex& index, const ClipboardHistoryContent* content) {
    if (!content) return {};
    if (index.contentType == ClipboardContentType::image) return content->ocrText.value_or("");
    return content->content;
}

// A few entries are looked up one by one; beyond this many, one pass over the whole store is cheaper.
constexpr std::size_t kEntriesLookedUpSingly = 256;

}  // namespace

ClipboardSearchSourceDocument ClipboardHistorySearchSource::document(const ClipboardHistoryIndex& index,
                                                                     const std::string& searchableText) {
    return {index.id,          index.preview,          searchableText,
            index.createdAt,   index.lastAccessedAt,   std::max<std::int64_t>(index.accessCount, 0),
            index.contentType, index.bundleIdentifier, index.classification};
}

std::vector<ClipboardSearchSourceDocument> ClipboardHistorySearchSource::documents(
    ClipboardHistoryStoreContext& context, const std::set<std::string>* only) {
    std::vector<ClipboardHistoryIndex> indexes;
    std::unordered_map<std::string, ClipboardHistoryContent> contentsByID;
    if (only && only->size() <= kEntriesLookedUpSingly) {
        for (const auto& id : *only) {
            for (auto& index : context.fetchIndexes({.idEquals = id})) indexes.push_back(std::move(index));
            for (auto& content : context.fetchContents({.idEquals = id, .loadImageData = false})) {
                contentsByID.emplace(id, std::move(content));
            }
        }
        std::stable_sort(indexes.begin(), indexes.end(),
                         [](const auto& a, const auto& b) { return a.createdAt > b.createdAt; });
    } else {
        indexes = context.fetchIndexes({.newestFirst = true});
        if (only) std::erase_if(indexes, [&](const auto& index) { return !only->contains(index.id); });
        if (indexes.empty()) return {};
        for (auto& content : context.fetchContents({.loadImageData = false})) {
            if (only && !only->contains(content.id)) continue;
            std::string id = content.id;
            contentsByID.emplace(std::move(id), std::move(content));
        }
    }
    std::vector<ClipboardSearchSourceDocument> documents;
    documents.reserve(indexes.size());
    for (const auto& index : indexes) {
        const auto found = contentsByID.find(index.id);
        documents.push_back(
            document(index, searchableTextOf(index, found == contentsByID.end() ? nullptr : &found->second)));
    }
    return documents;
}

void ClipboardHistorySearchSource::documentBatches(
    ClipboardHistoryStoreContext& context, std::size_t most,
    const std::function<void(std::vector<ClipboardSearchSourceDocument>&)>& visit) {
    // A batch also ends at this many bytes of text, so a few huge entries cannot make one batch large.
    constexpr std::size_t kMostBatchBytes = 32 * 1024 * 1024;
    std::vector<ClipboardSearchSourceDocument> documents;
    context.fetchIndexesWithContentInBatches(
        most, kMostBatchBytes, [&](std::vector<HistoryIndexWithContent>& batch) {
            documents.clear();
            documents.reserve(batch.size());
            for (auto& record : batch) {
                documents.push_back(
                    document(record.index,
                             searchableTextOf(record.index, record.content ? &*record.content : nullptr)));
                // The text lives on in the document; the record's copy goes now, not with the batch.
                record.content.reset();
            }
            visit(documents);
        });
}

ClipboardHistorySearchIndexSync::HistorySource ClipboardHistorySearchSource::historySource(
    std::weak_ptr<ClipboardHistoryStore> weakStore) {
    using HistorySourceBatch = ClipboardHistorySearchIndexSync::HistorySource::Batch;
    const auto openContext = [weakStore]() -> std::unique_ptr<ClipboardHistoryStoreContext> {
        auto store = weakStore.lock();
        if (!store) throw HistoryStoreError(HistoryStoreError::Kind::open, "the history store is closed");
        return store->makeReadContext();
    };
    return {[openContext] { return openContext()->fetchIndexIDs(); },
            [openContext](const std::set<std::string>* only) { return documents(*openContext(), only); },
            [openContext](std::size_t most, const HistorySourceBatch& visit) {
                documentBatches(*openContext(), most, visit);
            }};
}

}  // namespace quorvane
