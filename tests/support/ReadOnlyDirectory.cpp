#include "support/ReadOnlyDirectory.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <fstream>

namespace quorvane::testing {

namespace fs = std::filesystem;

namespace {

bool setImmutable(const fs::path& directory, bool immutable) {
    const int descriptor = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (descriptor < 0) return false;
    int flags = 0;
    bool done = ::ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(descriptor, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(descriptor);
    return done;
}

}  // namespace

ReadOnlyDirectory::ReadOnlyDirectory(fs::path directory) : directory_(std::move(directory)) {
    fs::permissions(directory_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    if (::geteuid() == 0) immutable_ = setImmutable(directory_, true);
    const fs::path probe = directory_ / "probe-of-the-read-only-directory";
    std::ofstream file(probe);
    effective_ = !file.is_open();
    if (!effective_) {
        file.close();
        std::error_code ignored;
        fs::remove(probe, ignored);
    }
}

ReadOnlyDirectory::~ReadOnlyDirectory() {
    if (immutable_) setImmutable(directory_, false);
    std::error_code ignored;
    fs::permissions(directory_, fs::perms::owner_all, ignored);
}

}  // namespace quorvane::testing
