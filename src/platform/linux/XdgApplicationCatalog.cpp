#include "platform/linux/XdgApplicationCatalog.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <set>

#include "base/Logger.h"
#include "platform/linux/DesktopEntry.h"

namespace quorvane {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view logCategory = "ApplicationCatalog";
constexpr std::string_view desktopSuffix = ".desktop";

// What one file turned out to be; only a malformed file leaves its id free for a later folder.
enum class FileOutcome { application, masked, malformed };

struct ReadResult {
    FileOutcome outcome = FileOutcome::malformed;
    std::optional<InstalledApplication> application;
};

std::vector<fs::path> splitPathList(const char* value) {
    std::vector<fs::path> paths;
    if (!value) return paths;
    std::string_view rest(value);
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const auto part = rest.substr(0, colon);
        rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
        if (!part.empty()) paths.emplace_back(part);
    }
    return paths;
}

// "kde/okular.desktop" under a folder has the id "kde-okular".
std::string desktopFileId(const fs::path& relative) {
    std::string id;
    for (const auto& part : relative) {
        if (!id.empty()) id.push_back('-');
        id += part.string();
    }
    id.resize(id.size() - desktopSuffix.size());
    return id;
}

std::optional<std::string> readSmallFile(const fs::path& path, std::string& failure) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        failure = "not a regular file";
        return std::nullopt;
    }
    const auto size = fs::file_size(path, error);
    if (error) {
        failure = error.message();
        return std::nullopt;
    }
    if (size > XdgApplicationCatalog::maximumDesktopFileSize) {
        failure = "file too large (" + std::to_string(size) + " bytes)";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        failure = "cannot be opened";
        return std::nullopt;
    }
    std::string contents(static_cast<std::size_t>(size), '\0');
    in.read(contents.data(), static_cast<std::streamsize>(size));
    contents.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) {
        failure = "read error";
        return std::nullopt;
    }
    return contents;
}

void warnSkipped(const fs::path& path, std::string_view reason) {
    Logger::warning("Failed to read desktop entry " + path.string() + ", skipped: " + std::string(reason),
                    logCategory);
}

ReadResult readDesktopFile(const fs::path& path, const std::string& identifier) {
    std::string failure;
    const auto contents = readSmallFile(path, failure);
    if (!contents) {
        warnSkipped(path, failure);
        return {};
    }
    DesktopEntry entry;
    try {
        entry = DesktopEntry::parse(*contents);
    } catch (const DesktopEntryError& error) {
        warnSkipped(path, error.what());
        return {};
    }
    // Hidden means deleted, whatever else the file says (a bare "Hidden=true" hides a system entry).
    if (entry.isTrue("Hidden")) return {FileOutcome::masked, std::nullopt};
    const auto type = entry.value("Type");
    if (!type) {
        warnSkipped(path, "no Type");
        return {};
    }
    // Links and folders are not applications, but they still take the id.
    if (*type != "Application") return {FileOutcome::masked, std::nullopt};
    const auto name = entry.value("Name");
    if (!name || name->empty()) {
        warnSkipped(path, "no Name");
        return {};
    }
    InstalledApplication application;
    application.identifier = identifier;
    application.name = *name;
    application.localizedNames = entry.localizedValues("Name");
    application.icon = entry.value("Icon").value_or("");
    application.startupWMClass = entry.value("StartupWMClass").value_or("");
    application.exec = entry.value("Exec").value_or("");
    application.desktopFilePath = path.string();
    application.noDisplay = entry.isTrue("NoDisplay");
    return {FileOutcome::application, std::move(application)};
}

}  // namespace

XdgApplicationCatalog::XdgApplicationCatalog(std::vector<fs::path> dataDirectories) {
    for (const auto& directory : dataDirectories) applicationFolders_.push_back(directory / "applications");
}

XdgApplicationCatalog::XdgApplicationCatalog() : XdgApplicationCatalog(dataDirectoriesFromEnvironment()) {}

std::vector<fs::path> XdgApplicationCatalog::dataDirectoriesFromEnvironment() {
    std::vector<fs::path> directories;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome) {
        directories.emplace_back(dataHome);
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        directories.push_back(fs::path(home) / ".local/share");
    }
    auto dataDirs = splitPathList(std::getenv("XDG_DATA_DIRS"));
    if (dataDirs.empty()) dataDirs = {"/usr/local/share", "/usr/share"};
    directories.insert(directories.end(), dataDirs.begin(), dataDirs.end());
    std::erase_if(directories, [](const fs::path& path) { return path.is_relative(); });
    return directories;
}

std::shared_ptr<const std::vector<InstalledApplication>> XdgApplicationCatalog::applicationEntries() const {
    std::lock_guard lock(mutex_);
    if (!applications_ || foldersChanged()) scan();
    return applications_;
}

void XdgApplicationCatalog::reload() {
    std::lock_guard lock(mutex_);
    applications_.reset();
}

XdgApplicationCatalog::FolderStamp XdgApplicationCatalog::stampOf(const fs::path& folder) {
    FolderStamp stamp{folder, false, {}};
    std::error_code error;
    if (!fs::is_directory(folder, error)) return stamp;
    stamp.modified = fs::last_write_time(folder, error);
    stamp.exists = !error;
    return stamp;
}

bool XdgApplicationCatalog::foldersChanged() const {
    return std::any_of(stamps_.begin(), stamps_.end(),
                       [](const FolderStamp& stamp) { return stampOf(stamp.path) != stamp; });
}

void XdgApplicationCatalog::scan() const {
    std::vector<FolderStamp> stamps;
    std::map<std::string, InstalledApplication> found;
    std::set<std::string> taken;
    for (const auto& folder : applicationFolders_) {
        stamps.push_back(stampOf(folder));
        if (!stamps.back().exists) continue;

        // Sorted, so that two files with the same id in one folder resolve the same way every time.
        std::map<fs::path, fs::path> files;  // relative path -> full path
        std::error_code error;
        fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
        for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            const auto& path = it->path();
            std::error_code typeError;
            if (it->is_directory(typeError) && !it->is_symlink(typeError)) {
                stamps.push_back(stampOf(path));
                continue;
            }
            if (path.extension() != desktopSuffix || path.stem().empty()) continue;
            files.emplace(path.lexically_relative(folder), path);
        }
        if (error) {
            Logger::warning("Failed to list " + folder.string() + ": " + error.message(), logCategory);
        }
        for (const auto& [relative, path] : files) {
            const auto identifier = desktopFileId(relative);
            if (taken.contains(identifier)) continue;
            auto result = readDesktopFile(path, identifier);
            if (result.outcome == FileOutcome::malformed) continue;
            taken.insert(identifier);
            if (result.application) found.emplace(identifier, std::move(*result.application));
        }
    }
    auto applications = std::make_shared<std::vector<InstalledApplication>>();
    applications->reserve(found.size());
    for (auto& [identifier, application] : found) applications->push_back(std::move(application));
    applications_ = std::move(applications);
    stamps_ = std::move(stamps);
}

}  // namespace quorvane
