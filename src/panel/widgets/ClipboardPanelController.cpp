#include "panel/widgets/ClipboardPanelController.h"

#include <unistd.h>

#include <QCursor>
#include <QWidget>

#include "base/Logger.h"
#include "panel/widgets/ClipboardAppIconProvider.h"
#include "panel/widgets/ClipboardDetailView.h"
#include "panel/widgets/ClipboardPanel.h"
#include "panel/widgets/ClipboardResultListView.h"
#include "panel/widgets/ClipboardSearchRowView.h"
#include "panel/widgets/ClipboardTextField.h"
#include "panel/widgets/PanelItemActions.h"
#include "platform/linux/X11ActivationRequest.h"
#include "ui/KeyablePanel.h"

namespace quorvane {

namespace {

constexpr const char* logCategory = "ClipboardPanelController";

}  // namespace

ClipboardPanelController::ClipboardPanelController(Dependencies dependencies, QObject* parent)
    : ClipboardPanelController(std::move(dependencies), Options(), parent) {}

ClipboardPanelController::ClipboardPanelController(Dependencies dependencies, Options options,
                                                   QObject* parent)
    : QObject(parent),
      dependencies_(std::move(dependencies)),
      options_(std::move(options)),
      autoCompleteManager_(dependencies_.userDefaults, options_.appIdentityResolver),
      icons_(std::make_unique<ClipboardAppIconProvider>(options_.applicationCatalog)),
      list_(std::make_unique<ClipboardResultListView>(ClipboardResultListMode::normal,
                                                      ClipboardResultListRowStyle::standard, icons_.get())),
      detail_(std::make_unique<ClipboardDetailView>()),
      panel_(std::make_unique<ClipboardPanel>(
          ClipboardPanel::Dependencies{dependencies_.userDefaults, dependencies_.screens,
                                       dependencies_.pasteboard, autoCompleteManager_})),
      ownPasteBack_(options_.pasteBack ? nullptr
                                       : std::make_unique<PasteBackPerformer>(
                                             dependencies_.mainQueue, dependencies_.windowActivation,
                                             dependencies_.pasteShortcutPoster, dependencies_.pasteboard)),
      session_(PanelSession::Dependencies{
          dependencies_.viewModel, options_.pasteBack ? *options_.pasteBack : *ownPasteBack_,
          dependencies_.windowActivation, dependencies_.pasteboard, dependencies_.userDefaults,
          dependencies_.accessibilityPermissionManager, options_.distributionChannel, std::int64_t{getpid()},
          [this] { hidePanel(); }, logCategory}) {
    list_->resize(250, 400);
    itemActions_ = std::make_unique<PanelItemActions>(
        [this]() -> QWidget* { return panel_ ? panel_->window() : nullptr; },
        ClipboardItemActionOrigin{
            logCategory, [this] { hidePanel(); },
            // The detail pane's formatted text, when it shows the entry formatted.
            [this](const ClipboardHistoryIndexSnapshot& entry,
                   const ClipboardHistoryContentSnapshot*) -> std::optional<std::string> {
                if (detail_->currentDisplayedItemId() != entry.id) return std::nullopt;
                return detail_->formattedPlainText();
            },
            nullptr, nullptr, lifetime_});
    setupCallbacks();
    setupBindings();
}

ClipboardPanelController::~ClipboardPanelController() {
    // The panel hands the list and the detail pane back before its window goes.
    panel_.reset();
}

// ---- Set-up ----

void ClipboardPanelController::setupCallbacks() {
    panel_->delegate = this;
    std::weak_ptr<char> alive = lifetime_;
    const auto guarded = [this, alive](auto body) {
        return [this, alive, body](auto&&... arguments) {
            if (!alive.expired()) body(this, std::forward<decltype(arguments)>(arguments)...);
        };
    };
    auto& callbacks = list_->callbacks;
    callbacks.onSelectionChanged =
        guarded([](ClipboardPanelController* self, int row, ClipboardResultListSelectionSource) {
            if (row >= 0) self->dependencies_.viewModel.selectItem(static_cast<std::size_t>(row));
        });
    const auto paste =
        guarded([](ClipboardPanelController* self, const ClipboardHistoryIndexSnapshot& entry) {
            self->pasteSelectedItem(entry, false);
        });
    callbacks.onItemClicked = paste;
    callbacks.onItemDoubleClicked = paste;
    callbacks.onItemDelete =
        guarded([](ClipboardPanelController* self, const ClipboardHistoryIndexSnapshot& entry) {
            self->dependencies_.viewModel.deleteItem(entry);
        });
    itemActions_->bind(callbacks);
    callbacks.onDragEnded =
        guarded([](ClipboardPanelController* self, const ClipboardHistoryIndexSnapshot& entry,
                   Qt::DropAction action) { self->dragEnded(entry, static_cast<int>(action)); });
    callbacks.onItemCopy =
        guarded([](ClipboardPanelController* self, const ClipboardHistoryIndexSnapshot& entry) {
            self->copyItem(entry, false);
        });
    callbacks.onItemCopyAsPlainText =
        guarded([](ClipboardPanelController* self, const ClipboardHistoryIndexSnapshot& entry) {
            self->copyItem(entry, true);
        });
    callbacks.onItemToggleFormat =
        guarded([](ClipboardPanelController* self, const ClipboardHistoryIndexSnapshot& entry) {
            if (self->detail_->currentDisplayedItemId() == entry.id) self->detail_->formatButtonTapped();
        });
    callbacks.onFilterSuggestionSelected =
        guarded([](ClipboardPanelController* self, const ClipboardFilterSuggestion& suggestion) {
            self->applyFilterSuggestion(suggestion);
        });
    callbacks.onRequestContent = [this, alive](const std::string& id, auto reply) {
        if (alive.expired()) return reply(std::nullopt);
        requestContent(id, std::move(reply));
    };
    callbacks.onLoadMore =
        guarded([](ClipboardPanelController* self) { self->dependencies_.viewModel.loadMore(); });
    detail_->contentProvider = [this, alive](const std::string& id, auto reply) {
        if (alive.expired()) return reply(std::nullopt);
        requestContent(id, std::move(reply));
    };
}

void ClipboardPanelController::requestContent(
    const std::string& id, std::function<void(std::optional<ClipboardHistoryContentSnapshot>)> reply) {
    const auto& history = dependencies_.viewModel.clipboardHistoryManager();
    if (!history) return reply(std::nullopt);
    history->getContentSnapshotById(id, std::move(reply));
}

void ClipboardPanelController::setupBindings() {
    std::weak_ptr<char> alive = lifetime_;
    viewModelSubscription_ =
        dependencies_.viewModel.observe([this, alive](ClipboardPanelViewModel::Changes changes) {
            if (!alive.expired()) viewModelChanged(changes);
        });
    itemDeletedSubscription_ = dependencies_.viewModel.observeItemDeleted([this, alive](std::size_t index) {
        if (!alive.expired()) itemDeleted(index);
    });
    // A settings change may switch the update notice; told on a later turn, never inside the write.
    defaultsSubscription_ = dependencies_.userDefaults.observeChanges([this, alive](const std::string&) {
        dependencies_.mainQueue.post([this, alive] {
            if (!alive.expired()) refreshFooterStatus();
        });
    });
}

void ClipboardPanelController::viewModelChanged(ClipboardPanelViewModel::Changes changes) {
    using Property = ClipboardPanelViewModel::Property;
    auto& viewModel = dependencies_.viewModel;
    if (changes.contains(Property::errorMessage)) session_.viewModelErrorChanged();
    refreshFooterStatus();

    if (changes.contains(Property::clipboardItems)) {
        autoCompleteManager_.updateAppSuggestions(viewModel.clipboardItems());
        if (!viewModel.isLoading() && panel_->isVisible()) {
            const auto& items = viewModel.clipboardItems();
            Logger::info("Clipboard panel lists " + std::to_string(items.size()) + " entries" +
                             (items.empty() ? std::string() : " (first: " + items.front().id + ")"),
                         logCategory);
        }
        listItems();
    }
    if (changes.contains(Property::selectedIndex) && !inFilterSuggestionMode()) {
        list_->selectItem(static_cast<int>(viewModel.selectedIndex()),
                          ClipboardResultListSelectionSource::programmatic);
        showSelectedInDetail();
    }
    if (changes.contains(Property::activeFilters) && panel_->searchRow())
        panel_->searchRow()->setFilters(viewModel.activeFilters());
    if (changes.contains(Property::isLoading) && viewModel.isLoading() && viewModel.clipboardItems().empty())
        detail_->showEmptyState();
}

void ClipboardPanelController::listItems() {
    auto& viewModel = dependencies_.viewModel;
    list_->setItems(viewModel.clipboardItems(), viewModel.canLoadMore(), !viewModel.isLoadMoreAction());
    if (!inFilterSuggestionMode() && viewModel.selectedItem()) {
        list_->selectItem(static_cast<int>(viewModel.selectedIndex()),
                          ClipboardResultListSelectionSource::programmatic);
        showSelectedInDetail();
    } else {
        detail_->showEmptyState();
    }
}

void ClipboardPanelController::itemDeleted(std::size_t index) {
    auto& viewModel = dependencies_.viewModel;
    list_->setItems(viewModel.clipboardItems(), viewModel.canLoadMore(), false);
    if (inFilterSuggestionMode()) return;
    list_->selectItem(static_cast<int>(index), ClipboardResultListSelectionSource::programmatic);
    if (viewModel.selectedItem())
        showSelectedInDetail();
    else
        detail_->showEmptyState();
}

void ClipboardPanelController::showSelectedInDetail() {
    if (const auto item = dependencies_.viewModel.selectedItem())
        detail_->showItem(*item, stableClipboardHighlightQuery_);
}

bool ClipboardPanelController::inFilterSuggestionMode() const {
    return list_->contentMode() == ClipboardResultListContentMode::filterSuggestions;
}

void ClipboardPanelController::refreshFooterStatus() {
    const ClipboardFooterUpdateState update =
        options_.updateState ? options_.updateState() : ClipboardFooterUpdateState{};
    panel_->footerStatusPresentation = session_.footerStatus(update);
    panel_->updateFooterStatus();
}

// ---- Showing and hiding ----

bool ClipboardPanelController::isPanelVisible() const {
    return panel_->isVisible();
}

namespace {

// A dialog the panel opened (its save dialog, an alert) and which still blocks it, if one is open.
QWidget* openDialogBlocking(QWidget* panelWindow) {
    if (!panelWindow) return nullptr;
    for (QWidget* child : panelWindow->findChildren<QWidget*>()) {
        if (child->isWindow() && child->isVisible() && child->isModal()) return child;
    }
    return nullptr;
}

}  // namespace

void ClipboardPanelController::showPanel() {
    const std::uint32_t userTime = options_.hotkeyTimestamp ? options_.hotkeyTimestamp() : 0;
    // The panel would only be blocked by it, its keys lost: bring the dialog forward to be finished first.
    if (QWidget* dialog = openDialogBlocking(panel_->window())) {
        dialog->raise();
        dialog->activateWindow();
        if (userTime != 0) requestX11ActivationForUserInput(std::uintptr_t(dialog->winId()), userTime);
        Logger::info("The panel's dialog is open: it comes forward instead of the panel", logCategory);
        return;
    }
    // The window to go back to: never one of ours.
    session_.begin(panel_->window() ? std::uint64_t(panel_->window()->winId()) : 0);
    stableClipboardHighlightQuery_.clear();
    dependencies_.viewModel.panelWillShow();
    list_->exitFilterSuggestionMode();

    panel_->createPanel(*list_, *detail_);
    panel_->searchField()->replaceText(QString());

    auto& gate = list_->hoverSelectionGate();
    const QPoint mouse = QCursor::pos();
    gate.isHoverSuppressedUntilPointerMoves = true;
    gate.pointerLocationWhenSuppressed = ClipboardPointerLocation{double(mouse.x()), double(mouse.y())};
    gate.pointerLocationForLastHoverSelection = gate.pointerLocationWhenSuppressed;

    // The page kept from before is on show in the first frame; the fresh one replaces it.
    listItems();
    refreshFooterStatus();
    panel_->showPanel(userTime);
    dependencies_.viewModel.loadClipboardItems(false);
}

void ClipboardPanelController::hidePanel() {
    clipboardHighlightRefresh_.cancel();
    stableClipboardHighlightQuery_.clear();
    session_.end();
    if (auto* field = panel_->searchField()) field->replaceText(QString());
    list_->exitFilterSuggestionMode();
    dependencies_.viewModel.panelDidHide();
    refreshFooterStatus();
    panel_->hidePanel();
}

// ---- Search and suggestions ----

void ClipboardPanelController::searchTextDidChange(const std::string& text) {
    scheduleClipboardHighlightRefresh();
    handleFilterSuggestionQuery(text);
}

void ClipboardPanelController::scheduleClipboardHighlightRefresh() {
    std::weak_ptr<char> alive = lifetime_;
    clipboardHighlightRefresh_ =
        dependencies_.mainQueue.postAfter(detailHighlightRefreshDelay, [this, alive] {
            if (alive.expired() || inFilterSuggestionMode()) return;
            stableClipboardHighlightQuery_ = session_.searchText();
            showSelectedInDetail();
        });
}

void ClipboardPanelController::handleFilterSuggestionQuery(const std::string& text) {
    if (session_.searchTextDidChange(text)) {
        setFilterSuggestionFooterMode(true);
        list_->setFilterSuggestions(session_.filterSuggestions());
        detail_->showEmptyState();
        return;
    }
    list_->exitFilterSuggestionMode();
    setFilterSuggestionFooterMode(false);
}

void ClipboardPanelController::setFilterSuggestionFooterMode(bool on) {
    if (panel_->isFilterSuggestionFooterMode == on) return;
    panel_->isFilterSuggestionFooterMode = on;
    panel_->updateFooterStatus();
}

// The session already searches `text`; the list and the field follow.
void ClipboardPanelController::leaveFilterSuggestionMode(const std::string& text) {
    setFilterSuggestionFooterMode(false);
    list_->exitFilterSuggestionMode();
    if (auto* field = panel_->searchField()) field->replaceText(QString::fromStdString(text));
}

void ClipboardPanelController::applyFilterSuggestion(const ClipboardFilterSuggestion& suggestion) {
    const auto text = session_.applyFilterSuggestion(suggestion);
    if (!text) return;
    leaveFilterSuggestionMode(*text);
    stableClipboardHighlightQuery_ = *text;
}

bool ClipboardPanelController::acceptSelectedFilterSuggestion() {
    if (!inFilterSuggestionMode()) return false;
    return list_->confirmSelectedFilterSuggestion().has_value();
}

bool ClipboardPanelController::cancelFilterSuggestion() {
    if (!inFilterSuggestionMode()) return false;
    const auto text = session_.cancelFilterSuggestion();
    if (!text) return false;
    leaveFilterSuggestionMode(*text);
    return true;
}

// ---- Selection and confirmation ----

void ClipboardPanelController::moveSelection(bool up) {
    auto& viewModel = dependencies_.viewModel;
    if (inFilterSuggestionMode()) {
        list_->moveFilterSuggestionSelection(up);
        return;
    }
    const auto count = viewModel.clipboardItems().size();
    if (!up && count > 0 && viewModel.selectedIndex() == count - 1 && viewModel.canLoadMore()) {
        viewModel.loadMore();
        return;
    }
    viewModel.moveSelection(up);
}

void ClipboardPanelController::confirmSelection() {
    confirm(false);
}

void ClipboardPanelController::confirmSelectionAsPlainText() {
    confirm(true);
}

void ClipboardPanelController::confirm(bool asPlainText) {
    if (!list_->confirmSuggestionOrShowMore()) pasteSelectedItem(std::nullopt, asPlainText);
}

void ClipboardPanelController::pasteSelectedItem(std::optional<ClipboardHistoryIndexSnapshot> entry,
                                                 bool asPlainText) {
    session_.confirm(std::move(entry), asPlainText);
}

// ---- Copying ----

void ClipboardPanelController::copyItem(const ClipboardHistoryIndexSnapshot& entry, bool asPlainText) {
    const bool shown = detail_->currentDisplayedItemId() == entry.id;
    session_.copy(entry, asPlainText, shown ? detail_->formattedPlainText() : std::nullopt);
}

void ClipboardPanelController::dragEnded(const ClipboardHistoryIndexSnapshot& entry, int dragOperation) {
    session_.dragEnded(entry, dragOperation != 0);
}

std::optional<std::string> ClipboardPanelController::selectedDetailText() {
    const QString selected = detail_->selectedText();
    if (selected.isEmpty()) return std::nullopt;
    return selected.toStdString();
}

bool ClipboardPanelController::selectAllDetailText() {
    return detail_->selectAllText();
}

// ---- Item actions ----

void ClipboardPanelController::showActionsMenuForSelectedItem() {
    if (inFilterSuggestionMode() || !list_->selectedItem()) return;
    list_->showContextMenuForSelectedItem();
}

void ClipboardPanelController::setItemActions(ClipboardItemActions* itemActions) {
    itemActions_->setActions(itemActions);
}

void ClipboardPanelController::openSelectedItemWithDefaultApp() {
    if (inFilterSuggestionMode()) return;
    if (const auto item = dependencies_.viewModel.selectedItem()) itemActions_->openWithDefaultApp(*item);
}

void ClipboardPanelController::saveSelectedItem() {
    if (inFilterSuggestionMode()) return;
    if (const auto item = dependencies_.viewModel.selectedItem()) itemActions_->save(*item);
}

void ClipboardPanelController::pinSelectedItem() {
    if (inFilterSuggestionMode()) return;
    if (const auto item = dependencies_.viewModel.selectedItem()) itemActions_->pin(*item);
}

void ClipboardPanelController::clipboardPanelDidResizeSplitView() {
    if (!resizeThrottler_)
        resizeThrottler_ =
            std::make_unique<Throttler>(resizeThrottleInterval, dependencies_.mainQueue, dependencies_.clock);
    std::weak_ptr<char> alive = lifetime_;
    resizeThrottler_->throttle([this, alive] {
        if (!alive.expired()) list_->viewport()->update();
    });
}

void ClipboardPanelController::openSettings() {
    if (options_.onOpenSettings) options_.onOpenSettings();
}

void ClipboardPanelController::checkForUpdates() {
    if (options_.checkForUpdates) options_.checkForUpdates();
}

}  // namespace quorvane
