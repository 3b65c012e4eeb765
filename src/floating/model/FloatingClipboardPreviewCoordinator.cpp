#include "floating/model/FloatingClipboardPreviewCoordinator.h"

#include "base/WhitespaceTrimming.h"
#include "floating/model/FloatingClipboardPreviewContentRules.h"

namespace quorvane {

using Mode = FloatingClipboardPreviewMode;
using Source = ClipboardResultListSelectionSource;
using Rules = FloatingClipboardPreviewContentRules;

FloatingClipboardPreviewCoordinator::FloatingClipboardPreviewCoordinator(
    ClipboardPanelViewModel& viewModel, MainQueue& mainQueue, FloatingClipboardPreviewPresenting& presenter,
    FloatingClipboardPreviewHost& host)
    : viewModel_(viewModel), mainQueue_(mainQueue), presenter_(presenter), host_(host) {}

void FloatingClipboardPreviewCoordinator::disarmAutomaticPreviews() {
    initialArmed_ = false;
    searchArmed_ = false;
}

void FloatingClipboardPreviewCoordinator::resetPreviewState() {
    pendingAutomaticPreview_.cancel();
    cancelPreviewTask();
    presenter_.dismiss();
    sessionState_ = {};
    pendingSelectionContext.reset();
    pendingPostDeletionSelectionSource.reset();
    lastPreviewedItem_.reset();
    lastPreviewedContent_.reset();
    disarmAutomaticPreviews();
}

void FloatingClipboardPreviewCoordinator::dismissPreview() {
    pendingAutomaticPreview_.cancel();
    cancelPreviewTask();
    presenter_.dismiss();
    sessionState_ = {};
    lastPreviewedItem_.reset();
    lastPreviewedContent_.reset();
}

// Closes the bubble; a pinned session stays pinned, waiting for the next selection.
void FloatingClipboardPreviewCoordinator::endSessionKeepingPin() {
    presenter_.dismiss();
    const bool pinned = sessionState_.mode == Mode::manualPinned;
    sessionState_ = {pinned ? std::optional(Mode::manualPinned) : std::nullopt, std::nullopt};
    lastPreviewedItem_.reset();
    lastPreviewedContent_.reset();
}

void FloatingClipboardPreviewCoordinator::handleSelectionChange(Source source) {
    if (source != Source::programmatic) disarmAutomaticPreviews();
    const auto selected = viewModel_.selectedItem();
    const bool pinned = sessionState_.mode == Mode::manualPinned;
    if (!selected) {
        if (pinned) {
            endSessionKeepingPin();
        } else {
            dismissPreview();
        }
        return;
    }
    if (!pinned) {
        // A reload that leaves the same row selected (the search the emptied field starts right after the
        // panel opens) must not cancel the preview that row is waiting for.
        if (source == Source::programmatic && pendingAutomaticPreview_.isArmed() &&
            pendingAutomaticPreviewItemID_ == selected->id) {
            return;
        }
        if (source == Source::mouseClick || source == Source::programmatic) {
            dismissPreview();
        } else {
            scheduleAutomaticPreview(*selected);
        }
        return;
    }
    if (source == Source::hover) return;
    if (source == Source::programmatic && sessionState_.presentedItemID == selected->id) return;
    presentPreview(*selected, Mode::manualPinned, false);
}

void FloatingClipboardPreviewCoordinator::scheduleAutomaticPreview(
    const ClipboardHistoryIndexSnapshot& entry) {
    pendingAutomaticPreview_.cancel();
    dismissPreview();
    std::weak_ptr<char> alive = lifetime_;
    pendingAutomaticPreviewItemID_ = entry.id;
    pendingAutomaticPreview_ = mainQueue_.postAfter(automaticPreviewDelay, [this, alive, entry] {
        if (alive.expired()) return;
        pendingAutomaticPreview_ = Timer();
        presentPreview(entry, Mode::automatic, true);
    });
}

void FloatingClipboardPreviewCoordinator::considerInitialAutomaticPreview(
    const ClipboardHistoryIndexSnapshot& entry, std::size_t index, Source source) {
    const bool searching = !viewModel_.searchText().empty();
    const bool allowed = (initialArmed_ && !searching) || (searchArmed_ && searching);
    if (source != Source::programmatic || !allowed) return;
    if (!host_.isPanelVisible() || host_.isShowPending() || sessionState_.mode) return;
    const auto& items = viewModel_.clipboardItems();
    if (index != 0 || viewModel_.selectedIndex() != 0 || items.empty() || items.front().id != entry.id)
        return;
    disarmAutomaticPreviews();
    scheduleAutomaticPreview(entry);
}

void FloatingClipboardPreviewCoordinator::presentPreview(const ClipboardHistoryIndexSnapshot& entry,
                                                         Mode mode, bool isAutomatic) {
    pendingAutomaticPreview_.cancel();
    const std::uint64_t generation = ++previewGeneration_;
    sessionState_ = {mode, entry.id};
    std::weak_ptr<char> alive = lifetime_;
    viewModel_.clipboardHistoryManager()->getContentSnapshotById(
        entry.id, [this, alive, generation, entry, mode,
                   isAutomatic](std::optional<ClipboardHistoryContentSnapshot> content) {
            if (alive.expired() || generation != previewGeneration_) return;
            const bool pinned = mode == Mode::manualPinned;
            const auto endSession = [&] {
                presenter_.dismiss();
                sessionState_ = {pinned ? std::optional(Mode::manualPinned) : std::nullopt, std::nullopt};
                lastPreviewedItem_.reset();
                lastPreviewedContent_.reset();
            };
            if (!content) {
                endSession();
                return;
            }
            if (isAutomatic && entry.contentType == ClipboardContentType::text &&
                trimmedWhitespaceAndNewlines(content->content).empty()) {
                dismissPreview();
                return;
            }
            const auto request = makePreviewRequest(entry, *content, mode);
            if (!request) {
                endSession();
                return;
            }
            presenter_.present(*request);
            sessionState_ = {mode, entry.id};
            lastPreviewedItem_ = entry;
            lastPreviewedContent_ = std::move(content);
        });
}

ScreenSize FloatingClipboardPreviewCoordinator::preferredSize(
    const ClipboardHistoryIndexSnapshot& entry, const ClipboardHistoryContentSnapshot& content) const {
    if (Rules::isCompact(entry, content)) {
        return {Rules::compactWidth,
                Rules::compactHeight(host_.wrappedTextHeight(content.content, Rules::compactTextWidth))};
    }
    return {Rules::defaultWidth, Rules::defaultHeight};
}

std::optional<FloatingClipboardPreviewRequest> FloatingClipboardPreviewCoordinator::makePreviewRequest(
    const ClipboardHistoryIndexSnapshot& entry, const ClipboardHistoryContentSnapshot& content,
    Mode mode) const {
    const ScreenSize size = preferredSize(entry, content);
    const auto row = host_.selectedRowScreenRect();
    if (!row) return std::nullopt;
    const auto panel = host_.panelScreenFrame();
    if (!panel) return std::nullopt;
    const auto placement = host_.previewPlacement(*panel, *row, size.width, size.height);
    if (!placement) return std::nullopt;
    return FloatingClipboardPreviewRequest{entry, content, *placement, mode, isFormatted(entry.id)};
}

std::optional<ClipboardSystemClassification> FloatingClipboardPreviewCoordinator::formattableClassification(
    const ClipboardHistoryIndexSnapshot& entry) const {
    if (entry.contentType == ClipboardContentType::image) return std::nullopt;
    if (lastPreviewedItem_ && lastPreviewedItem_->id == entry.id && lastPreviewedContent_) {
        return Rules::formattableClassification(entry, *lastPreviewedContent_);
    }
    if (!entry.classification) return std::nullopt;
    const auto stored = systemClassificationFromCaseInsensitiveRawValue(*entry.classification);
    if (stored == ClipboardSystemClassification::json || stored == ClipboardSystemClassification::jsonLines ||
        stored == ClipboardSystemClassification::sql) {
        return stored;
    }
    return std::nullopt;
}

void FloatingClipboardPreviewCoordinator::toggleFormatting(const ClipboardHistoryIndexSnapshot& entry) {
    if (host_.isShowingFilterSuggestions()) return;
    if (!formattableClassification(entry)) return;
    const bool showsEntry = sessionState_.presentedItemID == entry.id && presenter_.isShowing();
    if (formattedItemIdentifiers_.erase(entry.id) != 0) {
        if (showsEntry) presenter_.setShowsFormattedText(false);
    } else {
        formattedItemIdentifiers_.insert(entry.id);
        if (showsEntry) presenter_.setShowsFormattedText(true);
    }
}

void FloatingClipboardPreviewCoordinator::handleFormatRequest() {
    const auto selected = viewModel_.selectedItem();
    if (!selected || !formattableClassification(*selected)) return;
    formattedItemIdentifiers_.insert(selected->id);
    if (sessionState_.presentedItemID == selected->id && presenter_.isShowing()) {
        presenter_.setShowsFormattedText(true);
    }
}

void FloatingClipboardPreviewCoordinator::togglePinnedPreview() {
    if (sessionState_.mode == Mode::manualPinned) {
        resetPreviewState();
        return;
    }
    const auto selected = viewModel_.selectedItem();
    if (!selected) return;
    pendingAutomaticPreview_.cancel();
    if (sessionState_.mode == Mode::automatic) {
        presenter_.dismiss();
        sessionState_ = {};
        lastPreviewedItem_.reset();
        lastPreviewedContent_.reset();
    }
    sessionState_ = {Mode::manualPinned, std::nullopt};
    presentPreview(*selected, Mode::manualPinned, false);
}

void FloatingClipboardPreviewCoordinator::handleScrollInteraction() {
    disarmAutomaticPreviews();
    pendingAutomaticPreview_.cancel();
    if (sessionState_.mode != Mode::manualPinned) {
        dismissPreview();
        return;
    }
    refreshPinnedPreview();
}

void FloatingClipboardPreviewCoordinator::refreshPinnedPreview() {
    const auto selected = viewModel_.selectedItem();
    if (!selected) {
        endSessionKeepingPin();
        return;
    }
    if (!lastPreviewedItem_ || lastPreviewedItem_->id != selected->id || !lastPreviewedContent_) {
        presentPreview(*selected, Mode::manualPinned, false);
        return;
    }
    const auto request = makePreviewRequest(*selected, *lastPreviewedContent_, Mode::manualPinned);
    if (!request) {
        endSessionKeepingPin();
        return;
    }
    presenter_.update(*request);
    sessionState_ = {Mode::manualPinned, selected->id};
    lastPreviewedItem_ = *selected;
}

void FloatingClipboardPreviewCoordinator::handleContextMenuWillOpen() {
    pendingSelectionContext.reset();
    pendingAutomaticPreview_.cancel();
    cancelPreviewTask();
    endSessionKeepingPin();
}

}  // namespace quorvane
