#include "platform/linux/JsonFileUserDefaults.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "base/AtomicFile.h"
#include "base/Logger.h"

namespace quorvane {
namespace {

constexpr const char* kLogCategory = "UserDefaults";

}  // namespace

std::filesystem::path JsonFileUserDefaults::standardPath() {
    std::filesystem::path base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".config";
    } else {
        base = std::filesystem::temp_directory_path();
    }
    return base / "Quorvane" / "settings.json";
}

// Closes the descriptor it holds.
struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor() {
        if (fd >= 0) ::close(fd);
    }
};

JsonFileUserDefaults::JsonFileUserDefaults(std::filesystem::path path) : path_(std::move(path)) {
    // Non-blocking, so a FIFO in its place cannot hold up the start; whatever is found is checked before
    // a byte is read.
    FileDescriptor file{::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0) {
        if (errno != ENOENT) {
            Logger::error("Failed to read settings file " + path_.string() + ": " + std::strerror(errno) +
                              ", starting with defaults",
                          kLogCategory);
        }
        return;  // first run
    }
    struct stat status {};
    const bool regular = ::fstat(file.fd, &status) == 0 && S_ISREG(status.st_mode);
    if (!regular || status.st_size > static_cast<off_t>(maximumFileBytes)) {
        setAside(regular ? "it is larger than " + std::to_string(maximumFileBytes / (1024 * 1024)) + " MB"
                         : "it is not a regular file");
        return;
    }
    std::string contents;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(file.fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        contents.append(buffer, static_cast<std::size_t>(count));
        // It may grow while it is read.
        if (contents.size() > maximumFileBytes) {
            setAside("it is larger than " + std::to_string(maximumFileBytes / (1024 * 1024)) + " MB");
            return;
        }
    }
    auto json = nlohmann::json::parse(contents, nullptr, /*allow_exceptions=*/false);
    if (json.is_discarded() || !json.is_object()) {
        const auto aside = path_.string() + ".corrupt";
        std::error_code error;
        std::filesystem::copy_file(path_, aside, std::filesystem::copy_options::overwrite_existing, error);
        Logger::error("Failed to read settings file " + path_.string() +
                          ", starting with defaults (kept as " + aside + ")",
                      kLogCategory);
        return;
    }
    for (const auto& [key, value] : json.items())
        initialValues().emplace(key, DefaultsValue::fromJson(value));
}

void JsonFileUserDefaults::setAside(const std::string& reason) {
    // Moved, not copied: a device or a FIFO has no contents worth copying, and copying one may never end.
    const auto aside = path_.string() + ".corrupt";
    std::error_code error;
    std::filesystem::rename(path_, aside, error);
    Logger::warning(
        "Settings file " + path_.string() + " set aside: " + reason + "; starting with defaults" +
            (error ? " (it could not be moved: " + error.message() + ")" : " (kept as " + aside + ")"),
        kLogCategory);
}

void JsonFileUserDefaults::didChange(const std::map<std::string, DefaultsValue>& values) {
    auto json = nlohmann::json::object();
    for (const auto& [key, value] : values) json[key] = value.toJson();
    try {
        writeFileAtomically(path_, json.dump(2), 0600);
    } catch (const std::exception& error) {
        Logger::error(std::string("Failed to write settings file: ") + error.what(), kLogCategory);
    }
}

}  // namespace quorvane
