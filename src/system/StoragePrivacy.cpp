#include "system/StoragePrivacy.h"

#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "base/Logger.h"
#include "system/DataDirectoryManager.h"

namespace quorvane {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLogCategory = "DataDirectoryManager";
constexpr const char* kSearchIndexFileName = "clipboard_search.sqlite";
constexpr std::array<const char*, 4> kDatabaseSuffixes{"", "-wal", "-shm", "-journal"};

void refuseForeignOwner(const fs::path& path, const struct stat& info, const char* kind) {
    if (info.st_uid == ::geteuid()) return;
    throw StoragePrivacyError(StoragePrivacyError::Problem::foreignOwner, path,
                              fmt::format("The {} {} belongs to another user (uid {}); Quorvane keeps the "
                                          "clipboard history only where this user alone owns it",
                                          kind, path.string(), info.st_uid));
}

[[noreturn]] void refuseWritable(const fs::path& path, const struct stat& info, const char* kind) {
    throw StoragePrivacyError(
        StoragePrivacyError::Problem::writableByOthers, path,
        fmt::format("The {} {} can be written by other users (mode {:04o}); Quorvane keeps the clipboard "
                    "history only where no one else can change it",
                    kind, path.string(), info.st_mode & 07777));
}

void narrow(const fs::path& path, const struct stat& info, mode_t privateMode, const char* kind) {
    const mode_t mode = info.st_mode & 07777;
    if ((mode & ~privateMode) == 0) return;
    if (::chmod(path.c_str(), privateMode) != 0) {
        const int error = errno;
        throw StoragePrivacyError(
            StoragePrivacyError::Problem::modeNotChanged, path,
            fmt::format("The {} {} could not be made private (mode {:04o} to {:04o}): {}", kind,
                        path.string(), mode, privateMode, std::strerror(error)));
    }
    const bool writable = (mode & (S_IWGRP | S_IWOTH)) != 0;
    Logger::warning(fmt::format("The {} {} could be {} by other users (mode {:04o}); it is {:04o} now", kind,
                                path.string(), writable ? "written" : "read", mode, privateMode),
                    kLogCategory);
}

}  // namespace

bool StoragePrivacy::ensurePrivateFolder(const fs::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        throw fs::filesystem_error("Cannot inspect the storage folder", folder,
                                   std::error_code(errno, std::generic_category()));
    }
    if (!S_ISDIR(info.st_mode)) {
        throw fs::filesystem_error("Cannot use the storage folder", folder,
                                   std::make_error_code(std::errc::not_a_directory));
    }
    refuseForeignOwner(folder, info, "storage folder");
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) refuseWritable(folder, info, "storage folder");
    narrow(folder, info, 0700, "storage folder");
    return (info.st_mode & (S_IXGRP | S_IXOTH)) != 0;
}

void StoragePrivacy::ensurePrivateFile(const fs::path& file, bool othersCouldEnterFolder) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        if (errno == ENOENT) return;
        throw fs::filesystem_error("Cannot inspect the database file", file,
                                   std::error_code(errno, std::generic_category()));
    }
    refuseForeignOwner(file, info, "database file");
    // Behind a folder no one else could enter, and under no other name, a wide mode let no one in: it is
    // only narrowed. Otherwise someone may have written to it.
    const bool couldBeReached = othersCouldEnterFolder || info.st_nlink > 1;
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0 && couldBeReached)
        refuseWritable(file, info, "database file");
    narrow(file, info, 0600, "database file");
}

void StoragePrivacy::ensurePrivate(const fs::path& storageFolder) {
    const bool othersCouldEnter = ensurePrivateFolder(storageFolder);
    for (const char* database : {DataDirectoryManager::databaseFileName, kSearchIndexFileName}) {
        for (const char* suffix : kDatabaseSuffixes)
            ensurePrivateFile(storageFolder / (database + std::string(suffix)), othersCouldEnter);
    }
}

}  // namespace quorvane
