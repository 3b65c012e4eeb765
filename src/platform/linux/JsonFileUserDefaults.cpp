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

constexpr const char* kCategory = "UserDefaults";

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

JsonFileUserDefaults::JsonFileUserDefaults(std::filesystem::path path) : path_(std::move(path)) {
    std::ifstream in(path_, std::ios::binary);
    if (!in) return;  // first run
    std::stringstream contents;
    contents << in.rdbuf();
    auto json = nlohmann::json::parse(contents.str(), nullptr, /*allow_exceptions=*/false);
    if (json.is_discarded() || !json.is_object()) {
        const auto aside = path_.string() + ".corrupt";
        std::error_code error;
        std::filesystem::copy_file(path_, aside, std::filesystem::copy_options::overwrite_existing, error);
        Logger::error("Failed to read settings file " + path_.string() +
                          ", starting with defaults (kept as " + aside + ")",
                      kCategory);
        return;
    }
    for (const auto& [key, value] : json.items())
        initialValues().emplace(key, DefaultsValue::fromJson(value));
}

void JsonFileUserDefaults::didChange(const std::map<std::string, DefaultsValue>& values) {
    auto json = nlohmann::json::object();
    for (const auto& [key, value] : values) json[key] = value.toJson();
    try {
        writeFileAtomically(path_, json.dump(2), 0600);
    } catch (const std::exception& error) {
        Logger::error(std::string("Failed to write settings file: ") + error.what(), kCategory);
    }
}

}  // namespace quorvane
