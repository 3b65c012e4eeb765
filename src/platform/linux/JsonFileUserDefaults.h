#pragma once

// Settings kept in a JSON file, by default "$XDG_CONFIG_HOME/Quorvane/settings.json". Every change rewrites
// the file through a temporary file and a rename, so a crash mid-write leaves the old or the new file, never
// a torn one. The file is private to the user (0600). Safe from any thread.

#include <cstddef>
#include <filesystem>
#include <string>

#include "platform/MapBackedUserDefaults.h"

namespace quorvane {

class JsonFileUserDefaults final : public MapBackedUserDefaults {
public:
    // Loads `path`. A missing file starts empty; an unreadable or invalid one is logged, copied aside with a
    // ".corrupt" suffix (so nothing is lost when the next change rewrites it) and starts empty. Something
    // that is no regular file (a FIFO, a link to a device) or is larger than maximumFileBytes is moved aside
    // under that name with a WARNING, unread.
    explicit JsonFileUserDefaults(std::filesystem::path path);

    // Far above any real settings file.
    static constexpr std::size_t maximumFileBytes = 4 * 1024 * 1024;

    // The standard settings file of this user.
    static std::filesystem::path standardPath();

    const std::filesystem::path& path() const { return path_; }

private:
    void didChange(const std::map<std::string, DefaultsValue>& values) override;
    void setAside(const std::string& reason);

    std::filesystem::path path_;
};

}  // namespace quorvane
