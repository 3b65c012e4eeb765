#include "base/ExclusiveFileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace quorvane {

std::optional<ExclusiveFileLock> ExclusiveFileLock::tryAcquire(const std::filesystem::path& path) {
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0)
        throw std::system_error(errno, std::generic_category(), "Cannot open " + path.string());
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(descriptor);
        if (error == EWOULDBLOCK) return std::nullopt;
        throw std::system_error(error, std::generic_category(), "Cannot lock " + path.string());
    }
    return ExclusiveFileLock(descriptor);
}

ExclusiveFileLock::ExclusiveFileLock(ExclusiveFileLock&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)) {}

ExclusiveFileLock& ExclusiveFileLock::operator=(ExclusiveFileLock&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) ::close(descriptor_);
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

ExclusiveFileLock::~ExclusiveFileLock() {
    if (descriptor_ >= 0) ::close(descriptor_);  // closing releases the lock
}

}  // namespace quorvane
