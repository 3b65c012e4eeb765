#pragma once

// The updater as the rest of the application sees it: its observable state, start-up, the launch probe and a
// user-initiated check, with the texts every update command shows derived once here. The container owns the
// one updater; the shell, the tray menu and the panel footers read it. Main thread only.

#include <functional>
#include <optional>
#include <string>

#include "base/CallbackList.h"

namespace quorvane {

struct AppUpdateAvailability {
    enum class Kind { idle, updateAvailable };

    Kind kind = Kind::idle;
    std::optional<std::string> version;  // the feed's display version, only with updateAvailable

    static AppUpdateAvailability idle() { return {}; }
    static AppUpdateAvailability updateAvailable(std::optional<std::string> version) {
        return {Kind::updateAvailable, std::move(version)};
    }

    friend bool operator==(const AppUpdateAvailability&, const AppUpdateAvailability&) = default;
};

struct AppUpdateState {
    bool supportsUpdates = false;     // an update command is offered at all
    bool canCheckForUpdates = false;  // a user-initiated check can start now
    AppUpdateAvailability availability;

    friend bool operator==(const AppUpdateState&, const AppUpdateState&) = default;
};

struct AppUpdatePresentation {
    std::string menuTitle;
    std::string title;
    std::optional<std::string> statusToolTip;

    friend bool operator==(const AppUpdatePresentation&, const AppUpdatePresentation&) = default;
};

class AppUpdateManaging {
public:
    virtual ~AppUpdateManaging() = default;

    // Called after `state` changed, never for an assignment that leaves it equal. Observers re-read `state`.
    [[nodiscard]] virtual Subscription observeChanges(std::function<void()> callback) = 0;
    virtual AppUpdateState state() const = 0;
    virtual void start() = 0;
    virtual void performLaunchUpdateProbe() = 0;
    virtual void checkForUpdates() = 0;

    bool supportsUpdates() const { return state().supportsUpdates; }
    bool canCheckForUpdates() const { return state().canCheckForUpdates; }
    bool isUpdateAvailable() const {
        return state().availability.kind == AppUpdateAvailability::Kind::updateAvailable;
    }
    std::optional<std::string> availableVersion() const { return state().availability.version; }
    // The available version without surrounding white space; none when idle, absent or blank.
    std::optional<std::string> trimmedAvailableVersion() const;
    // The texts of the update command in the current interface language.
    AppUpdatePresentation updatePresentation() const;
};

}  // namespace quorvane
