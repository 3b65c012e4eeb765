#include "preferences/ClipboardIgnoredAppsSettings.h"

#include <algorithm>
#include <set>

#include "base/CaseFolding.h"
#include "base/WhitespaceTrimming.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {
namespace {

// The other platform's own password manager; never installed on Linux, but looked up all the same.
constexpr char systemPasswordsIdentifier[] = "com.apple.Passwords";

bool containsIgnoringCase(const std::vector<std::string>& list, std::string_view identifier) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& entry) { return equalIgnoringCase(entry, identifier); });
}

std::vector<std::string> storedList(const UserDefaults& userDefaults, const char* key) {
    std::vector<std::string> list;
    const auto stored = userDefaults.arrayValue(key);
    if (!stored) return list;
    for (const auto& element : *stored) {
        if (auto string = element.stringValue()) list.push_back(std::move(*string));
    }
    return ClipboardIgnoredAppsSettings::normalizedIgnoredAppBundleIdentifiers(list);
}

void storeList(UserDefaults& userDefaults, const char* key, const std::vector<std::string>& list) {
    DefaultsValue::Array array(list.begin(), list.end());
    userDefaults.set(key, std::move(array));
}

std::int64_t seedingVersion(const UserDefaults& userDefaults) {
    const auto value = userDefaults.object(SettingsKey::ignoredAppDefaultsVersion);
    if (!value) return 0;
    if (auto integer = value->integerValue()) return *integer;
    if (auto real = value->doubleValue(); real && *real > -1e18 && *real < 1e18) {
        return static_cast<std::int64_t>(*real);
    }
    return 0;
}

// Clears the in-progress flag however the job ends.
class InProgressGuard {
public:
    explicit InProgressGuard(std::atomic<bool>& flag) : flag_(flag) {}
    ~InProgressGuard() { flag_.store(false); }
    InProgressGuard(const InProgressGuard&) = delete;
    InProgressGuard& operator=(const InProgressGuard&) = delete;

private:
    std::atomic<bool>& flag_;
};

}  // namespace

ClipboardIgnoredAppsSettings::ClipboardIgnoredAppsSettings(const ApplicationCatalog& applicationCatalog)
    : applicationCatalog_(applicationCatalog) {}

ClipboardIgnoredAppsSettings::~ClipboardIgnoredAppsSettings() = default;

const std::vector<std::string>& ClipboardIgnoredAppsSettings::passwordManagerNames() {
    static const std::vector<std::string> names = {
        "1Password",       "1Password 6", "1Password 7",
        "1Password 8",     "Bitwarden",   "Dashlane",
        "LastPass",        "Keeper",      "Keeper Password Manager",
        "Enpass",          "NordPass",    "RoboForm",
        "Proton Pass",     "mSecure",     "SafeInCloud",
        "Sticky Password", "Zoho Vault",  "KeePassXC",
        "KeePassX",        "KeeWeb",      "Strongbox",
        "MacPass",
    };
    return names;
}

std::vector<std::string> ClipboardIgnoredAppsSettings::normalizedIgnoredAppBundleIdentifiers(
    const std::vector<std::string>& list) {
    std::vector<std::string> kept;
    std::set<std::string_view> seen;
    for (const auto& entry : list) {
        const auto trimmed = trimmedWhitespaceAndNewlines(entry);
        if (trimmed.empty() || !seen.insert(trimmed).second) continue;
        kept.emplace_back(trimmed);
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

std::vector<std::string> ClipboardIgnoredAppsSettings::ignoredAppBundleIdentifiers(
    const UserDefaults& userDefaults) {
    return storedList(userDefaults, SettingsKey::ignoredAppBundleIdentifiers);
}

bool ClipboardIgnoredAppsSettings::isIgnoredApp(const std::optional<std::string>& bundleIdentifier,
                                                const UserDefaults& userDefaults) {
    if (!bundleIdentifier) return false;
    const auto trimmed = trimmedWhitespaceAndNewlines(*bundleIdentifier);
    if (trimmed.empty()) return false;
    const auto list = ignoredAppBundleIdentifiers(userDefaults);
    return std::binary_search(list.begin(), list.end(), trimmed);
}

bool ClipboardIgnoredAppsSettings::addIgnoredAppBundleIdentifier(UserDefaults& userDefaults,
                                                                 std::string_view bundleIdentifier) {
    const auto trimmed = trimmedWhitespaceAndNewlines(bundleIdentifier);
    if (trimmed.empty()) return false;
    std::lock_guard lock(editMutex_);
    auto list = ignoredAppBundleIdentifiers(userDefaults);
    if (std::binary_search(list.begin(), list.end(), trimmed)) return false;
    list.emplace_back(trimmed);
    storeList(userDefaults, SettingsKey::ignoredAppBundleIdentifiers,
              normalizedIgnoredAppBundleIdentifiers(list));
    return true;
}

bool ClipboardIgnoredAppsSettings::removeIgnoredAppBundleIdentifier(UserDefaults& userDefaults,
                                                                    std::string_view bundleIdentifier) {
    const auto trimmed = trimmedWhitespaceAndNewlines(bundleIdentifier);
    if (trimmed.empty()) return false;
    defaultIgnoredAppBundleIdentifiers();  // computed before the lock: it may scan the installed applications
    std::lock_guard lock(editMutex_);
    auto list = ignoredAppBundleIdentifiers(userDefaults);
    if (std::erase(list, trimmed) == 0) return false;
    storeList(userDefaults, SettingsKey::ignoredAppBundleIdentifiers, list);
    recordOptOutLocked(userDefaults, trimmed);
    return true;
}

void ClipboardIgnoredAppsSettings::recordIgnoredAppDefaultOptOut(UserDefaults& userDefaults,
                                                                 std::string_view bundleIdentifier) {
    defaultIgnoredAppBundleIdentifiers();
    std::lock_guard lock(editMutex_);
    recordOptOutLocked(userDefaults, bundleIdentifier);
}

void ClipboardIgnoredAppsSettings::recordOptOutLocked(UserDefaults& userDefaults,
                                                      std::string_view identifier) {
    if (!containsIgnoringCase(defaultIgnoredAppBundleIdentifiers(), identifier)) return;
    auto optOuts = storedList(userDefaults, SettingsKey::ignoredAppDefaultOptOut);
    if (containsIgnoringCase(optOuts, identifier)) return;
    optOuts.emplace_back(identifier);
    storeList(userDefaults, SettingsKey::ignoredAppDefaultOptOut,
              normalizedIgnoredAppBundleIdentifiers(optOuts));
}

const std::vector<std::string>& ClipboardIgnoredAppsSettings::defaultIgnoredAppBundleIdentifiers() const {
    std::call_once(defaultsComputed_, [this] {
        std::vector<std::string> identifiers;
        if (applicationCatalog_.applicationWithIdentifier(systemPasswordsIdentifier)) {
            identifiers.emplace_back(systemPasswordsIdentifier);
        }
        for (const auto& name : passwordManagerNames()) {
            const auto application = applicationCatalog_.applicationNamed(name);
            if (!application) continue;
            const auto identifier = trimmedWhitespaceAndNewlines(application->identifier);
            if (!identifier.empty()) identifiers.emplace_back(identifier);
        }
        defaultIdentifiers_ = normalizedIgnoredAppBundleIdentifiers(identifiers);
    });
    return defaultIdentifiers_;
}

SerialQueue& ClipboardIgnoredAppsSettings::seedingQueue() {
    std::call_once(queueCreated_, [this] {
        seedingQueue_ = std::make_unique<SerialQueue>("Quorvane.ClipboardIgnoredAppsSettings.defaults");
    });
    return *seedingQueue_;
}

void ClipboardIgnoredAppsSettings::applyDefaultsIfNeeded(UserDefaults& userDefaults) {
    seedingQueue().async([this, &userDefaults] { applyDefaults(userDefaults); });
}

void ClipboardIgnoredAppsSettings::waitForQueuedSeeding() {
    seedingQueue().drain();
}

void ClipboardIgnoredAppsSettings::applyDefaults(UserDefaults& userDefaults) {
    if (seedingInProgress_.exchange(true)) return;
    InProgressGuard inProgress(seedingInProgress_);

    const auto version = seedingVersion(userDefaults);
    if (version >= 1) return;
    const bool applied = userDefaults.boolValue(SettingsKey::ignoredAppDefaultsApplied).value_or(false);
    if (version == 0 && applied) return;

    const auto& defaults = defaultIgnoredAppBundleIdentifiers();
    std::lock_guard lock(editMutex_);
    const auto current = ignoredAppBundleIdentifiers(userDefaults);
    const auto optOuts = storedList(userDefaults, SettingsKey::ignoredAppDefaultOptOut);
    std::vector<std::string> toAdd;
    for (const auto& identifier : defaults) {
        if (!containsIgnoringCase(current, identifier) && !containsIgnoringCase(optOuts, identifier)) {
            toAdd.push_back(identifier);
        }
    }
    if (!toAdd.empty()) {
        auto combined = current;
        combined.insert(combined.end(), toAdd.begin(), toAdd.end());
        storeList(userDefaults, SettingsKey::ignoredAppBundleIdentifiers,
                  normalizedIgnoredAppBundleIdentifiers(combined));
    }
    userDefaults.set(SettingsKey::ignoredAppDefaultsVersion, std::int64_t{1});
    userDefaults.set(SettingsKey::ignoredAppDefaultsApplied, true);
}

}  // namespace quorvane
