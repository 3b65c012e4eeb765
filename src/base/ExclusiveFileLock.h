#pragma once

// An exclusive advisory lock (flock) on a file, held for the object's life. The kernel drops it when the
// process ends however it ends, so a crash never leaves a stale lock. Two locks on one file exclude each
// other across processes and within one process alike. Move-only.

#include <filesystem>
#include <optional>

namespace quorvane {

class ExclusiveFileLock {
public:
    // The lock when no one else holds it; nothing when someone does. The file is created 0600 when missing
    // and never followed through a symbolic link. Throws std::system_error when it cannot be opened or locked
    // for another reason.
    static std::optional<ExclusiveFileLock> tryAcquire(const std::filesystem::path& path);

    ExclusiveFileLock(ExclusiveFileLock&& other) noexcept;
    ExclusiveFileLock& operator=(ExclusiveFileLock&& other) noexcept;
    ExclusiveFileLock(const ExclusiveFileLock&) = delete;
    ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;
    ~ExclusiveFileLock();

private:
    explicit ExclusiveFileLock(int descriptor) : descriptor_(descriptor) {}

    int descriptor_ = -1;
};

}  // namespace quorvane
