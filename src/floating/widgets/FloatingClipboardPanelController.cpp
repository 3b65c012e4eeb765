#include "floating/widgets/FloatingClipboardPanelController.h"

#include <unistd.h>

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QString>
#include <cmath>

#include "base/Logger.h"
#include "floating/model/FloatingClipboardPositionCalculator.h"
#include "floating/model/FloatingClipboardPreviewPlacement.h"
#include "l10n/L10n.h"
#include "panel/widgets/PanelItemActions.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "FloatingClipboardPanelController";
using Source = ClipboardResultListSelectionSource;
using Property = ClipboardPanelViewModel::Property;

ClipboardResultListRowStyle rowStyleFor(const UserDefaults& defaults, DistributionChannel channel) {
    return floatingClipboardListStyle(defaults, channel) == FloatingClipboardListStyle::compact
               ? ClipboardResultListRowStyle::compact
               : ClipboardResultListRowStyle::standard;
}

ScreenRect toScreenRect(const QRect& r) {
    return {double(r.x()), double(r.y()), double(r.width()), double(r.height())};
}

}  // namespace

FloatingClipboardPanelController::FloatingClipboardPanelController(Dependencies dependencies)
    : deps_(std::move(dependencies)),
      viewModel_(deps_.viewModel),
      list_(std::make_unique<ClipboardResultListView>(
          ClipboardResultListMode::normal, rowStyleFor(deps_.userDefaults, deps_.distributionChannel),
          deps_.icons)),
      floatingPanel_(std::make_unique<FloatingClipboardPanel>(deps_.completions)),
      previewPresenter_(std::make_unique<FloatingClipboardPreviewController>(*floatingPanel_)),
      preview_(std::make_unique<FloatingClipboardPreviewCoordinator>(viewModel_, deps_.mainQueue,
                                                                     *previewPresenter_, *this)),
      session_(PanelSession::Dependencies{viewModel_, deps_.pasteBackPerformer, deps_.windowActivation,
                                          deps_.pasteboard, deps_.userDefaults,
                                          deps_.accessibilityPermissionManager, deps_.distributionChannel,
                                          std::int64_t(::getpid()), [this] { hidePanel(); }, kLogCategory}) {
    itemActions_ = std::make_unique<PanelItemActions>(
        [this]() -> QWidget* { return floatingPanel_->window(); },
        ClipboardItemActionOrigin{kLogCategory, [this] { hidePanel(); },
                                  // The preview's formatting needs the content to tell.
                                  [this](const ClipboardHistoryIndexSnapshot& entry,
                                         const ClipboardHistoryContentSnapshot* content) {
                                      return content ? formattedText(entry, *content) : std::nullopt;
                                  },
                                  nullptr, nullptr, lifetime_});
    setUpCallbacks();
    bindViewModel();
}

FloatingClipboardPanelController::~FloatingClipboardPanelController() {
    floatingPanel_->delegate = nullptr;
    list_->callbacks = {};
    // The window holds the list as a child; the list is ours and goes last.
    preview_.reset();
    previewPresenter_.reset();
    floatingPanel_.reset();
}

void FloatingClipboardPanelController::setUpCallbacks() {
    floatingPanel_->delegate = this;
    std::weak_ptr<char> alive = lifetime_;
    previewPresenter_->setOnFormatRequested([this, alive] {
        if (!alive.expired()) preview_->handleFormatRequest();
    });
    auto& c = list_->callbacks;
    // Each callback checks the controller is still there: a menu or a content answer can outlive it.
    const auto guarded = [this, alive](auto body) {
        return [this, alive, body](const auto&... args) {
            if (!alive.expired()) (this->*body)(args...);
        };
    };
    c.onSelectionChanged = [this, alive](int index, Source source) {
        if (alive.expired() || index < 0) return;
        preview_->pendingSelectionContext = PendingSelectionContext{std::size_t(index), source};
        viewModel_.selectItem(std::size_t(index));
    };
    c.onItemClicked = [this, alive](const ClipboardHistoryIndexSnapshot& entry) {
        if (!alive.expired()) pasteItem(entry, false);
    };
    c.onItemDoubleClicked = c.onItemClicked;
    c.onItemDelete = [this, alive](const ClipboardHistoryIndexSnapshot& entry) {
        if (alive.expired()) return;
        preview_->removeFormattedItem(entry.id);
        viewModel_.deleteItem(entry);
    };
    itemActions_->bind(c);
    c.onDragEnded = [this, alive](const ClipboardHistoryIndexSnapshot& entry, Qt::DropAction action) {
        if (!alive.expired()) handleDragEnded(entry, action != Qt::IgnoreAction);
    };
    c.onItemCopy = [this, alive](const ClipboardHistoryIndexSnapshot& entry) {
        if (!alive.expired()) copyItem(entry, false);
    };
    c.onItemCopyAsPlainText = [this, alive](const ClipboardHistoryIndexSnapshot& entry) {
        if (!alive.expired()) copyItem(entry, true);
    };
    c.onItemToggleFormat = [this, alive](const ClipboardHistoryIndexSnapshot& entry) {
        if (!alive.expired()) preview_->toggleFormatting(entry);
    };
    c.onFilterSuggestionSelected = guarded(&FloatingClipboardPanelController::applyFilterSuggestion);
    c.onRequestContent = [this, alive](const std::string& id, auto reply) {
        if (alive.expired()) return reply(std::nullopt);
        viewModel_.clipboardHistoryManager()->getContentSnapshotById(id, std::move(reply));
    };
    c.onLoadMore = [this, alive] {
        if (!alive.expired()) handleLoadMore();
    };
    c.onScrollInteraction = [this, alive] {
        if (!alive.expired()) preview_->handleScrollInteraction();
    };
    c.onContextMenuWillOpen = [this, alive] {
        if (!alive.expired()) preview_->handleContextMenuWillOpen();
    };
}

void FloatingClipboardPanelController::bindViewModel() {
    viewModelSubscription_ = viewModel_.observe([this](auto changes) { viewModelChanged(changes); });
    itemDeletedSubscription_ =
        viewModel_.observeItemDeleted([this](std::size_t index) { itemDeleted(index); });
    std::weak_ptr<char> alive = lifetime_;
    if (deps_.observeUpdater) {
        updaterSubscription_ = deps_.observeUpdater([this, alive] {
            if (alive.expired()) return;
            deps_.mainQueue.post([this, alive] {
                if (!alive.expired()) refreshFooterStatus();
            });
        });
    }
    defaultsSubscription_ = deps_.userDefaults.observeChanges([this, alive](const std::string&) {
        deps_.mainQueue.post([this, alive] {
            if (!alive.expired()) refreshFooterStatus();
        });
    });
}

void FloatingClipboardPanelController::viewModelChanged(ClipboardPanelViewModel::Changes changes) {
    if (changes.contains(Property::errorMessage)) {
        session_.viewModelErrorChanged();
        refreshFooterStatus();
    }
    if (changes.contains(Property::clipboardItems)) {
        list_->setItems(viewModel_.clipboardItems(), viewModel_.canLoadMore(),
                        !viewModel_.isLoadMoreAction());
        updateEmptyState();
    }
    if (changes.contains(Property::selectedIndex) && !isShowingFilterSuggestions()) {
        const std::size_t index = viewModel_.selectedIndex();
        Source source = Source::programmatic;
        if (preview_->pendingSelectionContext && preview_->pendingSelectionContext->index == index) {
            source = preview_->pendingSelectionContext->source;
            preview_->pendingSelectionContext.reset();
        }
        list_->selectItem(int(index), source);
        preview_->handleSelectionChange(source);
        const auto& items = viewModel_.clipboardItems();
        if (index < items.size()) preview_->considerInitialAutomaticPreview(items[index], index, source);
    }
    if (changes.contains(Property::isLoading) && viewModel_.clipboardItems().empty()) {
        floatingPanel_->updateEmptyState(
            L10n::text(viewModel_.isLoading() ? L10nKey::panelLoadingHistory : L10nKey::panelNoHistoryYet),
            true);
    }
}

void FloatingClipboardPanelController::itemDeleted(std::size_t selectedIndex) {
    const auto source = preview_->pendingPostDeletionSelectionSource;
    preview_->pendingPostDeletionSelectionSource.reset();
    list_->setItems(viewModel_.clipboardItems(), viewModel_.canLoadMore(), false);
    if (isShowingFilterSuggestions()) return;
    list_->selectItem(int(selectedIndex), Source::programmatic);
    updateEmptyState();
    if (source && selectedIndex < viewModel_.clipboardItems().size())
        preview_->handleSelectionChange(*source);
}

bool FloatingClipboardPanelController::isPanelVisible() const {
    return floatingPanel_->isVisible();
}

void FloatingClipboardPanelController::showPanel() {
    // Remember where the user came from; our own windows are no return target.
    session_.begin(floatingPanel_->window() ? std::uint64_t(floatingPanel_->window()->winId()) : 0);
    preview_->resetPreviewState();
    preview_->armInitialAutomaticPreview();
    preview_->clearFormattedItems();
    viewModel_.panelWillShow();
    list_->exitFilterSuggestionMode();
    const auto style = rowStyleFor(deps_.userDefaults, deps_.distributionChannel);
    if (list_->rowStyle() != style) list_->setRowStyle(style);
    floatingPanel_->attachResultList(list_.get());
    floatingPanel_->setSearchText("");
    refreshFooterStatus();
    // The page kept from before is on show at once; the fresh one replaces it.
    const auto& items = viewModel_.clipboardItems();
    list_->setItems(items, viewModel_.canLoadMore(), true);
    if (items.empty())
        floatingPanel_->updateEmptyState(L10n::text(L10nKey::panelLoadingHistory), true);
    else
        updateEmptyState();
    // Hover selects nothing until the pointer really moves: the panel may open under a resting pointer.
    const ScreenPoint mouse = deps_.screens.mouseLocation();
    auto& gate = list_->hoverSelectionGate();
    gate.isHoverSuppressedUntilPointerMoves = true;
    gate.pointerLocationWhenSuppressed = ClipboardPointerLocation{mouse.x, mouse.y};
    gate.pointerLocationForLastHoverSelection = ClipboardPointerLocation{mouse.x, mouse.y};

    Logger::debug("[FloatingPanel] Scheduling deferred anchor resolution before showing floating panel",
                  kLogCategory);
    const std::uint64_t generation = ++showGeneration_;
    showPending_ = true;
    std::weak_ptr<char> alive = lifetime_;
    deps_.mainQueue.post([this, alive, generation] {
        if (alive.expired() || generation != showGeneration_ || !showPending_) return;
        showPanelAtResolvedAnchor();
    });
}

void FloatingClipboardPanelController::showPanelAtResolvedAnchor() {
    // Our own caret would be asked of this very process, which is busy showing the panel.
    const FloatingPanelAnchor anchor = session_.ownWindowWasActive() ? deps_.anchorResolver.mouseAnchor()
                                                                     : deps_.anchorResolver.resolveAnchor();
    using Calculator = FloatingClipboardPositionCalculator;
    const auto integer = [](double value) { return std::to_string(std::int64_t(value)); };
    ScreenPoint origin;
    if (anchor.kind == FloatingPanelAnchor::Kind::caret) {
        origin =
            Calculator::panelOrigin(deps_.screens, anchor.caretRect, Calculator::panelSize, Calculator::gap);
        const ScreenRect& r = anchor.caretRect;
        Logger::debug("[FloatingPanel] Showing with caret anchor x=" + integer(r.minX()) +
                          " y=" + integer(r.minY()) + " w=" + integer(r.width) + " h=" + integer(r.height) +
                          " origin x=" + integer(origin.x) + " y=" + integer(origin.y) + " panelSize=420x360",
                      kLogCategory);
    } else {
        origin =
            Calculator::panelOrigin(deps_.screens, anchor.mousePoint, Calculator::panelSize, Calculator::gap);
        Logger::debug("[FloatingPanel] Showing with mouse anchor x=" + integer(anchor.mousePoint.x) +
                          " y=" + integer(anchor.mousePoint.y) + " origin x=" + integer(origin.x) +
                          " y=" + integer(origin.y) + " panelSize=420x360",
                      kLogCategory);
    }
    floatingPanel_->show(origin);
    viewModel_.loadClipboardItems(false);
    showPending_ = false;
}

void FloatingClipboardPanelController::hidePanel() {
    // A show still waiting for its anchor is never carried out.
    ++showGeneration_;
    showPending_ = false;
    preview_->resetPreviewState();
    preview_->clearFormattedItems();
    session_.end();
    viewModel_.panelDidHide();
    list_->exitFilterSuggestionMode();
    floatingPanel_->setSearchText("");
    refreshFooterStatus();
    floatingPanel_->hide();
}

std::optional<ClipboardHistoryIndexSnapshot> FloatingClipboardPanelController::selectedHistoryEntry() const {
    if (isShowingFilterSuggestions()) return std::nullopt;
    return viewModel_.selectedItem();
}

bool FloatingClipboardPanelController::isShowingFilterSuggestions() const {
    return list_->contentMode() == ClipboardResultListContentMode::filterSuggestions;
}

void FloatingClipboardPanelController::moveSelection(bool up) {
    if (isShowingFilterSuggestions()) {
        list_->moveFilterSuggestionSelection(up);
        return;
    }
    const auto& items = viewModel_.clipboardItems();
    const std::size_t current = viewModel_.selectedIndex();
    std::size_t target;
    if (up) {
        target = current == 0 ? 0 : current - 1;
    } else {
        if (!items.empty() && current + 1 == items.size() && viewModel_.canLoadMore()) {
            handleLoadMore();
            return;
        }
        target = items.size() <= 1 ? 0 : std::min(current + 1, items.size() - 1);
    }
    if (target == current) return;
    preview_->disarmAutomaticPreviews();
    preview_->pendingSelectionContext = PendingSelectionContext{target, Source::keyboard};
    viewModel_.moveSelection(up);
}

void FloatingClipboardPanelController::confirmSelection() {
    confirm(false);
}

void FloatingClipboardPanelController::confirmSelectionAsPlainText() {
    confirm(true);
}

// A suggestion is taken, the load-more row loads more, an entry is pasted.
void FloatingClipboardPanelController::confirm(bool asPlainText) {
    if (!list_->confirmSuggestionOrShowMore()) pasteItem(std::nullopt, asPlainText);
}

void FloatingClipboardPanelController::deleteSelectedItem() {
    if (isShowingFilterSuggestions()) return;
    const auto selected = list_->selectedItem();
    if (!selected) return;
    preview_->removeFormattedItem(selected->id);
    preview_->resetPreviewState();
    rememberPostDeletionSelection(Source::keyboard);
    list_->deleteSelectedItem();
}

void FloatingClipboardPanelController::rememberPostDeletionSelection(Source source) {
    const std::size_t n = viewModel_.clipboardItems().size();
    if (n < 2) return;
    if (viewModel_.selectedIndex() > n - 2) {
        preview_->pendingSelectionContext = PendingSelectionContext{n - 2, source};
    } else {
        preview_->pendingPostDeletionSelectionSource = source;
    }
}

void FloatingClipboardPanelController::handleLoadMore() {
    preview_->pendingSelectionContext.reset();
    preview_->disarmAutomaticPreviews();
    preview_->cancelPendingAutomaticPreview();
    if (preview_->sessionState().mode == FloatingClipboardPreviewMode::automatic) preview_->dismissPreview();
    viewModel_.loadMore();
}

void FloatingClipboardPanelController::searchTextDidChange(const std::string& text) {
    preview_->pendingSelectionContext.reset();
    preview_->disarmAutomaticPreviews();
    preview_->cancelPendingAutomaticPreview();
    if (preview_->sessionState().mode == FloatingClipboardPreviewMode::automatic) {
        preview_->dismissPreview();
    } else {
        preview_->cancelPreviewTask();
    }
    if (!text.empty()) preview_->armSearchAutomaticPreview();
    handleFilterSuggestions(text);
}

void FloatingClipboardPanelController::handleFilterSuggestions(const std::string& text) {
    if (!session_.searchTextDidChange(text)) {
        list_->exitFilterSuggestionMode();
        floatingPanel_->setFilterSuggestionFooterMode(false);
        return;
    }
    floatingPanel_->setFilterSuggestionFooterMode(true);
    auto suggestions = session_.filterSuggestions();
    preview_->pendingSelectionContext.reset();
    preview_->disarmAutomaticPreviews();
    preview_->cancelPendingAutomaticPreview();
    preview_->dismissPreview();
    list_->setFilterSuggestions(std::move(suggestions));
    updateEmptyState();
}

bool FloatingClipboardPanelController::acceptSelectedFilterSuggestion() {
    if (!isShowingFilterSuggestions()) return false;
    return list_->confirmSelectedFilterSuggestion().has_value();
}

void FloatingClipboardPanelController::applyFilterSuggestion(const ClipboardFilterSuggestion& suggestion) {
    if (const auto text = session_.applyFilterSuggestion(suggestion)) leaveFilterSuggestionMode(*text);
}

bool FloatingClipboardPanelController::cancelFilterSuggestion() {
    if (!isShowingFilterSuggestions()) return false;
    const auto text = session_.cancelFilterSuggestion();
    if (!text) return false;
    leaveFilterSuggestionMode(*text);
    return true;
}

// The session already searches `text`; the list and the field follow.
void FloatingClipboardPanelController::leaveFilterSuggestionMode(const std::string& text) {
    floatingPanel_->setFilterSuggestionFooterMode(false);
    list_->exitFilterSuggestionMode();
    floatingPanel_->setSearchText(text);
}

void FloatingClipboardPanelController::updateEmptyState() {
    // A half-typed filter that no filter word matches lists nothing either.
    const bool empty = isShowingFilterSuggestions() ? list_->state().filterSuggestions().empty()
                                                    : viewModel_.clipboardItems().empty();
    floatingPanel_->updateEmptyState(empty ? L10n::text(L10nKey::panelNoHistoryYet) : "", empty);
}

void FloatingClipboardPanelController::refreshFooterStatus() {
    const ClipboardFooterUpdateState update =
        deps_.updateState ? deps_.updateState() : ClipboardFooterUpdateState{};
    floatingPanel_->updateFooterStatus(session_.footerStatus(update));
}

void FloatingClipboardPanelController::toggleFormattingForSelectedItem() {
    if (const auto selected = selectedHistoryEntry()) preview_->toggleFormatting(*selected);
}

void FloatingClipboardPanelController::togglePinnedPreview() {
    if (isShowingFilterSuggestions()) return;
    preview_->disarmAutomaticPreviews();
    preview_->togglePinnedPreview();
}

void FloatingClipboardPanelController::openSettings() {
    hidePanel();
    if (onOpenSettings) onOpenSettings();
}

void FloatingClipboardPanelController::performFooterAction(
    ClipboardFooterStatusPresentation::Action::Kind kind) {
    if (kind == ClipboardFooterStatusPresentation::Action::Kind::checkForUpdates && deps_.checkForUpdates) {
        deps_.checkForUpdates();
    }
}

std::optional<ScreenRect> FloatingClipboardPanelController::selectedRowScreenRect() const {
    const auto rect = list_->screenRectForRow(int(viewModel_.selectedIndex()));
    if (!rect || !list_->window()->isVisible()) return std::nullopt;
    return toScreenRect(*rect);
}

std::optional<ScreenRect> FloatingClipboardPanelController::panelScreenFrame() const {
    if (auto* root = floatingPanel_->rootView()) return root->listSurfaceScreenFrame();
    if (auto* window = floatingPanel_->window()) return toScreenRect(window->frameGeometry());
    return std::nullopt;
}

std::optional<FloatingClipboardPreviewPlacement> FloatingClipboardPanelController::previewPlacement(
    ScreenRect panel, ScreenRect row, double width, double height) const {
    return FloatingClipboardPreviewPlacementCalculator::placement(deps_.screens, std::nullopt, row, panel,
                                                                  width, height);
}

double FloatingClipboardPanelController::wrappedTextHeight(const std::string& text, double width) const {
    QFont font = QGuiApplication::font();
    font.setPointSizeF(13);
    const QFontMetricsF metrics(font);
    const QRectF bounds =
        metrics.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                             QString::fromStdString(text));
    // Line spacing 2 between lines, as the bubble sets it.
    const double lines = std::max(1.0, std::round(bounds.height() / metrics.lineSpacing()));
    return bounds.height() + 2 * (lines - 1);
}

}  // namespace quorvane
