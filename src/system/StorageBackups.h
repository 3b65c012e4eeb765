#pragma once

// The copies of the history that storage moves and damage recovery leave in a storage folder: entries moved
// aside by a move ("<name>.backup_<seconds>") and damaged index files set aside ("<name>.corrupt-<stamp>"),
// each with its SQLite companions. They hold old clipboard texts, so clearing the history names and removes
// them. Blocking file work; safe from any thread.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvane {

class StorageBackups {
public:
    StorageBackups() = delete;

    struct Summary {
        // Backups, a database and its companion files counting as one.
        std::int64_t count = 0;
        // Bytes of every file they hold.
        std::int64_t bytes = 0;
        bool operator==(const Summary&) const = default;
    };

    static bool isBackupName(const std::string& name);
    // The top-level backup entries of `directory`, sorted; none when it cannot be read.
    static std::vector<std::filesystem::path> entries(const std::filesystem::path& directory);
    static Summary summarize(const std::filesystem::path& directory);
    // Removes every backup entry; returns the ones that could not be removed (each logged as an ERROR).
    static std::vector<std::filesystem::path> removeAll(const std::filesystem::path& directory);
};

}  // namespace quorvane
