#pragma once

// What the storage page shows about the history: how many entries of each kind, the newest one's time, and
// how much disk the storage directory takes. A plain value.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "base/Date.h"
#include "history/ClipboardHistoryCounts.h"

namespace quorvane {

struct StorageUsageSummary {
    std::int64_t itemCount = 0;
    std::int64_t textItemCount = 0;
    // Every entry that is not text.
    std::int64_t imageItemCount = 0;
    // Allocated size of the storage directory; never negative.
    std::int64_t directorySizeBytes = 0;
    // Creation time of the newest entry; nothing without entries.
    std::optional<Date> lastSavedAt;

    static StorageUsageSummary empty() { return {}; }
    // The summary of the history's counts, with `directorySizeBytes` (negative counts as 0).
    static StorageUsageSummary of(const ClipboardHistoryCounts& counts, std::int64_t directorySizeBytes);

    friend bool operator==(const StorageUsageSummary&, const StorageUsageSummary&) = default;
};

// The allocated size of every regular file below `directory`, hidden ones included, links not followed;
// 0 when the directory does not exist. Files that cannot be read add nothing. Stops early, returning what
// it has, once `cancelled` turns true. Safe from any thread; never call it on the main thread.
std::int64_t calculateDirectorySize(const std::filesystem::path& directory,
                                    const std::atomic<bool>* cancelled = nullptr);

}  // namespace quorvane
