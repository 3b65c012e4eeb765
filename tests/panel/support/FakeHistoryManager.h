#pragma once

// A history manager over a list in memory, newest first. Reads answer on the next main-queue turn, like the
// real manager's; every call is recorded. Main thread only.

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "history/ClipboardHistoryManagerProtocol.h"
#include "platform/MainQueue.h"

namespace quorvane::testing {

class FakeHistoryManager final : public ClipboardHistoryManagerProtocol {
public:
    explicit FakeHistoryManager(MainQueue& mainQueue) : mainQueue_(mainQueue) {}

    struct SnapshotsCall {
        std::string searchQuery;
        std::optional<std::size_t> limit;
    };

    // Entries whose search text contains the query, at most `limit` of them.
    void getHistorySnapshots(const std::string& searchQuery, std::optional<std::size_t> limit,
                             SnapshotsCompletion completion) override {
        snapshotsCalls.push_back({searchQuery, limit});
        std::vector<ClipboardHistoryIndexSnapshot> result;
        for (const auto& entry : entries) {
            if (limit && result.size() >= *limit) break;
            if (entry.searchText.find(searchQuery) != std::string::npos) result.push_back(entry);
        }
        mainQueue_.post(
            [completion = std::move(completion), result = std::move(result)] { completion(result); });
    }
    void getHistoryCounts(CountsCompletion completion) override {
        ClipboardHistoryCounts counts;
        for (const auto& entry : entries) {
            ++counts.itemCount;
            if (entry.contentType == ClipboardContentType::text) ++counts.textItemCount;
            if (!counts.lastSavedAt || entry.createdAt > *counts.lastSavedAt)
                counts.lastSavedAt = entry.createdAt;
        }
        mainQueue_.post([completion = std::move(completion), counts] { completion(counts); });
    }
    void getContentSnapshotById(const std::string& id, ContentCompletion completion) override {
        std::optional<ClipboardHistoryContentSnapshot> content;
        if (const auto found = contents.find(id); found != contents.end()) content = found->second;
        mainQueue_.post(
            [completion = std::move(completion), content = std::move(content)] { completion(content); });
    }
    void deleteItem(const std::string& id) override {
        deletedIds.push_back(id);
        std::erase_if(entries, [&](const auto& entry) { return entry.id == id; });
    }
    void clearHistory() override { entries.clear(); }
    // The used entry moves to the top, as the store's ordering by last use does.
    void recordUsage(const std::string& id) override {
        usedIds.push_back(id);
        const auto found =
            std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.id == id; });
        if (found != entries.end()) std::rotate(entries.begin(), found, found + 1);
    }
    void runWithCaptureSuspended(const std::function<void()>& body) override {
        ++suspensionCount;
        captureSuspended = true;
        body();
        captureSuspended = false;
    }

    std::vector<ClipboardHistoryIndexSnapshot> entries;
    std::map<std::string, ClipboardHistoryContentSnapshot> contents;
    std::vector<SnapshotsCall> snapshotsCalls;
    std::vector<std::string> deletedIds;
    std::vector<std::string> usedIds;
    int suspensionCount = 0;
    bool captureSuspended = false;

private:
    MainQueue& mainQueue_;
};

}  // namespace quorvane::testing
