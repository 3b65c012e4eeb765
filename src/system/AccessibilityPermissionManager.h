#pragma once

// Answers whether the process is trusted for accessibility, asks the desktop for that trust, and opens the
// accessibility settings. On Linux the process counts as trusted when it can post keystrokes; the request
// switches on the desktop accessibility bus. The settings are opened by handing systemSettingsURL to the
// workspace opener, which starts GNOME's or KDE's settings program at its accessibility pane; on other
// desktops there is none, canOpenSystemSettings() is false and the open-settings buttons are hidden.
// One instance per process, made by the application container. Main thread only; the delayed settings
// opening runs on the main queue.

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "platform/AccessibilityTrust.h"
#include "platform/DefaultsValue.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"
#include "platform/WorkspaceOpener.h"
#include "system/AccessibilityPermissionManagerProtocol.h"

namespace quorvane {

class AccessibilityPermissionManager final : public AccessibilityPermissionManagerProtocol {
public:
    using TrustChecker = std::function<bool()>;
    // Takes the request options (see promptOptionKey); the result is the trust afterwards.
    using PermissionRequester = std::function<bool(const DefaultsValue::Dictionary& options)>;
    using OpenSystemSettingsHandler = std::function<void(const std::string& url)>;
    using CanOpenSystemSettingsHandler = std::function<bool(const std::string& url)>;

    static constexpr const char* defaultPermissionPromptRequestedKey =
        "AccessibilityPermissionPromptRequested";
    // The request option that asks the desktop to act (prompt, switch on the accessibility bus).
    static constexpr const char* promptOptionKey = "TrustedCheckOptionPrompt";
    // Opened by openSystemSettings(). Linux has no common settings address: the workspace opener maps this
    // one to the running desktop's accessibility settings program (QtWorkspaceOpener).
    static constexpr const char* systemSettingsURL = "settings://accessibility";
    // Delay between the request and opening the settings, so the desktop's own answer comes first.
    static constexpr double settingsOpenDelaySeconds = 0.5;

    AccessibilityPermissionManager(
        UserDefaults& userDefaults, MainQueue& mainQueue, TrustChecker trustChecker,
        PermissionRequester permissionRequester, OpenSystemSettingsHandler openSystemSettingsHandler,
        std::string permissionPromptRequestedKey = defaultPermissionPromptRequestedKey,
        CanOpenSystemSettingsHandler canOpenSystemSettingsHandler = nullptr);
    // The usual wiring: trust from the platform's accessibility trust, settings opened through the workspace.
    AccessibilityPermissionManager(UserDefaults& userDefaults, MainQueue& mainQueue,
                                   AccessibilityTrust& trust, WorkspaceOpener& workspace);
    AccessibilityPermissionManager(const AccessibilityPermissionManager&) = delete;
    AccessibilityPermissionManager& operator=(const AccessibilityPermissionManager&) = delete;

    // authorized when trusted; otherwise denied once the request was made, else notDetermined. Never unknown.
    AccessibilityPermissionStatus status() const override;
    bool isTrusted() const override;
    bool hasRequestedPermission() const override;
    // Records the request (before asking, so a crash in the desktop's answer still counts it), asks with the
    // prompt option, and opens the settings 0.5 s later unless this manager is gone by then.
    void requestPermission() override;
    void openSystemSettings() override;
    // What the workspace opener says of systemSettingsURL; true when no such check was given.
    bool canOpenSystemSettings() const override;
    void openURL(const std::string& url) override;

    const std::string& permissionPromptRequestedKey() const { return permissionPromptRequestedKey_; }

    // The requester over `trust`: asks the desktop when the prompt option is true, else only checks.
    static PermissionRequester requesterFor(AccessibilityTrust& trust);

private:
    UserDefaults& userDefaults_;
    MainQueue& mainQueue_;
    TrustChecker trustChecker_;
    PermissionRequester permissionRequester_;
    OpenSystemSettingsHandler openSystemSettingsHandler_;
    CanOpenSystemSettingsHandler canOpenSystemSettingsHandler_;
    std::string permissionPromptRequestedKey_;
    // One per request still waiting to open the settings; destroying the manager cancels them.
    std::map<std::uint64_t, Timer> pendingSettingsOpens_;
    std::uint64_t nextRequestNumber_ = 0;
};

}  // namespace quorvane
