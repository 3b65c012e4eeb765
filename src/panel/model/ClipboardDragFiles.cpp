#include "panel/model/ClipboardDragFiles.h"

#include <sys/stat.h>

#include <limits>
#include <system_error>

#include "base/AtomicFile.h"
#include "base/Logger.h"
#include "base/PrivateDirectory.h"
#include "base/Uuid.h"

namespace quorvane {
namespace {

constexpr const char* kLogCategory = "ClipboardResultListView";

bool isAllowedInFileName(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

std::filesystem::path newDragFilePath(const std::filesystem::path& folder, std::string_view id,
                                      std::string_view extension) {
    std::string name = "Quorvane_" + dragFileStem(id) + "_" + makeUuidString().substr(0, 8);
    name += '.';
    name += extension;
    return folder / name;
}

}  // namespace

std::filesystem::path dragOutDirectory() {
    return ensurePrivateDirectory(privateRuntimeDirectory() / dragOutFolderName);
}

std::string dragFileStem(std::string_view id) {
    std::string stem;
    for (const char c : id) {
        if (stem.size() == 12) break;
        if (isAllowedInFileName(c)) stem += c;
    }
    return stem.empty() ? "item" : stem;
}

std::optional<std::filesystem::path> writeDragImageFile(const std::filesystem::path& folder,
                                                        std::string_view id, const Data& imageData,
                                                        std::string_view extension) {
    const std::string_view bytes(reinterpret_cast<const char*>(imageData.data()), imageData.size());
    try {
        const auto path = newDragFilePath(folder, id, extension);
        writeFileAtomically(path, bytes, 0600);
        return path;
    } catch (const std::system_error&) {
        // The folder may have been removed under us: make it again and try once more under a new name.
    }
    try {
        ensurePrivateDirectory(folder);
        const auto path = newDragFilePath(folder, id, extension);
        writeFileAtomically(path, bytes, 0600);
        return path;
    } catch (const std::system_error& error) {
        Logger::error(std::string("Failed to prepare drag image file: ") + error.what(), kLogCategory);
        return std::nullopt;
    }
}

namespace {

// Removes the plain files of `folder` whose names begin with `namePrefix` and that were last modified before
// `cutoff` (seconds since 1970). Hidden files and files whose time cannot be read are left alone; paths that
// could not be removed go to `failed` when given.
std::size_t removeFilesBefore(const std::filesystem::path& folder, double cutoff, std::string_view namePrefix,
                              std::vector<std::filesystem::path>* failed) {
    std::size_t removed = 0;
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) return 0;
    for (const auto& entry : entries) {
        const auto name = entry.path().filename().string();
        if (name.empty() || name.front() == '.' || !name.starts_with(namePrefix)) continue;
        struct stat info {};
        if (::lstat(entry.path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        const double modified =
            static_cast<double>(info.st_mtim.tv_sec) + static_cast<double>(info.st_mtim.tv_nsec) / 1e9;
        if (modified >= cutoff) continue;
        std::error_code removeError;
        if (std::filesystem::remove(entry.path(), removeError)) {
            ++removed;
        } else if (failed) {
            failed->push_back(entry.path());
        }
    }
    return removed;
}

}  // namespace

std::size_t removeOldDragFiles(const std::filesystem::path& folder, Date now, std::string_view namePrefix) {
    return removeFilesBefore(folder, now.timeIntervalSince1970 - dragFileMaximumAgeSeconds, namePrefix,
                             nullptr);
}

std::vector<std::filesystem::path> removeAllItemFiles(const std::filesystem::path& privateFolder) {
    std::vector<std::filesystem::path> failed;
    constexpr double always = std::numeric_limits<double>::infinity();
    removeFilesBefore(privateFolder, always, openWithFilePrefix, &failed);
    removeFilesBefore(privateFolder / dragOutFolderName, always, {}, &failed);
    for (const auto& path : failed) {
        Logger::error("Failed to remove the temporary file " + path.string() + " of a cleared entry",
                      kLogCategory);
    }
    return failed;
}

}  // namespace quorvane
