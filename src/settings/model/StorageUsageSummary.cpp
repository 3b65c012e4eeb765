#include "settings/model/StorageUsageSummary.h"

#include <sys/stat.h>

#include <algorithm>

namespace quorvane {
namespace fs = std::filesystem;

StorageUsageSummary StorageUsageSummary::of(const ClipboardHistoryCounts& counts,
                                            std::int64_t directorySizeBytes) {
    StorageUsageSummary summary;
    summary.itemCount = counts.itemCount;
    summary.textItemCount = counts.textItemCount;
    summary.lastSavedAt = counts.lastSavedAt;
    summary.imageItemCount = summary.itemCount - summary.textItemCount;
    summary.directorySizeBytes = std::max<std::int64_t>(directorySizeBytes, 0);
    return summary;
}

std::int64_t calculateDirectorySize(const fs::path& directory, const std::atomic<bool>* cancelled) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(directory, error))) return 0;
    fs::recursive_directory_iterator entries(directory, fs::directory_options::skip_permission_denied, error);
    if (error) return 0;
    std::int64_t total = 0;
    for (; entries != fs::recursive_directory_iterator(); entries.increment(error)) {
        if (error) break;
        if (cancelled && cancelled->load(std::memory_order_relaxed)) break;
        // Allocated blocks, as the disk sees them: a sparse or compressed file counts what it takes.
        struct stat status {};
        if (::lstat(entries->path().c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
        total += static_cast<std::int64_t>(status.st_blocks) * 512;
    }
    return total;
}

}  // namespace quorvane
