#pragma once

// Builders of history entries and pages for the panel tests.

#include <optional>
#include <string>
#include <vector>

#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"
#include "searchindex/ClipboardSearchPage.h"

namespace quorvane::testing {

inline ClipboardHistoryIndexSnapshot textEntry(const std::string& id, const std::string& text = "",
                                               Date createdAt = Date(1'700'000'000.0)) {
    ClipboardHistoryIndexSnapshot entry;
    entry.id = id;
    entry.preview = text.empty() ? id : text;
    entry.searchText = text.empty() ? id : text;
    entry.createdAt = createdAt;
    return entry;
}

inline ClipboardHistoryIndexSnapshot imageEntry(const std::string& id,
                                                Date createdAt = Date(1'700'000'000.0)) {
    auto entry = textEntry(id, "image " + id, createdAt);
    entry.contentType = ClipboardContentType::image;
    return entry;
}

// An entry for the detail pane: only its id, classification and a fixed creation time.
inline ClipboardHistoryIndexSnapshot detailEntry(const std::string& id,
                                                 std::optional<std::string> classification = {}) {
    ClipboardHistoryIndexSnapshot item;
    item.id = id;
    item.createdAt = Date(1'700'000'000.0);
    item.classification = std::move(classification);
    return item;
}

inline ClipboardHistoryContentSnapshot textContent(const std::string& id, std::string content) {
    ClipboardHistoryContentSnapshot snapshot;
    snapshot.id = id;
    snapshot.content = std::move(content);
    return snapshot;
}

// Entries prefix0, prefix1, ... (ids and texts).
inline std::vector<ClipboardHistoryIndexSnapshot> numberedEntries(const std::string& prefix, int from,
                                                                  int count) {
    std::vector<ClipboardHistoryIndexSnapshot> entries;
    for (int i = from; i < from + count; ++i) entries.push_back(textEntry(prefix + std::to_string(i)));
    return entries;
}

inline ClipboardSearchPage pageOf(std::vector<ClipboardHistoryIndexSnapshot> items, bool hasMore) {
    return ClipboardSearchPage{std::move(items), hasMore};
}

inline std::vector<std::string> idsOf(const std::vector<ClipboardHistoryIndexSnapshot>& items) {
    std::vector<std::string> ids;
    for (const auto& item : items) ids.push_back(item.id);
    return ids;
}

}  // namespace quorvane::testing
