#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <system_error>

namespace quorvane {
namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void createPrivateDirectories(const std::filesystem::path& directory) {
    if (directory.empty() || std::filesystem::exists(directory)) return;
    createPrivateDirectories(directory.parent_path());
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) fail("mkdir " + directory.string());
}

}  // namespace

mode_t currentUmask() {
    // Linux shows it in the process status; umask() itself can only be read by setting it, which races with
    // other threads creating files.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

void writeUserFileAtomically(const std::filesystem::path& path, std::string_view contents) {
    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777)
                                                             : static_cast<mode_t>(0666 & ~currentUmask());
    writeFileAtomically(path, contents, mode);
}

void writeFileAtomically(const std::filesystem::path& path, std::string_view contents, mode_t mode) {
    const auto directory = path.parent_path();
    createPrivateDirectories(directory);

    std::string pattern = path.string() + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    // Errors name the file the caller asked for, never the temporary one: users read them in alerts.
    if (fd < 0) fail(path.string());
    auto discard = [&] {
        ::close(fd);
        ::unlink(pattern.c_str());
    };
    if (::fchmod(fd, mode) != 0) {
        discard();
        fail(path.string());
    }
    std::size_t written = 0;
    while (written < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int saved = errno;
            discard();
            errno = saved;
            fail(path.string());
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) {
        const int saved = errno;
        discard();
        errno = saved;
        fail(path.string());
    }
    ::close(fd);
    if (::rename(pattern.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        ::unlink(pattern.c_str());
        errno = saved;
        fail(path.string());
    }
    // Make the rename itself durable.
    const int directoryFd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (directoryFd >= 0) {
        ::fsync(directoryFd);
        ::close(directoryFd);
    }
}

}  // namespace quorvane
