#pragma once

// Decides when the floating panel's preview bubble opens, what it shows, where it stands, when it follows the
// selection and when it closes, and which entries show pretty-printed. The bubble opens by itself when the
// selection rests on a row for `automaticPreviewDelay`, and once after the panel opens or the search
// changes; pinned (Shift+Ctrl+Y) it follows every keyboard or click selection. Never draws: it builds
// requests for the presenter. Main thread only; delayed and asynchronous work holds it weakly.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "classification/ClipboardSystemClassification.h"
#include "floating/model/FloatingClipboardPreviewHost.h"
#include "floating/model/FloatingClipboardPreviewPresenting.h"
#include "panel/model/ClipboardPanelViewModel.h"
#include "panel/model/ClipboardResultListModes.h"
#include "platform/MainQueue.h"

namespace quorvane {

// Where a selection change came from, carried from the place that asked for it to the place that later sees
// the view model's new index.
struct PendingSelectionContext {
    std::size_t index = 0;
    ClipboardResultListSelectionSource source = ClipboardResultListSelectionSource::programmatic;

    bool operator==(const PendingSelectionContext&) const = default;
};

class FloatingClipboardPreviewCoordinator {
public:
    // Resting on a row this long opens its bubble; moving faster shows none.
    static constexpr double automaticPreviewDelay = 0.08;

    // The collaborators must outlive the coordinator.
    FloatingClipboardPreviewCoordinator(ClipboardPanelViewModel& viewModel, MainQueue& mainQueue,
                                        FloatingClipboardPreviewPresenting& presenter,
                                        FloatingClipboardPreviewHost& host);
    FloatingClipboardPreviewCoordinator(const FloatingClipboardPreviewCoordinator&) = delete;
    FloatingClipboardPreviewCoordinator& operator=(const FloatingClipboardPreviewCoordinator&) = delete;

    const FloatingClipboardPreviewSessionState& sessionState() const { return sessionState_; }
    bool isInitialAutomaticPreviewArmed() const { return initialArmed_; }
    bool isSearchAutomaticPreviewArmed() const { return searchArmed_; }
    bool hasPendingAutomaticPreview() const { return pendingAutomaticPreview_.isArmed(); }
    const std::set<std::string>& formattedItemIdentifiers() const { return formattedItemIdentifiers_; }
    bool isFormatted(const std::string& id) const { return formattedItemIdentifiers_.count(id) != 0; }
    void removeFormattedItem(const std::string& id) { formattedItemIdentifiers_.erase(id); }
    void clearFormattedItems() { formattedItemIdentifiers_.clear(); }

    // Cleared together with the preview state; the panel's controller sets and reads them.
    std::optional<PendingSelectionContext> pendingSelectionContext;
    std::optional<ClipboardResultListSelectionSource> pendingPostDeletionSelectionSource;

    void armInitialAutomaticPreview() { initialArmed_ = true; }
    void armSearchAutomaticPreview() { searchArmed_ = true; }
    void disarmAutomaticPreviews();
    void cancelPendingAutomaticPreview() { pendingAutomaticPreview_.cancel(); }
    // Stops a content load on its way to a bubble (a pinned bubble on show stays).
    void cancelPreviewTask() { ++previewGeneration_; }

    // Closes everything and forgets the session, the arms and the last previewed entry (show, hide, delete).
    void resetPreviewState();
    // Closes the bubble and ends the session.
    void dismissPreview();
    // A selection change reached the list from `source`.
    void handleSelectionChange(ClipboardResultListSelectionSource source);
    // The view model's own selection of the first row after a load may open the bubble once per arm.
    void considerInitialAutomaticPreview(const ClipboardHistoryIndexSnapshot& entry, std::size_t index,
                                         ClipboardResultListSelectionSource source);
    // Opens the bubble for `entry` after the delay, replacing a pending one.
    void scheduleAutomaticPreview(const ClipboardHistoryIndexSnapshot& entry);
    void presentPreview(const ClipboardHistoryIndexSnapshot& entry, FloatingClipboardPreviewMode mode,
                        bool isAutomatic);
    std::optional<FloatingClipboardPreviewRequest> makePreviewRequest(
        const ClipboardHistoryIndexSnapshot& entry, const ClipboardHistoryContentSnapshot& content,
        FloatingClipboardPreviewMode mode) const;

    // Ctrl+F, or Toggle Format on a row: switches `entry` between formatted and raw text.
    void toggleFormatting(const ClipboardHistoryIndexSnapshot& entry);
    // The bubble's format button: only ever switches to formatted.
    void handleFormatRequest();
    void togglePinnedPreview();
    void handleScrollInteraction();
    void handleContextMenuWillOpen();

    // The bubble's preferred size for an entry: small for a short plain text, else the default.
    ScreenSize preferredSize(const ClipboardHistoryIndexSnapshot& entry,
                             const ClipboardHistoryContentSnapshot& content) const;

private:
    std::optional<ClipboardSystemClassification> formattableClassification(
        const ClipboardHistoryIndexSnapshot& entry) const;
    void endSessionKeepingPin();
    void refreshPinnedPreview();

    ClipboardPanelViewModel& viewModel_;
    MainQueue& mainQueue_;
    FloatingClipboardPreviewPresenting& presenter_;
    FloatingClipboardPreviewHost& host_;

    FloatingClipboardPreviewSessionState sessionState_;
    bool initialArmed_ = false;
    bool searchArmed_ = false;
    Timer pendingAutomaticPreview_;
    // The entry the pending automatic preview is for.
    std::string pendingAutomaticPreviewItemID_;
    // A content load carries the generation it started in; a newer generation cancelled it.
    std::uint64_t previewGeneration_ = 0;
    std::optional<ClipboardHistoryIndexSnapshot> lastPreviewedItem_;
    std::optional<ClipboardHistoryContentSnapshot> lastPreviewedContent_;
    std::set<std::string> formattedItemIdentifiers_;
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace quorvane
