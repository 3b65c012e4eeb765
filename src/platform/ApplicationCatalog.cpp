#include "platform/ApplicationCatalog.h"

#include <functional>

#include "base/CaseFolding.h"
#include "base/WhitespaceTrimming.h"

namespace quorvane {
namespace {

using Applications = std::vector<InstalledApplication>;
using Predicate = std::function<bool(const InstalledApplication&)>;

// Empty texts never match: an entry without StartupWMClass says nothing about a window without a class.
bool matchesIgnoringCase(std::string_view value, std::string_view wanted) {
    return !value.empty() && !wanted.empty() && equalIgnoringCase(value, wanted);
}

// First offered match, else first NoDisplay match.
std::optional<InstalledApplication> firstMatch(const Applications& applications, const Predicate& matches,
                                               bool offeredOnly) {
    const InstalledApplication* hiddenFromLists = nullptr;
    for (const auto& application : applications) {
        if (!matches(application)) continue;
        if (!application.noDisplay) return application;
        if (!hiddenFromLists) hiddenFromLists = &application;
    }
    if (hiddenFromLists && !offeredOnly) return *hiddenFromLists;
    return std::nullopt;
}

std::string_view lastDotPart(std::string_view identifier) {
    const auto dot = identifier.rfind('.');
    return dot == std::string_view::npos ? identifier : identifier.substr(dot + 1);
}

// The program of an Exec line: its first word, without quotes, a leading "env VAR=value ..." and folders.
std::string_view programName(std::string_view exec) {
    const auto nextWord = [&exec]() -> std::string_view {
        const auto start = exec.find_first_not_of(" \t");
        if (start == std::string_view::npos) {
            exec = {};
            return {};
        }
        exec.remove_prefix(start);
        if (exec.front() == '"') {
            const auto close = exec.find('"', 1);
            const auto word = exec.substr(1, close == std::string_view::npos ? exec.npos : close - 1);
            exec.remove_prefix(close == std::string_view::npos ? exec.size() : close + 1);
            return word;
        }
        const auto end = exec.find_first_of(" \t");
        const auto word = exec.substr(0, end);
        exec.remove_prefix(end == std::string_view::npos ? exec.size() : end);
        return word;
    };
    auto word = nextWord();
    const auto isEnv = [](std::string_view w) { return w == "env" || w.ends_with("/env"); };
    if (isEnv(word)) {
        word = nextWord();
        while (!word.empty() && word.find('=') != std::string_view::npos) word = nextWord();
    }
    const auto slash = word.rfind('/');
    return slash == std::string_view::npos ? word : word.substr(slash + 1);
}

}  // namespace

std::vector<InstalledApplication> ApplicationCatalog::installedApplications() const {
    const auto entries = applicationEntries();
    std::vector<InstalledApplication> offered;
    for (const auto& application : *entries) {
        if (!application.noDisplay) offered.push_back(application);
    }
    return offered;
}

std::optional<InstalledApplication> ApplicationCatalog::applicationWithIdentifier(
    std::string_view identifier) const {
    if (identifier.empty()) return std::nullopt;
    const auto entries = applicationEntries();
    const auto find = [&entries](std::string_view wanted) -> std::optional<InstalledApplication> {
        for (const auto& application : *entries) {
            if (application.identifier == wanted) return application;
        }
        return std::nullopt;
    };
    // An id may itself end in ".desktop" ("com.bitwarden.desktop"), so the exact id goes first; a file name
    // is matched without its suffix.
    if (auto found = find(identifier)) return found;
    constexpr std::string_view suffix = ".desktop";
    if (!identifier.ends_with(suffix) || identifier.size() == suffix.size()) return std::nullopt;
    identifier.remove_suffix(suffix.size());
    return find(identifier);
}

std::optional<InstalledApplication> ApplicationCatalog::applicationNamed(std::string_view name) const {
    name = trimmedWhitespaceAndNewlines(name);
    if (name.empty()) return std::nullopt;
    const auto entries = applicationEntries();
    const Predicate steps[] = {
        [&](const InstalledApplication& a) { return a.name == name; },
        [&](const InstalledApplication& a) { return matchesIgnoringCase(a.name, name); },
        [&](const InstalledApplication& a) {
            for (const auto& [locale, localized] : a.localizedNames) {
                if (matchesIgnoringCase(localized, name)) return true;
            }
            return false;
        },
    };
    for (const auto& step : steps) {
        if (auto found = firstMatch(*entries, step, true)) return found;
    }
    return std::nullopt;
}

std::optional<InstalledApplication> ApplicationCatalog::applicationForWindowClass(
    std::string_view instanceName, std::string_view className) const {
    if (instanceName.empty() && className.empty()) return std::nullopt;
    const auto entries = applicationEntries();
    const auto eitherIgnoringCase = [&](std::string_view value) {
        return matchesIgnoringCase(value, className) || matchesIgnoringCase(value, instanceName);
    };
    const Predicate steps[] = {
        [&](const InstalledApplication& a) {
            return !a.startupWMClass.empty() &&
                   (a.startupWMClass == className || a.startupWMClass == instanceName);
        },
        [&](const InstalledApplication& a) { return eitherIgnoringCase(a.startupWMClass); },
        [&](const InstalledApplication& a) { return eitherIgnoringCase(a.identifier); },
        [&](const InstalledApplication& a) { return eitherIgnoringCase(lastDotPart(a.identifier)); },
        [&](const InstalledApplication& a) { return eitherIgnoringCase(programName(a.exec)); },
    };
    for (const auto& step : steps) {
        if (auto found = firstMatch(*entries, step, false)) return found;
    }
    return std::nullopt;
}

std::optional<InstalledApplication> ApplicationCatalog::applicationForWindow(
    const WindowIdentity& window) const {
    if (window.gtkApplicationId) {
        if (auto found = applicationWithIdentifier(trimmedWhitespaceAndNewlines(*window.gtkApplicationId))) {
            return found;
        }
    }
    if (window.kdeDesktopFile) {
        auto file = trimmedWhitespaceAndNewlines(*window.kdeDesktopFile);
        if (const auto slash = file.rfind('/'); slash != std::string_view::npos)
            file.remove_prefix(slash + 1);
        if (auto found = applicationWithIdentifier(file)) return found;
    }
    const std::string instanceName = window.wmClassInstance.value_or("");
    const std::string className = window.wmClassName.value_or("");
    return applicationForWindowClass(trimmedWhitespaceAndNewlines(instanceName),
                                     trimmedWhitespaceAndNewlines(className));
}

ApplicationIdentityResolver ApplicationCatalog::identityResolver() const {
    return [this](const WindowIdentity& window) -> std::optional<ApplicationIdentity> {
        auto application = applicationForWindow(window);
        if (!application) return std::nullopt;
        return ApplicationIdentity{std::move(application->identifier), std::move(application->name)};
    };
}

}  // namespace quorvane
