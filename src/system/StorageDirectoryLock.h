#pragma once

// Keeps one process at a time on a storage directory: an exclusive advisory lock (flock) on a lock file
// inside it, held while the clipboard services use the directory and released when the object goes (for a
// storage move, at shut-down, or by the kernel when the process dies). Main thread only.

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace quorvane {

class StorageDirectoryLockError : public std::runtime_error {
public:
    StorageDirectoryLockError(const std::string& message, bool heldElsewhere)
        : std::runtime_error(message), heldElsewhere_(heldElsewhere) {}

    // True when another holder has the lock; false when the lock file could not be opened or locked at all.
    bool heldElsewhere() const { return heldElsewhere_; }

private:
    bool heldElsewhere_;
};

class StorageDirectoryLock {
public:
    static constexpr const char* lockFileName = "quorvane.lock";

    // Takes the lock on `directory` (which must exist) without waiting. Throws StorageDirectoryLockError when
    // another holder has it or the lock file cannot be opened; the directory is left as it was, apart from
    // the lock file.
    static std::unique_ptr<StorageDirectoryLock> acquire(const std::filesystem::path& directory);
    ~StorageDirectoryLock();
    StorageDirectoryLock(const StorageDirectoryLock&) = delete;
    StorageDirectoryLock& operator=(const StorageDirectoryLock&) = delete;

    const std::filesystem::path& directory() const { return directory_; }

private:
    StorageDirectoryLock(std::filesystem::path directory, int descriptor);

    std::filesystem::path directory_;
    int descriptor_;
};

}  // namespace quorvane
