#pragma once

// A plain copy of an entry's index record: the currency of lists, pages and search results between the
// history store, the search index and the panels. Equality and hashing cover all nine fields, so a changed
// usage makes a different value with the same id. Safe to copy across threads.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "model/ClipboardHistoryIndex.h"

namespace quorvane {

struct ClipboardHistoryIndexSnapshot {
    std::string id;
    std::string preview;
    std::string searchText;
    Date createdAt;
    std::optional<Date> lastAccessedAt;
    std::int64_t accessCount = 0;
    ClipboardContentType contentType = ClipboardContentType::text;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> classification;

    // Copies the nine fields of a record.
    static ClipboardHistoryIndexSnapshot fromModel(const ClipboardHistoryIndex& model);

    Date sortAt() const { return historySortDate(createdAt, lastAccessedAt); }

    friend bool operator==(const ClipboardHistoryIndexSnapshot&,
                           const ClipboardHistoryIndexSnapshot&) = default;
};

}  // namespace quorvane

template <>
struct std::hash<quorvane::ClipboardHistoryIndexSnapshot> {
    std::size_t operator()(const quorvane::ClipboardHistoryIndexSnapshot& snapshot) const noexcept;
};
