#include "base/PrivateDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace quorvane {

std::filesystem::path ensurePrivateDirectory(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder.parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        throw std::system_error(errno, std::generic_category(), "Cannot create " + folder.string());
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        throw std::system_error(errno, std::generic_category(), "Cannot inspect " + folder.string());
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & 0077) != 0) {
        throw std::system_error(std::make_error_code(std::errc::permission_denied),
                                folder.string() + " is not a private folder of this user");
    }
    return folder;
}

std::filesystem::path privateRuntimeDirectory() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        return ensurePrivateDirectory(std::filesystem::path(runtime) / "quorvane");
    }
    std::filesystem::path cache;
    if (const char* value = std::getenv("XDG_CACHE_HOME"); value && *value == '/') {
        cache = value;
    } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
        cache = std::filesystem::path(home) / ".cache";
    } else {
        throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory),
                                "No runtime, cache or home folder to keep private files in");
    }
    ensurePrivateDirectory(cache / "quorvane");
    return ensurePrivateDirectory(cache / "quorvane" / "runtime");
}

}  // namespace quorvane
