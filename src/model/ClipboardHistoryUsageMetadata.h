#pragma once

// How often and when an entry was used. Duplicate removal merges the usage of the copies it removes and hands
// it to the entry saved in their place. A plain value: safe from any thread.

#include <cstdint>
#include <optional>

#include "base/Date.h"

namespace quorvane {

struct ClipboardHistoryUsageMetadata {
    std::optional<Date> lastAccessedAt;
    std::int64_t accessCount = 0;

    // No use at all: the starting point of a merge.
    static const ClipboardHistoryUsageMetadata empty;

    // The later of the two dates (whichever is present) and the sum of the counts. The sum saturates at the
    // largest 64-bit value on overflow and is never below 0 (a negative overflow also gives 0).
    ClipboardHistoryUsageMetadata merged(const ClipboardHistoryUsageMetadata& with) const;

    friend bool operator==(const ClipboardHistoryUsageMetadata&,
                           const ClipboardHistoryUsageMetadata&) = default;
};

}  // namespace quorvane
