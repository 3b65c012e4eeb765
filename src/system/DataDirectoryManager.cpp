#include "system/DataDirectoryManager.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "base/Logger.h"

namespace quorvane {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLogCategory = "DataDirectoryManager";

std::unique_ptr<DataDirectoryManager>& sharedInstance() {
    static std::unique_ptr<DataDirectoryManager> instance;
    return instance;
}

// Absolute, without "." and ".." components and without a trailing separator.
fs::path standardized(const fs::path& path) {
    fs::path result = (path.is_absolute() ? path : fs::absolute(path)).lexically_normal();
    if (!result.has_filename() && result != result.root_path()) result = result.parent_path();
    return result;
}

}  // namespace

DataDirectoryManager::EnvironmentReader DataDirectoryManager::processEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (!value) return std::nullopt;
        return std::string(value);
    };
}

DataDirectoryManager::DataDirectoryManager(UserDefaults& userDefaults, WorkspaceOpener& workspace,
                                           EnvironmentReader environment)
    : userDefaults_(userDefaults), workspace_(workspace), environment_(std::move(environment)) {
    resolveStoredBookmark();
}

DataDirectoryManager& DataDirectoryManager::shared() {
    if (!sharedInstance())
        throw std::logic_error("DataDirectoryManager::shared used before it was installed");
    return *sharedInstance();
}

void DataDirectoryManager::installShared(std::unique_ptr<DataDirectoryManager> manager) {
    sharedInstance() = std::move(manager);
}

std::optional<std::string> DataDirectoryManager::environmentValue(const char* name) const {
    auto value = environment_(name);
    if (!value || value->empty()) return std::nullopt;
    return value;
}

fs::path DataDirectoryManager::homeDirectory() const {
    if (auto home = environmentValue("HOME")) return fs::path(*home);
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return fs::path(entry->pw_dir);
    return fs::path("/");
}

fs::path DataDirectoryManager::storageDirectoryURL() const {
    if (auto override = environmentValue(storageDirectoryOverrideEnvironmentKey))
        return standardized(*override);
    if (activeCustomDirectory_) return *activeCustomDirectory_ / dataSubdirectoryName;
    return defaultBaseDirectoryURL() / dataSubdirectoryName;
}

fs::path DataDirectoryManager::defaultBaseDirectoryURL() const {
    // The XDG rules ignore a relative XDG_DATA_HOME.
    auto dataHome = environmentValue("XDG_DATA_HOME");
    fs::path base = dataHome && fs::path(*dataHome).is_absolute() ? fs::path(*dataHome)
                                                                  : homeDirectory() / ".local" / "share";
    return standardized(base / defaultDirectoryName);
}

void DataDirectoryManager::ensureStorageDirectoryExists() const {
    createPrivateDirectories(storageDirectoryURL());
}

void DataDirectoryManager::createPrivateDirectories(const fs::path& directory) {
    fs::path partial;
    for (const fs::path& component : directory) {
        partial /= component;
        if (component == partial.root_path() || component.empty()) continue;
        std::error_code error;
        const fs::file_status status = fs::status(partial, error);
        if (fs::is_directory(status)) continue;
        if (fs::exists(status)) {
            throw fs::filesystem_error("Cannot create directory", partial,
                                       std::make_error_code(std::errc::not_a_directory));
        }
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            throw fs::filesystem_error("Cannot create directory", partial,
                                       std::error_code(errno, std::generic_category()));
        }
    }
}

void DataDirectoryManager::applyCustomDirectory(const std::optional<fs::path>& folder) {
    activeCustomDirectory_.reset();
    if (!folder) {
        userDefaults_.remove(customDataDirectoryKey);
        userDefaults_.remove(customDataDirectoryBookmarkKey);
        return;
    }
    const fs::path chosen = standardized(*folder);
    activeCustomDirectory_ = chosen;
    userDefaults_.set(customDataDirectoryKey, chosen.string());
    if (auto bookmark = makeSecurityScopedBookmark(chosen)) {
        userDefaults_.set(customDataDirectoryBookmarkKey, std::move(*bookmark));
    } else {
        userDefaults_.remove(customDataDirectoryBookmarkKey);
    }
}

std::optional<Data> DataDirectoryManager::makeSecurityScopedBookmark(const fs::path& folder) const {
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        Logger::warning("Failed to create storage bookmark: no folder at " + folder.string(), kLogCategory);
        return std::nullopt;
    }
    const std::string path = standardized(folder).string();
    return Data(path.begin(), path.end());
}

void DataDirectoryManager::resolveStoredBookmark() {
    if (auto bookmark = userDefaults_.dataValue(customDataDirectoryBookmarkKey)) {
        const fs::path folder(std::string(bookmark->begin(), bookmark->end()));
        std::error_code error;
        const fs::file_status status = fs::status(folder, error);
        if (!bookmark->empty() && folder.is_absolute() && fs::is_directory(status)) {
            activeCustomDirectory_ = standardized(folder);
            userDefaults_.set(customDataDirectoryKey, activeCustomDirectory_->string());
            return;
        }
        // The bookmark stays stored: the folder may come back (an unplugged disk). The line names the folder
        // and why it was not taken, so the user can find it.
        std::string reason;
        if (bookmark->empty()) {
            reason = "the bookmark holds no folder";
        } else if (!folder.is_absolute()) {
            reason = "the bookmark holds no absolute path: \"" + folder.string() + "\"";
        } else if (fs::exists(status)) {
            reason = "\"" + folder.string() + "\" is no folder";
        } else if (error && error != std::errc::no_such_file_or_directory) {
            reason = "the folder \"" + folder.string() + "\" cannot be read: " + error.message();
        } else {
            reason = "the folder \"" + folder.string() + "\" no longer exists";
        }
        Logger::warning("Failed to resolve storage bookmark: " + reason, kLogCategory);
    }
    const auto path = userDefaults_.stringValue(customDataDirectoryKey);
    if (!path || path->empty()) return;
    activeCustomDirectory_ = standardized(*path);
}

std::string DataDirectoryManager::displayPath(const fs::path& path) const {
    const std::string home = standardized(homeDirectory()).string();
    const std::string text = path.string();
    if (home.empty() || home == "/" || text.compare(0, home.size(), home) != 0) return text;
    // Only a whole leading part counts: "/home/anna" does not begin with the home "/home/ann".
    if (text.size() > home.size() && text[home.size()] != '/') return text;
    return "~" + text.substr(home.size());
}

void DataDirectoryManager::revealInFileManager() const {
    const fs::path directory = storageDirectoryURL();
    std::error_code error;
    workspace_.openFile(fs::is_directory(directory, error) ? directory : directory.parent_path());
}

}  // namespace quorvane
