#pragma once

// Builders of history entries and pages for the panel tests.

#include <optional>
#include <string>
#include <vector>

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
