#pragma once

// A history repository for capture tests: stores nothing, records every call in order, and answers the
// duplicate removals with a usage the test sets. Main thread only.

#include <string>
#include <utility>
#include <vector>

#include "history/ClipboardHistoryRepositoryProtocol.h"

namespace quorvane::testing {

class RecordingClipboardHistoryRepository final : public ClipboardHistoryRepositoryProtocol {
public:
    struct OCRUpdate {
        std::string id, searchText;
        std::optional<std::string> ocrText;
    };
    struct ExpiryRequest {
        Date olderThan;
        ClipboardContentType contentType;
    };

    void saveTextItem(NewTextItem item) override {
        calls.push_back("saveTextItem");
        savedTexts.push_back(std::move(item));
    }
    void saveImageItem(NewImageItem item) override {
        calls.push_back("saveImageItem");
        savedImages.push_back(std::move(item));
    }
    void updateOCRText(const std::string& id, const std::string& searchText,
                       const std::optional<std::string>& ocrText) override {
        calls.push_back("updateOCRText");
        ocrUpdates.push_back({id, searchText, ocrText});
    }
    void getHistorySnapshots(const std::string&, std::optional<std::size_t>,
                             SnapshotsCompletion completion) override {
        completion({});
    }
    void getHistoryCounts(CountsCompletion completion) override { completion({}); }
    // A saved image's content with the last text stored for it; nothing for other ids.
    void getContentSnapshotById(const std::string& id, ContentCompletion completion) override {
        contentRequests.push_back(id);
        for (const auto& image : savedImages) {
            if (image.id != id) continue;
            ClipboardHistoryContentSnapshot content{
                id, "", std::nullopt, std::nullopt, image.imageData, image.ocrText};
            for (const auto& update : ocrUpdates) {
                if (update.id == id) content.ocrText = update.ocrText;
            }
            completion(std::move(content));
            return;
        }
        completion(std::nullopt);
    }
    void deleteItem(const std::string&) override { calls.push_back("deleteItem"); }
    std::int64_t deleteExpiredItems(Date cutoff, ClipboardContentType contentType) override {
        calls.push_back("deleteExpiredItems");
        expiryRequests.push_back({cutoff, contentType});
        return expiredCount;
    }
    void clearHistory() override { calls.push_back("clearHistory"); }
    ClipboardHistoryUsageMetadata removeDuplicateTexts(const std::string& text, const std::optional<Bytes>&,
                                                       const std::optional<Bytes>&,
                                                       const std::optional<std::string>& idToKeep) override {
        calls.push_back("removeDuplicateTexts");
        duplicateTextsRemoved.push_back(text);
        keptIds.push_back(idToKeep);
        return removedUsage;
    }
    ClipboardHistoryUsageMetadata removeDuplicateImages(const Bytes& imageData,
                                                        const std::optional<std::string>& idToKeep) override {
        calls.push_back("removeDuplicateImages");
        duplicateImagesRemoved.push_back(imageData);
        keptIds.push_back(idToKeep);
        return removedUsage;
    }
    void recordUsage(const std::string&) override { calls.push_back("recordUsage"); }
    void getSearchSourceDocuments(
        std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> completion) override {
        completion(std::vector<ClipboardSearchSourceDocument>{});
    }
    void rebuildSearchIndexInOrder(
        std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> rebuild) override {
        rebuild(std::vector<ClipboardSearchSourceDocument>{});
    }

    // Every call by name, in order ("removeDuplicateTexts", "saveTextItem", ...).
    std::vector<std::string> calls;
    std::vector<NewTextItem> savedTexts;
    std::vector<NewImageItem> savedImages;
    std::vector<OCRUpdate> ocrUpdates;
    std::vector<std::string> contentRequests;
    std::vector<ExpiryRequest> expiryRequests;
    std::vector<std::string> duplicateTextsRemoved;
    std::vector<Bytes> duplicateImagesRemoved;
    // The id to keep of each duplicate removal (the monitor never keeps one).
    std::vector<std::optional<std::string>> keptIds;
    // What the next duplicate removals report.
    ClipboardHistoryUsageMetadata removedUsage = ClipboardHistoryUsageMetadata::empty;
    std::int64_t expiredCount = 0;
};

}  // namespace quorvane::testing
