#include "platform/linux/DesktopApplicationFileReader.h"

#include <fstream>
#include <string>

#include "base/Logger.h"
#include "platform/linux/DesktopEntry.h"
#include "platform/linux/XdgApplicationCatalog.h"

namespace quorvane {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kLogCategory = "ApplicationCatalog";
constexpr std::string_view kDesktopSuffix = ".desktop";

std::optional<InstalledApplication> refuse(const fs::path& file, const std::string& reason) {
    Logger::warning("Failed to read application file " + file.string() + ": " + reason, kLogCategory);
    return std::nullopt;
}

// The file name without its ".desktop" suffix (any case); empty when it has no such suffix.
std::string identifierOf(const fs::path& file) {
    std::string name = file.filename().string();
    if (name.size() <= kDesktopSuffix.size()) return {};
    const std::string suffix = name.substr(name.size() - kDesktopSuffix.size());
    for (std::size_t at = 0; at < suffix.size(); ++at) {
        const char c = suffix[at];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != kDesktopSuffix[at]) return {};
    }
    name.resize(name.size() - kDesktopSuffix.size());
    return name;
}

}  // namespace

std::optional<InstalledApplication> DesktopApplicationFileReader::applicationAt(const fs::path& file) const {
    const std::string identifier = identifierOf(file);
    if (identifier.empty()) return refuse(file, "not a .desktop file");
    std::error_code error;
    if (!fs::is_regular_file(file, error)) return refuse(file, "not a regular file");
    const auto size = fs::file_size(file, error);
    if (error) return refuse(file, error.message());
    if (size > XdgApplicationCatalog::maximumDesktopFileSize)
        return refuse(file, "file too large (" + std::to_string(size) + " bytes)");
    std::ifstream in(file, std::ios::binary);
    if (!in) return refuse(file, "cannot be opened");
    std::string contents(static_cast<std::size_t>(size), '\0');
    in.read(contents.data(), static_cast<std::streamsize>(size));
    if (in.bad()) return refuse(file, "read error");
    contents.resize(static_cast<std::size_t>(in.gcount()));

    DesktopEntry entry;
    try {
        entry = DesktopEntry::parse(contents);
    } catch (const DesktopEntryError& failure) {
        return refuse(file, failure.what());
    }
    if (entry.isTrue("Hidden")) return refuse(file, "the entry is hidden");
    if (entry.value("Type") != "Application") return refuse(file, "not an application entry");
    const auto name = entry.value("Name");
    if (!name || name->empty()) return refuse(file, "no Name");

    InstalledApplication application;
    application.identifier = identifier;
    application.name = *name;
    application.localizedNames = entry.localizedValues("Name");
    application.icon = entry.value("Icon").value_or("");
    application.startupWMClass = entry.value("StartupWMClass").value_or("");
    application.exec = entry.value("Exec").value_or("");
    application.desktopFilePath = file.string();
    application.noDisplay = entry.isTrue("NoDisplay");
    return application;
}

}  // namespace quorvane
