#pragma once

// The one status line a panel footer shows: an error of the list, the hint that Return-to-paste needs the
// accessibility permission, or the notice that an update is ready. Both panels lay out the same value and
// pick it by the same rule. Plain values and pure functions: safe from any thread (texts come from L10n).

#include <optional>
#include <string>

#include "preferences/DistributionChannel.h"

namespace quorvane {

class UserDefaults;

// An error the footer shows. The kind travels with the text, so the footer recognises the accessibility
// hint however the text reads in the interface language of the moment.
struct ClipboardFooterErrorMessage {
    enum class Kind { general, accessibilityPermissionRequired };

    std::string text;
    Kind kind = Kind::general;

    // The Return-to-paste hint, in the current interface language.
    static ClipboardFooterErrorMessage accessibilityPermissionRequired();

    friend bool operator==(const ClipboardFooterErrorMessage&, const ClipboardFooterErrorMessage&) = default;
};

struct ClipboardFooterStatusPresentation {
    struct Action {
        enum class Kind { checkForUpdates };

        std::string title;
        Kind kind = Kind::checkForUpdates;

        friend bool operator==(const Action&, const Action&) = default;
    };

    // What the footer shows at its trailing end: the keyboard tips, the action button, or nothing.
    enum class TrailingAccessory { tip, action, none };

    std::string message;
    std::string toolTip;
    std::optional<Action> action;
    TrailingAccessory trailingAccessory = TrailingAccessory::tip;

    friend bool operator==(const ClipboardFooterStatusPresentation&,
                           const ClipboardFooterStatusPresentation&) = default;
};

// What the updater reports, for the update notice, and whether the history file was found damaged (which
// outranks the notice: new copies are not being saved).
struct ClipboardFooterUpdateState {
    bool isUpdateAvailable = false;
    std::optional<std::string> availableVersion;
    bool isHistoryDamaged = false;
    // Why the history is not open at all; empty while it is.
    std::string storageRefusal;
};

// The error line: none for no message or a blank one; the short accessibility hint with its full text as tool
// tip and nothing at the trailing end; any other message trimmed, as text and tool tip, with the tips kept.
std::optional<ClipboardFooterStatusPresentation> footerStatusPresentation(
    const std::optional<ClipboardFooterErrorMessage>& errorMessage);

// The update notice: only in the direct channel with an update available, and only while the menu-bar icon
// cannot carry it (switched off in `userDefaults`, or hidden by the desktop).
std::optional<ClipboardFooterStatusPresentation> makeUpdateFooterStatusPresentation(
    DistributionChannel channel, const ClipboardFooterUpdateState& update, const UserDefaults& userDefaults);

// The footer's line: the error wins, then a damaged history, then the update notice, else none.
std::optional<ClipboardFooterStatusPresentation> chooseFooterStatusPresentation(
    const std::optional<ClipboardFooterErrorMessage>& errorMessage, DistributionChannel channel,
    const ClipboardFooterUpdateState& update, const UserDefaults& userDefaults);

}  // namespace quorvane
