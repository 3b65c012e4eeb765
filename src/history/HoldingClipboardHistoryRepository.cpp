#include "history/HoldingClipboardHistoryRepository.h"

#include <utility>

namespace quorvane {

HoldingClipboardHistoryRepository::HoldingClipboardHistoryRepository(std::shared_ptr<MainQueue> mainQueue)
    : mainQueue_(std::move(mainQueue)) {}

void HoldingClipboardHistoryRepository::saveTextItem(NewTextItem item) {
    held_.emplace_back(std::move(item));
}

void HoldingClipboardHistoryRepository::saveImageItem(NewImageItem item) {
    held_.emplace_back(std::move(item));
}

void HoldingClipboardHistoryRepository::updateOCRText(const std::string& id, const std::string& searchText,
                                                      const std::optional<std::string>& ocrText) {
    for (auto& entry : held_) {
        auto* image = std::get_if<NewImageItem>(&entry);
        if (!image || image->id != id) continue;
        image->searchText = searchText;
        image->ocrText = ocrText;
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
    std::vector<std::variant<NewTextItem, NewImageItem>> entries = std::exchange(held_, {});
    // The usage comes from the history the entry finally lands in, not from this empty stand-in.
    const auto takeUsage = [](auto& item, const ClipboardHistoryUsageMetadata& usage) {
        item.lastAccessedAt = usage.lastAccessedAt;
        item.accessCount = usage.accessCount;
    };
    for (auto& entry : entries) {
        if (auto* image = std::get_if<NewImageItem>(&entry)) {
            takeUsage(*image, repository.removeDuplicateImages(image->imageData, std::nullopt));
            repository.saveImageItem(std::move(*image));
        } else {
            auto& text = std::get<NewTextItem>(entry);
            takeUsage(text, repository.removeDuplicateTexts(text.content, text.richTextRTFData,
                                                            text.richTextHTMLData, std::nullopt));
            repository.saveTextItem(std::move(text));
        }
    }
}

}  // namespace quorvane
