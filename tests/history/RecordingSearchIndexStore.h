#pragma once

// An index store for history tests: keeps rows in memory and records every call, and fails on request.
// Safe from any thread.

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "searchindex/ClipboardSearchIndexStoreProtocol.h"

namespace quorvane::testing {

class RecordingSearchIndexStore final : public ClipboardSearchIndexStoreProtocol {
public:
    struct Touch {
        std::string id;
        Date sortAt;
        std::optional<Date> lastAccessedAt;
        std::int64_t accessCount;
    };

    ClipboardSearchIndexStats rebuild(const std::vector<ClipboardSearchIndexDocument>& documents) override {
        if (beforeRebuild) beforeRebuild();
        std::lock_guard lock(mutex_);
        failIfAsked();
        rows.clear();
        rebuilds.push_back(documents);
        for (const auto& document : documents) rows[document.id] = document;
        return {static_cast<std::int64_t>(rows.size()), 0, Date(1)};
    }
    void upsert(const ClipboardSearchIndexDocument& document) override {
        std::lock_guard lock(mutex_);
        failIfAsked();
        upserts.push_back(document);
        rows[document.id] = document;
    }
    void deleteDocuments(const std::vector<std::string>& itemIDs) override {
        std::lock_guard lock(mutex_);
        failIfAsked();
        deletes.push_back(itemIDs);
        for (const auto& id : itemIDs) rows.erase(id);
    }
    void updateAccess(const std::string& itemID, Date sortAt, std::optional<Date> lastAccessedAt,
                      std::int64_t accessCount) override {
        std::lock_guard lock(mutex_);
        failIfAsked();
        touches.push_back({itemID, sortAt, lastAccessedAt, accessCount});
    }
    ClipboardSearchIndexStats stats() override {
        std::lock_guard lock(mutex_);
        failIfAsked();
        return {static_cast<std::int64_t>(rows.size()), 0, std::nullopt};
    }
    void setBeingFilled(bool filling) override {
        std::lock_guard lock(mutex_);
        beingFilled = filling;
    }
    bool isBeingFilled() {
        std::lock_guard lock(mutex_);
        return beingFilled;
    }
    std::vector<std::string> documentItemIDsAfter(const std::optional<std::string>& after,
                                                  std::size_t most) override {
        if (beforeIDPage) beforeIDPage(after);
        std::lock_guard lock(mutex_);
        failIfAsked();
        ++idPageReads;
        std::vector<std::string> ids;
        for (auto row = after ? rows.upper_bound(*after) : rows.begin();
             row != rows.end() && ids.size() < most; ++row) {
            ids.push_back(row->first);
        }
        return ids;
    }
    // History tests never query the index; a query here is a test mistake.
    ClipboardSearchPage fetchRecent(std::int64_t, std::int64_t) override {
        throw std::logic_error("history tests do not query the index");
    }
    ClipboardSearchPage search(const ClipboardSearchQueryText&, const std::vector<ClipboardSearchFilter>&,
                               std::int64_t, std::int64_t) override {
        throw std::logic_error("history tests do not query the index");
    }
    void syncVoid(const std::function<void()>& body) override { body(); }

    // Read these only after the repository's index jobs have run.
    std::map<std::string, ClipboardSearchIndexDocument> rows;
    std::vector<ClipboardSearchIndexDocument> upserts;
    std::vector<std::vector<std::string>> deletes;
    std::vector<std::vector<ClipboardSearchIndexDocument>> rebuilds;
    std::vector<Touch> touches;
    bool failing = false;
    bool beingFilled = false;
    std::size_t idPageReads = 0;
    // Runs on the rebuilding thread before a rebuild takes effect; set before the index is used.
    std::function<void()> beforeRebuild;
    // Runs before each page of ids is read, with the id it starts after, outside the store's lock; set before
    // the index is used.
    std::function<void(const std::optional<std::string>& after)> beforeIDPage;

private:
    void failIfAsked() const {
        if (failing) throw std::runtime_error("index unavailable");
    }

    std::mutex mutex_;
};

}  // namespace quorvane::testing
