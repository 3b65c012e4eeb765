#pragma once

// What the centred and the floating panel do alike between showing and hiding: remember the window to return
// to, edit the search text and its filter suggestions, confirm an entry (copy it, hide the panel, give the
// focus back and, with Return-to-paste on, paste there once), copy an entry plainly or as formatted, copy
// after a drag, and keep the footer's error. Each controller keeps only its window: layout, keys, preview,
// placement. Return-to-paste needs the direct build, the "DirectPasteReturnKeyAutoPasteEnabled" setting and
// the accessibility permission; without the permission nothing is copied and the footer asks for it.
// One confirmation at a time: a second one while the first is still copying or pasting (the second click of a
// double click, a held Return) is ignored. Main thread only; late answers hold the session weakly.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/ClipboardHistoryIndexSnapshot.h"
#include "panel/model/ClipboardFooterStatusPresentation.h"
#include "panel/model/ClipboardPanelViewModel.h"
#include "panel/model/PasteBackPerformer.h"
#include "platform/Pasteboard.h"
#include "platform/UserDefaults.h"
#include "platform/WindowActivation.h"
#include "preferences/DistributionChannel.h"
#include "search/ClipboardFilterSuggestion.h"
#include "search/ClipboardFilterSuggestionContext.h"
#include "system/AccessibilityPermissionManagerProtocol.h"

namespace quorvane {

class PanelSession {
public:
    // The pause between the target becoming active and the keystroke.
    static constexpr double directAutoPasteDelay = 0.1;

    // Every reference must outlive the session.
    struct Dependencies {
        ClipboardPanelViewModel& viewModel;
        PasteBackPerformer& performer;
        WindowActivation& activation;
        Pasteboard& pasteboard;
        const UserDefaults& userDefaults;
        const AccessibilityPermissionManagerProtocol& accessibilityPermissionManager;
        DistributionChannel distributionChannel;
        // Windows of this process are never a return target.
        std::int64_t ownProcessIdentifier;
        // Hides the panel (the controller's own hide, which ends the session).
        std::function<void()> hidePanel;
        // The log category of the panel that drives the session.
        std::string logCategory;
    };

    enum class Outcome {
        // Nothing to confirm, or another confirmation is running.
        ignored,
        // Return-to-paste is on but the permission is missing: the hint is set, nothing copied.
        needsAccessibility,
        started,
    };

    explicit PanelSession(Dependencies dependencies);
    PanelSession(const PanelSession&) = delete;
    PanelSession& operator=(const PanelSession&) = delete;

    // ---- Showing and hiding ----

    // Called before the panel shows: remembers the active window unless it is one of ours (this process, or
    // `panelWindow`) and starts with a clean search and footer.
    void begin(std::uint64_t panelWindow = 0);
    // Called when the panel hides: forgets the target and the transient state. A confirmation already
    // running still pastes into the target it took.
    void end();
    const std::optional<ReturnTarget>& returnTarget() const { return returnTarget_; }
    // True when one of our own windows was active at `begin` (there is no foreign caret to look for).
    bool ownWindowWasActive() const { return ownWindowWasActive_; }

    // ---- Search text and filter suggestions ----

    // The user edited the search text. True when the text ends in a filter token: the caller lists
    // `filterSuggestions()` instead of results. Otherwise the view model searches the text.
    bool searchTextDidChange(const std::string& text);
    const std::string& searchText() const { return searchText_; }
    const std::optional<ClipboardFilterSuggestionContext>& filterSuggestionContext() const {
        return filterSuggestionContext_;
    }
    std::vector<ClipboardFilterSuggestion> filterSuggestions() const;
    // Puts `suggestion` in place of the token and searches; returns the field's new text, none when no
    // suggestion was being offered.
    std::optional<std::string> applyFilterSuggestion(const ClipboardFilterSuggestion& suggestion);
    // Removes the unfinished token and searches; returns the field's new text, none when no suggestion was
    // being offered.
    std::optional<std::string> cancelFilterSuggestion();

    // ---- Confirming and copying ----

    // Confirms `entry` (else the view model's selected one). Once the copy succeeded the panel hides, then
    // the return target (when there is one) is activated and, with Return-to-paste on, pasted into once it is
    // active.
    Outcome confirm(std::optional<ClipboardHistoryIndexSnapshot> entry, bool asPlainText);
    // Copies `entry` and hides the panel. `formattedText` is the re-indented text the panel shows for it:
    // that is what the user sees, so it is copied as shown (it is plain text already).
    void copy(const ClipboardHistoryIndexSnapshot& entry, bool asPlainText,
              const std::optional<std::string>& formattedText);
    // A drag of `entry` out of a list ended; `dropped` false means nothing was dropped. The dragged entry is
    // copied too; when the clipboard refuses it, the drag still counts as a use.
    void dragEnded(const ClipboardHistoryIndexSnapshot& entry, bool dropped);

    bool isAutoPasteEnabled() const;
    // From the start of a confirmation until its copy failed or its paste-back ended.
    bool isInFlight() const { return inFlight_; }

    // ---- Footer ----

    // Reads the view model's error into the footer's error; call when it changed.
    void viewModelErrorChanged();
    const std::optional<ClipboardFooterErrorMessage>& footerErrorMessage() const {
        return footerErrorMessage_;
    }
    // What the footer shows: that error, else what this build and `update` call for.
    std::optional<ClipboardFooterStatusPresentation> footerStatus(
        const ClipboardFooterUpdateState& update) const;

private:
    void completePasteBack(bool succeeded, const std::optional<ReturnTarget>& target, bool autoPaste);
    void clearTransientState();

    Dependencies dependencies_;
    std::optional<ReturnTarget> returnTarget_;
    bool ownWindowWasActive_ = false;
    std::string searchText_;
    std::optional<ClipboardFilterSuggestionContext> filterSuggestionContext_;
    std::optional<ClipboardFooterErrorMessage> footerErrorMessage_;
    bool inFlight_ = false;
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace quorvane
