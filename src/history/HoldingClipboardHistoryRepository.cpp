#include "history/HoldingClipboardHistoryRepository.h"

#include <utility>

namespace quorvane {

HoldingClipboardHistoryRepository::HoldingClipboardHistoryRepository(std::shared_ptr<MainQueue> mainQueue)
    : mainQueue_(std::move(mainQueue)) {}

void HoldingClipboardHistoryRepository::saveTextItem(
    const std::string& id, const std::string& preview, const std::string& searchText,
    const std::string& content, const std::optional<Bytes>& richTextRTFData,
    const std::optional<Bytes>& richTextHTMLData, const std::optional<std::string>& bundleIdentifier,
    const std::optional<std::string>& classification, std::optional<Date>, std::int64_t) {
    // The usage comes from the history the entry finally lands in, not from this empty stand-in.
    held_.push_back(HeldEntry{false,
                              id,
                              preview,
                              searchText,
                              content,
                              richTextRTFData,
                              richTextHTMLData,
                              {},
                              bundleIdentifier,
                              classification,
                              std::nullopt});
}

void HoldingClipboardHistoryRepository::saveImageItem(const std::string& id, const std::string& preview,
                                                      const std::string& searchText, const Bytes& imageData,
                                                      const std::optional<std::string>& bundleIdentifier,
                                                      const std::optional<std::string>& ocrText,
                                                      std::optional<Date>, std::int64_t) {
    held_.push_back(HeldEntry{true,
                              id,
                              preview,
                              searchText,
                              {},
                              std::nullopt,
                              std::nullopt,
                              imageData,
                              bundleIdentifier,
                              std::nullopt,
                              ocrText});
}

void HoldingClipboardHistoryRepository::updateOCRText(const std::string& id, const std::string& searchText,
                                                      const std::optional<std::string>& ocrText) {
    for (HeldEntry& entry : held_) {
        if (entry.id != id || !entry.isImage) continue;
        entry.searchText = searchText;
        entry.ocrText = ocrText;
    }
}

void HoldingClipboardHistoryRepository::getHistorySnapshots(const std::string&, std::optional<std::size_t>,
                                                            SnapshotsCompletion completion) {
    mainQueue_->post([completion = std::move(completion)] { completion({}); });
}

void HoldingClipboardHistoryRepository::getContentSnapshotById(const std::string&,
                                                               ContentCompletion completion) {
    mainQueue_->post([completion = std::move(completion)] { completion(std::nullopt); });
}

void HoldingClipboardHistoryRepository::getHistoryCounts(CountsCompletion completion) {
    mainQueue_->post([completion = std::move(completion)] { completion({}); });
}

void HoldingClipboardHistoryRepository::getSearchSourceDocuments(
    std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> completion) {
    mainQueue_->post(
        [completion = std::move(completion)] { completion(std::vector<ClipboardSearchSourceDocument>{}); });
}

void HoldingClipboardHistoryRepository::rebuildSearchIndexInOrder(
    std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> rebuild) {
    // Nothing to rebuild from while the history is closed; an unread history never wipes an index.
    rebuild(std::nullopt);
}

void HoldingClipboardHistoryRepository::replayInto(ClipboardHistoryRepositoryProtocol& repository) {
    std::vector<HeldEntry> entries = std::exchange(held_, {});
    for (const HeldEntry& entry : entries) {
        if (entry.isImage) {
            const ClipboardHistoryUsageMetadata usage =
                repository.removeDuplicateImages(entry.imageData, std::nullopt);
            repository.saveImageItem(entry.id, entry.preview, entry.searchText, entry.imageData,
                                     entry.bundleIdentifier, entry.ocrText, usage.lastAccessedAt,
                                     usage.accessCount);
        } else {
            const ClipboardHistoryUsageMetadata usage = repository.removeDuplicateTexts(
                entry.content, entry.richTextRTFData, entry.richTextHTMLData, std::nullopt);
            repository.saveTextItem(entry.id, entry.preview, entry.searchText, entry.content,
                                    entry.richTextRTFData, entry.richTextHTMLData, entry.bundleIdentifier,
                                    entry.classification, usage.lastAccessedAt, usage.accessCount);
        }
    }
}

}  // namespace quorvane
