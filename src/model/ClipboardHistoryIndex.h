#pragma once

// The small, listed half of a history entry: what lists, sorting, filters and the fallback search read.
// Created, changed and deleted only by the history store; used on the thread of the store context that read
// it.

#include <cstdint>
#include <optional>
#include <string>

#include "base/Date.h"
#include "model/ClipboardContentType.h"

namespace quorvane {

// When `lastAccessedAt` is present and not earlier than `createdAt` it wins; a use never moves an entry back.
inline Date historySortDate(Date createdAt, const std::optional<Date>& lastAccessedAt) {
    return lastAccessedAt && *lastAccessedAt >= createdAt ? *lastAccessedAt : createdAt;
}

struct ClipboardHistoryIndex {
    std::string id;
    std::string preview;
    std::string searchText;
    Date createdAt;
    std::optional<Date> lastAccessedAt;
    std::int64_t accessCount = 0;
    ClipboardContentType contentType = ClipboardContentType::text;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> classification;

    // The most recent event of the entry, capture or use.
    Date sortAt() const { return historySortDate(createdAt, lastAccessedAt); }

    friend bool operator==(const ClipboardHistoryIndex&, const ClipboardHistoryIndex&) = default;
};

}  // namespace quorvane
