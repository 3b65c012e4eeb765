#pragma once

// The installed applications of a Linux desktop: the .desktop files in the "applications" folder of each XDG
// data directory ($XDG_DATA_HOME first, then $XDG_DATA_DIRS). An earlier folder's entry masks a later one
// with the same desktop-file id, a Hidden one included. Malformed files are skipped with a WARNING. The scan
// is cached and redone when a scanned folder changes or on reload(). Safe from any thread.

#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/ApplicationCatalog.h"

namespace quorvane {

class XdgApplicationCatalog : public ApplicationCatalog {
public:
    // Searches `dataDirectories` in order of precedence; each one's "applications" subfolder is read.
    explicit XdgApplicationCatalog(std::vector<std::filesystem::path> dataDirectories);
    // The data directories of this session's environment.
    XdgApplicationCatalog();

    std::shared_ptr<const std::vector<InstalledApplication>> applicationEntries() const override;

    // Drops the cached scan; the next lookup reads the folders again.
    void reload();

    // $XDG_DATA_HOME (default ~/.local/share) then $XDG_DATA_DIRS (default /usr/local/share:/usr/share);
    // relative entries are ignored, as the base-directory rules require.
    static std::vector<std::filesystem::path> dataDirectoriesFromEnvironment();

    // Files larger than this are not desktop entries; they are skipped unread.
    static constexpr std::uintmax_t maximumDesktopFileSize = 1 << 20;

private:
    struct FolderStamp {
        std::filesystem::path path;
        bool exists = false;
        std::filesystem::file_time_type modified;
        friend bool operator==(const FolderStamp&, const FolderStamp&) = default;
    };

    void scan() const;
    bool foldersChanged() const;
    static FolderStamp stampOf(const std::filesystem::path& folder);

    std::vector<std::filesystem::path> applicationFolders_;
    mutable std::mutex mutex_;
    mutable std::shared_ptr<const std::vector<InstalledApplication>> applications_;
    mutable std::vector<FolderStamp> stamps_;
};

}  // namespace quorvane
