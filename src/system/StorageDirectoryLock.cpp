#include "system/StorageDirectoryLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace quorvane {

std::unique_ptr<StorageDirectoryLock> StorageDirectoryLock::acquire(const std::filesystem::path& directory) {
    const std::filesystem::path file = directory / lockFileName;
    // The file itself is never removed: removing it while another process waits on it would let two
    // processes lock two different files of the same name.
    const int descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        throw StorageDirectoryLockError(
            "cannot open the lock file " + file.string() + ": " + std::strerror(errno), false);
    }
    int result;
    do {
        result = ::flock(descriptor, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(descriptor);
        if (error == EWOULDBLOCK) {
            throw StorageDirectoryLockError("another Quorvane process is using the storage directory " +
                                                directory.string() + "; this one leaves it alone",
                                            true);
        }
        throw StorageDirectoryLockError("cannot lock " + file.string() + ": " + std::strerror(error), false);
    }
    return std::unique_ptr<StorageDirectoryLock>(new StorageDirectoryLock(directory, descriptor));
}

StorageDirectoryLock::StorageDirectoryLock(std::filesystem::path directory, int descriptor)
    : directory_(std::move(directory)), descriptor_(descriptor) {}

StorageDirectoryLock::~StorageDirectoryLock() {
    // Closing the only descriptor of the open file releases the lock.
    ::close(descriptor_);
}

}  // namespace quorvane
