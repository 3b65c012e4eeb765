#include "model/ClipboardHistoryUsageMetadata.h"

#include <algorithm>
#include <limits>

namespace quorvane {

const ClipboardHistoryUsageMetadata ClipboardHistoryUsageMetadata::empty{};

ClipboardHistoryUsageMetadata ClipboardHistoryUsageMetadata::merged(
    const ClipboardHistoryUsageMetadata& with) const {
    ClipboardHistoryUsageMetadata result;
    if (lastAccessedAt && with.lastAccessedAt) {
        result.lastAccessedAt = std::max(*lastAccessedAt, *with.lastAccessedAt);
    } else {
        result.lastAccessedAt = lastAccessedAt ? lastAccessedAt : with.lastAccessedAt;
    }
    std::int64_t sum = 0;
    if (__builtin_add_overflow(accessCount, with.accessCount, &sum)) {
        // Counts only grow, so a negative overflow can only come from damaged values: treat it as no use.
        result.accessCount = with.accessCount > 0 ? std::numeric_limits<std::int64_t>::max() : 0;
    } else {
        result.accessCount = std::max<std::int64_t>(sum, 0);
    }
    return result;
}

}  // namespace quorvane
