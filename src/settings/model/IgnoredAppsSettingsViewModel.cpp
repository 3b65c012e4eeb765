#include "settings/model/IgnoredAppsSettingsViewModel.h"

#include <unicode/alphaindex.h>
#include <unicode/coll.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>

#include "base/Logger.h"
#include "base/WhitespaceTrimming.h"
#include "l10n/AppLanguage.h"
#include "l10n/L10n.h"

namespace quorvane {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kLogCategory = "IgnoredAppsSettingsViewModel";

// The desktop-entry locale that matches the interface language.
const char* nameLocale() {
    return AppLanguage::current() == AppLanguage::simplifiedChinese ? "zh_CN" : "en_US";
}

// Sorts as people look names up in the interface language, letter case aside. In Chinese that is by the
// letter a name starts with, a Han name by its pinyin (火狐 under H, beside Hexchat), and within one letter
// as the Chinese collation orders; ICU's index of letters gives exactly those groups. Each name is placed
// once, not at every comparison.
void sortByName(std::vector<ApplicationFilePickerChoice>& choices) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale(AppLanguage::current() == AppLanguage::simplifiedChinese ? "zh" : "en");
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status)) {
        Logger::error(
            std::string("Failed to open the collator for application names: ") + u_errorName(status),
            kLogCategory);
        std::stable_sort(choices.begin(), choices.end(),
                         [](const auto& left, const auto& right) { return left.name < right.name; });
        return;
    }
    collator->setStrength(icu::Collator::SECONDARY);
    // Without an index (a missing locale) every name is in one group and the collation alone decides.
    UErrorCode indexStatus = U_ZERO_ERROR;
    icu::AlphabeticIndex index(locale, indexStatus);
    std::vector<std::pair<int32_t, ApplicationFilePickerChoice>> grouped;
    grouped.reserve(choices.size());
    for (auto& choice : choices) {
        UErrorCode bucketStatus = U_ZERO_ERROR;
        int32_t bucket = 0;
        if (U_SUCCESS(indexStatus))
            bucket = index.getBucketIndex(icu::UnicodeString::fromUTF8(choice.name), bucketStatus);
        grouped.emplace_back(U_SUCCESS(bucketStatus) ? bucket : 0, std::move(choice));
    }
    std::stable_sort(grouped.begin(), grouped.end(), [&](const auto& left, const auto& right) {
        if (left.first != right.first) return left.first < right.first;
        UErrorCode order = U_ZERO_ERROR;
        return collator->compareUTF8(left.second.name, right.second.name, order) == UCOL_LESS;
    });
    for (std::size_t at = 0; at < grouped.size(); ++at) choices[at] = std::move(grouped[at].second);
}

}  // namespace

IgnoredAppsSettingsViewModel::IgnoredAppsSettingsViewModel(UserDefaults& userDefaults,
                                                           ClipboardIgnoredAppsSettings& ignoredApps,
                                                           const ApplicationCatalog& catalog,
                                                           const ApplicationFileReader& fileReader)
    : userDefaults_(userDefaults), ignoredApps_(ignoredApps), catalog_(catalog), fileReader_(fileReader) {}

std::optional<InstalledApplication> IgnoredAppsSettingsViewModel::installedApplication(
    const std::string& identifier) const {
    // Exactly first: some ids end in ".desktop" themselves ("com.bitwarden.desktop"), which the catalog's
    // lookup would take for the file suffix.
    const auto entries = catalog_.applicationEntries();
    for (const auto& entry : *entries) {
        if (entry.identifier == identifier) return entry;
    }
    return catalog_.applicationWithIdentifier(identifier);
}

std::vector<ApplicationFilePickerChoice> IgnoredAppsSettingsViewModel::pickerApplications() const {
    std::vector<ApplicationFilePickerChoice> choices;
    for (const auto& application : catalog_.installedApplications()) {
        const std::string& name = application.localizedName(nameLocale());
        choices.push_back(
            {name.empty() ? application.identifier : name, application.icon, application.desktopFilePath});
    }
    sortByName(choices);
    return choices;
}

std::vector<std::string> IgnoredAppsSettingsViewModel::ignoredAppBundleIdentifiers() const {
    return ClipboardIgnoredAppsSettings::ignoredAppBundleIdentifiers(userDefaults_);
}

std::optional<IgnoredAppRow> IgnoredAppsSettingsViewModel::row(std::size_t index) {
    const auto identifiers = ignoredAppBundleIdentifiers();
    if (index >= identifiers.size()) return std::nullopt;
    IgnoredAppRow row{identifiers[index], {}, {}};
    const auto application = installedApplication(row.identifier);
    if (application) row.icon = application->icon;
    const auto cached = nameCache_.find(row.identifier);
    if (cached != nameCache_.end()) {
        row.displayName = cached->second;
    } else {
        row.displayName = row.identifier;
        if (application && !application->localizedName(nameLocale()).empty())
            row.displayName = application->localizedName(nameLocale());
        nameCache_.emplace(row.identifier, row.displayName);
    }
    return row;
}

bool IgnoredAppsSettingsViewModel::isApplicationBundle(const fs::path& file) {
    const std::string extension = file.extension().string();
    constexpr std::string_view wanted = ".desktop";
    if (extension.size() != wanted.size()) return false;
    for (std::size_t at = 0; at < wanted.size(); ++at) {
        char c = extension[at];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != wanted[at]) return false;
    }
    return true;
}

std::optional<std::string> IgnoredAppsSettingsViewModel::identifierOf(const fs::path& file) const {
    std::error_code error;
    // A dropped link counts as what it points to.
    const fs::path resolved = fs::canonical(file, error);
    if (error || !isApplicationBundle(resolved)) return std::nullopt;
    const auto application = fileReader_.applicationAt(resolved);
    if (!application) return std::nullopt;
    std::string identifier = application->identifier;
    // An installed entry in a subfolder has an id of its own ("kde/okular.desktop" is "kde-okular").
    const auto entries = catalog_.applicationEntries();
    for (const auto& entry : *entries) {
        const fs::path entryPath(entry.desktopFilePath);
        if (entryPath.filename() != resolved.filename()) continue;
        if (fs::equivalent(entryPath, resolved, error) && !error) {
            identifier = entry.identifier;
            break;
        }
    }
    identifier = std::string(trimmedWhitespaceAndNewlines(identifier));
    if (identifier.empty()) return std::nullopt;
    return identifier;
}

IgnoredAppAddResult IgnoredAppsSettingsViewModel::addAppURLs(const std::vector<fs::path>& files) {
    IgnoredAppAddResult result;
    for (const auto& file : files) {
        const auto identifier = identifierOf(file);
        if (!identifier) {
            result.invalidURLs.push_back(file);
            continue;
        }
        if (ignoredApps_.addIgnoredAppBundleIdentifier(userDefaults_, *identifier)) {
            result.added.push_back(*identifier);
        } else {
            result.alreadyListed.push_back(*identifier);
        }
        // Looked up afresh: the file may carry a newer name.
        nameCache_.erase(*identifier);
    }
    return result;
}

bool IgnoredAppsSettingsViewModel::canAcceptDroppedAppURLs(const std::vector<fs::path>& files) const {
    for (const auto& file : files) {
        std::error_code error;
        const fs::path resolved = fs::canonical(file, error);
        if (!error && isApplicationBundle(resolved) && fs::is_regular_file(resolved, error)) return true;
    }
    return false;
}

bool IgnoredAppsSettingsViewModel::removeIgnoredApp(const std::string& identifier) {
    if (!ignoredApps_.removeIgnoredAppBundleIdentifier(userDefaults_, identifier)) return false;
    nameCache_.erase(identifier);
    return true;
}

std::optional<std::size_t> IgnoredAppsSettingsViewModel::rowToSelect(
    std::optional<std::size_t> selectedRow, const std::optional<std::string>& target) const {
    const auto identifiers = ignoredAppBundleIdentifiers();
    if (!target) {
        if (selectedRow && *selectedRow < identifiers.size()) return selectedRow;
        return std::nullopt;
    }
    for (std::size_t index = 0; index < identifiers.size(); ++index) {
        if (identifiers[index] == *target) return index;
    }
    return std::nullopt;
}

std::optional<std::string> IgnoredAppsSettingsViewModel::selectionTarget(const IgnoredAppAddResult& result) {
    if (!result.added.empty()) return result.added.back();
    if (!result.alreadyListed.empty()) return result.alreadyListed.back();
    return std::nullopt;
}

std::optional<Alert> IgnoredAppsSettingsViewModel::addResultAlert(const IgnoredAppAddResult& result) {
    if (!result.added.empty()) return std::nullopt;
    const auto alert = [](L10nKey title, L10nKey message) {
        return Alert{
            AlertStyle::informational, L10n::text(title), L10n::text(message), {L10n::text(L10nKey::ok)}};
    };
    const std::size_t listed = result.alreadyListed.size();
    if (listed > 0 && !result.invalidURLs.empty())
        return alert(L10nKey::appFilterCannotAddAppTitle, L10nKey::appFilterNoNewAppsMessage);
    if (listed == 1)
        return alert(L10nKey::appFilterAppAlreadyAddedTitle, L10nKey::appFilterAppAlreadyAddedMessage);
    if (listed > 1)
        return alert(L10nKey::appFilterAppsAlreadyAddedTitle, L10nKey::appFilterAppsAlreadyAddedMessage);
    return alert(L10nKey::appFilterCannotAddAppTitle, L10nKey::appFilterDropAppHint);
}

}  // namespace quorvane
