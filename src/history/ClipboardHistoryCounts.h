#pragma once

// How many entries the history holds, of them texts, and when the newest was saved: what the storage page
// shows, counted by the store without reading the entries. A plain value.

#include <cstdint>
#include <optional>

#include "base/Date.h"

namespace quorvane {

struct ClipboardHistoryCounts {
    std::int64_t itemCount = 0;
    std::int64_t textItemCount = 0;
    // The latest creation time; absent for an empty history.
    std::optional<Date> lastSavedAt;

    bool operator==(const ClipboardHistoryCounts&) const = default;
};

}  // namespace quorvane
