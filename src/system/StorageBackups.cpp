#include "system/StorageBackups.h"

#include <algorithm>
#include <array>
#include <set>
#include <string_view>

#include "base/Logger.h"

namespace quorvane {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLogCategory = "DataDirectoryManager";
constexpr std::array<std::string_view, 2> kMarkers{".backup_", ".corrupt-"};
constexpr std::array<std::string_view, 3> kCompanionSuffixes{"-wal", "-shm", "-journal"};

std::string withoutCompanionSuffix(const std::string& name) {
    for (std::string_view suffix : kCompanionSuffixes) {
        if (name.size() > suffix.size() && name.ends_with(suffix))
            return name.substr(0, name.size() - suffix.size());
    }
    return name;
}

std::int64_t bytesBelow(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (error) return 0;
    if (fs::is_regular_file(status)) {
        const auto size = fs::file_size(path, error);
        return error ? 0 : static_cast<std::int64_t>(size);
    }
    if (!fs::is_directory(status)) return 0;
    std::int64_t total = 0;
    for (fs::recursive_directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
        std::error_code sizeError;
        if (it->is_regular_file(sizeError) && !it->is_symlink(sizeError)) {
            const auto size = it->file_size(sizeError);
            if (!sizeError) total += static_cast<std::int64_t>(size);
        }
    }
    return total;
}

}  // namespace

bool StorageBackups::isBackupName(const std::string& name) {
    return std::any_of(kMarkers.begin(), kMarkers.end(),
                       [&](std::string_view marker) { return name.find(marker) != std::string::npos; });
}

std::vector<fs::path> StorageBackups::entries(const fs::path& directory) {
    std::vector<fs::path> result;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        if (isBackupName(it->path().filename().string())) result.push_back(it->path());
    }
    std::sort(result.begin(), result.end());
    return result;
}

StorageBackups::Summary StorageBackups::summarize(const fs::path& directory) {
    Summary summary;
    std::set<std::string> databases;
    for (const fs::path& entry : entries(directory)) {
        databases.insert(withoutCompanionSuffix(entry.filename().string()));
        summary.bytes += bytesBelow(entry);
    }
    summary.count = static_cast<std::int64_t>(databases.size());
    return summary;
}

std::vector<fs::path> StorageBackups::removeAll(const fs::path& directory) {
    std::vector<fs::path> left;
    for (const fs::path& entry : entries(directory)) {
        std::error_code error;
        fs::remove_all(entry, error);
        if (error) {
            Logger::error("Failed to remove backup " + entry.string() + ": " + error.message(), kLogCategory);
            left.push_back(entry);
        }
    }
    return left;
}

}  // namespace quorvane
