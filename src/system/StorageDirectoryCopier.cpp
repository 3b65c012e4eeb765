#include "system/StorageDirectoryCopier.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <set>
#include <string_view>
#include <vector>

#include "base/AtomicFile.h"
#include "base/Logger.h"
#include "base/Uuid.h"
#include "system/DataDirectoryManager.h"
#include "system/StorageBackups.h"
#include "system/StorageDirectoryLock.h"
#include "system/StoragePrivacy.h"

namespace quorvane {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLogCategory = "DataDirectoryManager";
constexpr std::string_view kBackupMarker = ".backup_";
// The files SQLite keeps beside a database while it is open or was not closed cleanly.
constexpr std::array<std::string_view, 3> kDatabaseCompanionSuffixes{"-wal", "-shm", "-journal"};

struct StopRequested {};

bool entryExists(const fs::path& path) {
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found && !error;
}

// The database a companion file belongs to ("x.sqlite" for "x.sqlite-wal"), else the name itself.
std::string databaseNameOf(const std::string& name) {
    for (std::string_view suffix : kDatabaseCompanionSuffixes) {
        if (name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            return name.substr(0, name.size() - suffix.size());
    }
    return name;
}

std::vector<std::string> listNames(const fs::path& directory) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    return names;
}

// Absolute, with every symbolic link of the existing part resolved.
fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path result = fs::weakly_canonical(fs::absolute(path), error);
    if (error) result = fs::absolute(path).lexically_normal();
    if (!result.has_filename() && result != result.root_path()) result = result.parent_path();
    return result;
}

bool isSameOrInside(const fs::path& inner, const fs::path& outer) {
    auto innerPart = inner.begin();
    for (auto outerPart = outer.begin(); outerPart != outer.end(); ++outerPart, ++innerPart) {
        if (innerPart == inner.end() || *innerPart != *outerPart) return false;
    }
    return true;
}

}  // namespace

StorageDirectoryCopier::StorageDirectoryCopier(const Clock& clock, const std::atomic<bool>& stopRequested,
                                               std::atomic<std::uint64_t>* progress)
    : clock_(clock), stopRequested_(stopRequested), progress_(progress) {
    if (progress_) progress_->store(0);
}

std::string StorageDirectoryCopier::backupName(const std::string& name, std::int64_t seconds) {
    return name + std::string(kBackupMarker) + std::to_string(seconds);
}

bool StorageDirectoryCopier::overlaps(const fs::path& a, const fs::path& b) {
    const fs::path first = resolved(a);
    const fs::path second = resolved(b);
    return isSameOrInside(first, second) || isSameOrInside(second, first);
}

void StorageDirectoryCopier::throwIfStopped() const {
    if (stopRequested_.load()) throw StopRequested{};
}

bool StorageDirectoryCopier::copy(const fs::path& source, const fs::path& target) {
    failureCause_.clear();
    copied_.clear();
    try {
        if (overlaps(source, target)) {
            // Moving the target's entries aside would move the live files themselves.
            Logger::error(
                "Failed to migrate storage directory: " + target.string() + " overlaps " + source.string(),
                kLogCategory);
            return false;
        }
        std::error_code error;
        if (!fs::is_directory(source, error)) {
            try {
                DataDirectoryManager::createPrivateDirectories(target);
                return true;
            } catch (const std::exception& failure) {
                const auto* systemFailure = dynamic_cast<const std::system_error*>(&failure);
                failureCause_ = systemFailure ? systemFailure->code().message() : failure.what();
                Logger::error(std::string("Failed to create destination directory: ") + failure.what(),
                              kLogCategory);
                return false;
            }
        }
        prepareTarget(target);
        std::vector<std::string> sourceNames = listNames(source);
        // The lock belongs to the services running on a folder, not to its contents.
        std::erase(sourceNames, std::string(StorageDirectoryLock::lockFileName));
        // Backups stay with the folder they were made in (the source is left as it was): carried along they
        // would double on every move and collide with the target's own.
        std::erase_if(sourceNames,
                      [](const std::string& name) { return StorageBackups::isBackupName(name); });
        // Listed to prove the target readable before anything is moved aside.
        (void)listNames(target);

        // Everything goes aside before anything is copied, so a database and its companions, in whatever
        // order the source lists them, are moved as one and never mixed with a fresh copy.
        std::set<std::string> movedAside;
        for (const std::string& name : sourceNames) {
            const std::string database = databaseNameOf(name);
            if (movedAside.insert(database).second) moveAside(target, database);
        }
        for (const std::string& name : sourceNames) {
            copied_.push_back(target / name);
            copyEntry(source / name, target / name);
        }
        return true;
    } catch (const StopRequested&) {
        removeCopies();
        return false;
    } catch (const std::system_error& failure) {
        failureCause_ = failure.code().message();
        Logger::error(std::string("Failed to migrate storage directory: ") + failure.what(), kLogCategory);
        removeCopies();
        return false;
    } catch (const std::exception& failure) {
        failureCause_ = failure.what();
        Logger::error(std::string("Failed to migrate storage directory: ") + failure.what(), kLogCategory);
        removeCopies();
        return false;
    }
}

void StorageDirectoryCopier::removeCopies() {
    // A part of a history is no history: what this copy wrote goes (on a full disk it also gives the room
    // back); the backups it moved aside stay.
    for (const fs::path& path : copied_) {
        std::error_code error;
        fs::remove_all(path, error);
        if (error) {
            Logger::error("Failed to remove the partial copy " + path.string() + ": " + error.message(),
                          kLogCategory);
        }
    }
    copied_.clear();
}

void StorageDirectoryCopier::copyFile(const fs::path& from, const fs::path& to) {
    // By hand rather than fs::copy_file, which reports a full disk as an input/output error.
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        throw fs::filesystem_error("Cannot read", from, std::error_code(errno, std::generic_category()));
    struct stat info {};
    ::fstat(in, &info);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 0777);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        throw fs::filesystem_error("Cannot create", to, std::error_code(error, std::generic_category()));
    }
    const auto fail = [&](const char* what, const fs::path& path) {
        const int error = errno;
        ::close(in);
        ::close(out);
        throw fs::filesystem_error(what, path, std::error_code(error, std::generic_category()));
    };
    std::array<char, 1 << 16> buffer{};
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) fail("Cannot read", from);
        if (got == 0) break;
        for (ssize_t written = 0; written < got;) {
            const ssize_t n = ::write(out, buffer.data() + written, static_cast<std::size_t>(got - written));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) fail("Cannot write", to);
            written += n;
        }
        bytesCopied_ += static_cast<std::uintmax_t>(got);
        if (progress_) progress_->store(bytesCopied_);
    }
    // A full disk may only show when the data reaches it.
    if (::fsync(out) != 0) fail("Cannot write", to);
    ::close(in);
    if (::close(out) != 0) {
        throw fs::filesystem_error("Cannot write", to, std::error_code(errno, std::generic_category()));
    }
}

void StorageDirectoryCopier::prepareTarget(const fs::path& target) {
    DataDirectoryManager::createPrivateDirectories(target);
    // A folder others own or may write to would hand them the history.
    StoragePrivacy::ensurePrivateFolder(target);
    const fs::path probe = target / (".write_test_" + makeUuidString());
    writeFileAtomically(probe, "test", 0600);
    fs::remove(probe);
}

void StorageDirectoryCopier::moveAside(const fs::path& target, const std::string& name) {
    // Whole seconds, the fraction cut off.
    const auto seconds = static_cast<std::int64_t>(clock_.now().timeIntervalSince1970);
    std::string backup = backupName(name, seconds);
    // A backup made within the same second (two moves in a row) is never replaced.
    for (int attempt = 2; entryExists(target / backup) ||
                          std::any_of(kDatabaseCompanionSuffixes.begin(), kDatabaseCompanionSuffixes.end(),
                                      [&](std::string_view suffix) {
                                          return entryExists(target / (backup + std::string(suffix)));
                                      });
         ++attempt) {
        backup = backupName(name, seconds) + "_" + std::to_string(attempt);
    }
    if (entryExists(target / name)) fs::rename(target / name, target / backup);
    for (std::string_view suffix : kDatabaseCompanionSuffixes) {
        const fs::path companion = target / (name + std::string(suffix));
        if (entryExists(companion)) fs::rename(companion, target / (backup + std::string(suffix)));
    }
}

void StorageDirectoryCopier::copyEntry(const fs::path& from, const fs::path& to) {
    throwIfStopped();
    const fs::file_status status = fs::symlink_status(from);
    switch (status.type()) {
        case fs::file_type::symlink:
            fs::copy_symlink(from, to);
            break;
        case fs::file_type::directory:
            fs::create_directory(to, from);
            for (const fs::directory_entry& entry : fs::directory_iterator(from))
                copyEntry(entry.path(), to / entry.path().filename());
            break;
        case fs::file_type::regular:
            copyFile(from, to);
            break;
        default:
            // Sockets and pipes belong to a running program; their contents cannot be copied.
            Logger::warning("Failed to copy " + from.string() + ": not a file, folder or link; left out",
                            kLogCategory);
            break;
    }
}

}  // namespace quorvane
