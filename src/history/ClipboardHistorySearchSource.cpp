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

// A batch of documents also ends at this many bytes of text, so a few huge entries cannot make one large.
constexpr std::size_t kMostBatchBytes = 32 * 1024 * 1024;

// The documents of a batch of records; each record's text goes as soon as its document has it.
std::vector<ClipboardSearchSourceDocument>& documentsOf(
    std::vector<HistoryIndexWithContent>& batch, std::vector<ClipboardSearchSourceDocument>& documents) {
    documents.clear();
    documents.reserve(batch.size());
    for (auto& record : batch) {
        documents.push_back(ClipboardHistorySearchSource::document(
            record.index, searchableTextOf(record.index, record.content ? &*record.content : nullptr)));
        record.content.reset();
    }
    return documents;
}

}  // namespace

ClipboardSearchSourceDocument ClipboardHistorySearchSource::document(const ClipboardHistoryIndex& index,
                                                                     const std::string& searchableText) {
    return {index.id,          index.preview,          searchableText,
            index.createdAt,   index.lastAccessedAt,   std::max<std::int64_t>(index.accessCount, 0),
            index.contentType, index.bundleIdentifier, index.classification};
}

std::vector<ClipboardSearchSourceDocument> ClipboardHistorySearchSource::allDocuments(
    ClipboardHistoryStoreContext& context) {
    const std::vector<ClipboardHistoryIndex> indexes = context.fetchIndexes({.newestFirst = true});
    if (indexes.empty()) return {};
    std::unordered_map<std::string, ClipboardHistoryContent> contentsByID;
    for (auto& content : context.fetchContents({.loadImageData = false})) {
        std::string id = content.id;
        contentsByID.emplace(std::move(id), std::move(content));
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

void ClipboardHistorySearchSource::documentBatches(ClipboardHistoryStoreContext& context, std::size_t most,
                                                   const Batch& visit) {
    std::vector<ClipboardSearchSourceDocument> documents;
    context.fetchIndexesWithContentInBatches(
        most, kMostBatchBytes,
        [&](std::vector<HistoryIndexWithContent>& batch) { visit(documentsOf(batch, documents)); });
}

void ClipboardHistorySearchSource::documentBatches(ClipboardHistoryStoreContext& context,
                                                   const std::vector<std::string>& ids, std::size_t most,
                                                   const Batch& visit) {
    std::vector<ClipboardSearchSourceDocument> documents;
    context.fetchIndexesWithContentInBatches(
        ids, most, kMostBatchBytes,
        [&](std::vector<HistoryIndexWithContent>& batch) { visit(documentsOf(batch, documents)); });
}

ClipboardHistorySearchIndexSync::HistorySource ClipboardHistorySearchSource::historySource(
    std::weak_ptr<ClipboardHistoryStore> weakStore) {
    using HistorySourceBatch = ClipboardHistorySearchIndexSync::HistorySource::Batch;
    const auto openContext = [weakStore]() -> std::unique_ptr<ClipboardHistoryStoreContext> {
        auto store = weakStore.lock();
        if (!store) throw HistoryStoreError(HistoryStoreError::Kind::open, "the history store is closed");
        return store->makeReadContext();
    };
    return {
        [openContext](const std::optional<std::string>& after, std::size_t most) {
            return openContext()->fetchRecordIDsAfter(after, most);
        },
        [openContext](const std::vector<std::string>& ids) { return openContext()->fetchIndexIDsAmong(ids); },
        [openContext](const std::vector<std::string>& ids, std::size_t most,
                      const HistorySourceBatch& visit) { documentBatches(*openContext(), ids, most, visit); },
        [openContext](std::size_t most, const HistorySourceBatch& visit) {
            documentBatches(*openContext(), most, visit);
        }};
}

}  // namespace quorvane
