#include "system/AccessibilityPermissionManager.h"

#include <utility>

namespace quorvane {

AccessibilityPermissionManager::AccessibilityPermissionManager(
    UserDefaults& userDefaults, MainQueue& mainQueue, TrustChecker trustChecker,
    PermissionRequester permissionRequester, OpenSystemSettingsHandler openSystemSettingsHandler,
    std::string permissionPromptRequestedKey, CanOpenSystemSettingsHandler canOpenSystemSettingsHandler)
    : userDefaults_(userDefaults),
      mainQueue_(mainQueue),
      trustChecker_(std::move(trustChecker)),
      permissionRequester_(std::move(permissionRequester)),
      openSystemSettingsHandler_(std::move(openSystemSettingsHandler)),
      canOpenSystemSettingsHandler_(std::move(canOpenSystemSettingsHandler)),
      permissionPromptRequestedKey_(std::move(permissionPromptRequestedKey)) {}

AccessibilityPermissionManager::AccessibilityPermissionManager(UserDefaults& userDefaults,
                                                               MainQueue& mainQueue,
                                                               AccessibilityTrust& trust,
                                                               WorkspaceOpener& workspace)
    : AccessibilityPermissionManager(
          userDefaults, mainQueue, [&trust] { return trust.isProcessTrusted(); }, requesterFor(trust),
          [&workspace](const std::string& url) { workspace.openURL(url); },
          defaultPermissionPromptRequestedKey,
          [&workspace](const std::string& url) { return workspace.canOpenURL(url); }) {}

AccessibilityPermissionManager::PermissionRequester AccessibilityPermissionManager::requesterFor(
    AccessibilityTrust& trust) {
    return [&trust](const DefaultsValue::Dictionary& options) {
        auto prompt = options.find(promptOptionKey);
        if (prompt != options.end() && prompt->second.boolValue().value_or(false))
            return trust.requestTrust();
        return trust.isProcessTrusted();
    };
}

AccessibilityPermissionStatus AccessibilityPermissionManager::status() const {
    if (trustChecker_()) return AccessibilityPermissionStatus::authorized;
    if (hasRequestedPermission()) return AccessibilityPermissionStatus::denied;
    return AccessibilityPermissionStatus::notDetermined;
}

bool AccessibilityPermissionManager::isTrusted() const {
    return trustChecker_();
}

bool AccessibilityPermissionManager::hasRequestedPermission() const {
    return userDefaults_.boolValue(permissionPromptRequestedKey_).value_or(false);
}

void AccessibilityPermissionManager::requestPermission() {
    const DefaultsValue::Dictionary options{{promptOptionKey, true}};
    userDefaults_.set(permissionPromptRequestedKey_, true);
    permissionRequester_(options);
    // A later request does not replace this one: every request opens the settings once.
    const std::uint64_t number = nextRequestNumber_++;
    pendingSettingsOpens_[number] = mainQueue_.postAfter(settingsOpenDelaySeconds, [this, number] {
        pendingSettingsOpens_.erase(number);
        openSystemSettings();
    });
}

void AccessibilityPermissionManager::openSystemSettings() {
    openURL(systemSettingsURL);
}

bool AccessibilityPermissionManager::canOpenSystemSettings() const {
    return !canOpenSystemSettingsHandler_ || canOpenSystemSettingsHandler_(systemSettingsURL);
}

void AccessibilityPermissionManager::openURL(const std::string& url) {
    if (url.empty() || !openSystemSettingsHandler_) return;
    openSystemSettingsHandler_(url);
}

}  // namespace quorvane
