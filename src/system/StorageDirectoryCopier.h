#pragma once

// The copy behind a storage move: proves the target writable, moves the entries the copy would overwrite
// aside as backups (earlier backups are kept: each may be the only copy of a history), then copies every
// top-level entry of the source into the target, except the source's own backups, which stay where they were
// made. A database goes aside together with its "-wal", "-shm" and "-journal" files, so a stale log never
// meets a copied database. Symbolic links are copied as links, never followed; the source is never changed.
// Blocking: runs on the storage move's worker. One object per copy.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Clock.h"

namespace quorvane {

class StorageDirectoryCopier {
public:
    // `stopRequested` is polled between files; once it is set the copy ends, reports false and logs nothing.
    // `progress`, when given, follows bytesCopied() for readers on other threads.
    StorageDirectoryCopier(const Clock& clock, const std::atomic<bool>& stopRequested,
                           std::atomic<std::uint64_t>* progress = nullptr);
    StorageDirectoryCopier(const StorageDirectoryCopier&) = delete;
    StorageDirectoryCopier& operator=(const StorageDirectoryCopier&) = delete;

    // Copies `source` into `target`, creating the target as needed. A source that does not exist leaves an
    // empty target. Returns false after logging "Failed to migrate storage directory: ..." (or "Failed to
    // create destination directory: ...") when anything fails; what was moved aside stays, what was copied
    // is removed. A target folder that is not this user's alone is refused.
    bool copy(const std::filesystem::path& source, const std::filesystem::path& target);

    // Why the last copy() failed, in the system's words ("Read-only file system", "No space left on
    // device"); empty after a success or a stop.
    const std::string& failureCause() const { return failureCause_; }

    // Bytes of regular files copied so far.
    std::uintmax_t bytesCopied() const { return bytesCopied_; }

    // `name` + ".backup_" + `seconds`: the name an existing entry is moved aside to.
    static std::string backupName(const std::string& name, std::int64_t seconds);
    // True when `a` and `b` are the same directory or one lies inside the other, symbolic links resolved.
    static bool overlaps(const std::filesystem::path& a, const std::filesystem::path& b);

private:
    void prepareTarget(const std::filesystem::path& target);
    void moveAside(const std::filesystem::path& target, const std::string& name);
    void copyEntry(const std::filesystem::path& from, const std::filesystem::path& to);
    void copyFile(const std::filesystem::path& from, const std::filesystem::path& to);
    // Removes the entries this copy wrote into the target.
    void removeCopies();
    void throwIfStopped() const;

    const Clock& clock_;
    const std::atomic<bool>& stopRequested_;
    std::uintmax_t bytesCopied_ = 0;
    std::atomic<std::uint64_t>* progress_ = nullptr;
    std::string failureCause_;
    std::vector<std::filesystem::path> copied_;
};

}  // namespace quorvane
