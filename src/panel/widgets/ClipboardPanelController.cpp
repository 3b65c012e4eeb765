#include "panel/widgets/ClipboardPanelController.h"

#include <unistd.h>

#include <QCursor>
#include <QPointer>
#include <QWidget>
#include <algorithm>

#include "base/Logger.h"
#include "base/Utf8.h"
#include "model/SearchTextNormalizer.h"
#include "panel/widgets/ClipboardAppIconProvider.h"
#include "panel/widgets/ClipboardDetailView.h"
#include "panel/widgets/ClipboardPanel.h"
#include "panel/widgets/ClipboardResultListView.h"
#include "panel/widgets/ClipboardSearchRowView.h"
#include "panel/widgets/ClipboardTextField.h"
#include "search/ClipboardSearchQueryParser.h"
#include "ui/KeyablePanel.h"

namespace quorvane {

namespace {

constexpr const char* logCategory = "ClipboardPanelController";

// The search field's cursor counts UTF-16 units.
std::ptrdiff_t utf16Length(const std::string& text) {
    return toUnicodeString(text).length();
}

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
      performer_(dependencies_.mainQueue, dependencies_.windowActivation, dependencies_.pasteShortcutPoster),
      pasteBack_(ClipboardPanelPasteBack::Dependencies{
          dependencies_.viewModel, performer_, dependencies_.windowActivation, dependencies_.userDefaults,
          dependencies_.accessibilityPermissionManager, options_.distributionChannel}) {
    list_->resize(250, 400);
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
    callbacks.onItemOpenLink = guarded([](ClipboardPanelController* self, const std::string& link) {
        if (self->itemActions_) self->itemActions_->openLink(link);
    });
    callbacks.onItemOpenWithDefaultApp =
        guarded([](ClipboardPanelController* self, const ClipboardHistoryIndexSnapshot& entry) {
            if (self->itemActions_) self->itemActions_->openWithDefaultApp(entry);
        });
    callbacks.onItemSaveToFile =
        guarded([](ClipboardPanelController* self, const ClipboardHistoryIndexSnapshot& entry) {
            if (self->itemActions_) self->itemActions_->saveToFile(entry);
        });
    callbacks.onItemPin =
        guarded([](ClipboardPanelController* self, const ClipboardHistoryIndexSnapshot& entry) {
            if (self->itemActions_) self->itemActions_->pin(entry);
        });
    callbacks.onItemOCR =
        guarded([](ClipboardPanelController* self, const ClipboardHistoryIndexSnapshot& entry) {
            if (self->itemActions_) self->itemActions_->recognizeText(entry);
        });
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
    if (changes.contains(Property::errorMessage)) {
        const auto& message = viewModel.errorMessage();
        if (!message) {
            footerErrorMessage_.reset();
        } else {
            auto hint = ClipboardFooterErrorMessage::accessibilityPermissionRequired();
            footerErrorMessage_ = *message == hint.text ? hint : ClipboardFooterErrorMessage{*message};
        }
    }
    refreshFooterStatus();

    if (changes.contains(Property::clipboardItems)) {
        autoCompleteManager_.updateAppSuggestions(viewModel.clipboardItems());
        list_->setItems(viewModel.clipboardItems(), viewModel.canLoadMore(), !viewModel.isLoadMoreAction());
        if (!viewModel.isLoading() && panel_->isVisible()) {
            const auto& items = viewModel.clipboardItems();
            Logger::info("Clipboard panel lists " + std::to_string(items.size()) + " entries" +
                             (items.empty() ? std::string() : " (first: " + items.front().id + ")"),
                         logCategory);
        }
        if (!inFilterSuggestionMode() && viewModel.selectedItem()) {
            list_->selectItem(static_cast<int>(viewModel.selectedIndex()),
                              ClipboardResultListSelectionSource::programmatic);
            showSelectedInDetail();
        } else {
            detail_->showEmptyState();
        }
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
    panel_->footerStatusPresentation = chooseFooterStatusPresentation(
        footerErrorMessage_, options_.distributionChannel, update, dependencies_.userDefaults);
    panel_->updateFooterStatus();
}

// ---- Showing and hiding ----

bool ClipboardPanelController::isPanelVisible() const {
    return panel_->isVisible();
}

void ClipboardPanelController::showPanel() {
    // The window to go back to: never one of ours.
    returnTarget_ = dependencies_.windowActivation.activeWindow();
    if (returnTarget_ && (returnTarget_->processIdentifier == std::int64_t{getpid()} ||
                          (panel_->window() && returnTarget_->window == panel_->window()->winId())))
        returnTarget_.reset();
    Logger::info(returnTarget_ ? "Clipboard panel opened over window " + std::to_string(returnTarget_->window)
                               : std::string("Clipboard panel opened with no window to return to"),
                 logCategory);

    clipboardSearchText_.clear();
    stableClipboardHighlightQuery_.clear();
    footerErrorMessage_.reset();
    activeFilterSuggestionContext_.reset();
    dependencies_.viewModel.reset();
    list_->exitFilterSuggestionMode();

    panel_->createPanel(*list_, *detail_);
    panel_->searchField()->replaceText(QString());

    auto& gate = list_->hoverSelectionGate();
    const QPoint mouse = QCursor::pos();
    gate.isHoverSuppressedUntilPointerMoves = true;
    gate.pointerLocationWhenSuppressed = ClipboardPointerLocation{double(mouse.x()), double(mouse.y())};
    gate.pointerLocationForLastHoverSelection = gate.pointerLocationWhenSuppressed;

    detail_->showEmptyState();
    refreshFooterStatus();
    panel_->showPanel(options_.hotkeyTimestamp ? options_.hotkeyTimestamp() : 0);
    dependencies_.viewModel.loadClipboardItems(false);
}

void ClipboardPanelController::hidePanel() {
    clipboardHighlightRefresh_.cancel();
    clipboardSearchText_.clear();
    stableClipboardHighlightQuery_.clear();
    footerErrorMessage_.reset();
    activeFilterSuggestionContext_.reset();
    returnTarget_.reset();
    if (auto* field = panel_->searchField()) field->replaceText(QString());
    list_->exitFilterSuggestionMode();
    dependencies_.viewModel.reset();
    refreshFooterStatus();
    panel_->hidePanel();
}

// ---- Search and suggestions ----

void ClipboardPanelController::searchTextDidChange(const std::string& text) {
    clipboardSearchText_ = text;
    scheduleClipboardHighlightRefresh();
    if (!handleFilterSuggestionQuery(text)) dependencies_.viewModel.setSearchText(text);
}

void ClipboardPanelController::scheduleClipboardHighlightRefresh() {
    std::weak_ptr<char> alive = lifetime_;
    clipboardHighlightRefresh_ =
        dependencies_.mainQueue.postAfter(detailHighlightRefreshDelay, [this, alive] {
            if (alive.expired() || inFilterSuggestionMode()) return;
            stableClipboardHighlightQuery_ = clipboardSearchText_;
            showSelectedInDetail();
        });
}

bool ClipboardPanelController::handleFilterSuggestionQuery(const std::string& text) {
    auto context = ClipboardSearchQueryParser::filterSuggestionContext(text, utf16Length(text));
    if (context) {
        const std::string prefix = context->prefix;
        activeFilterSuggestionContext_ = std::move(context);
        if (!panel_->isFilterSuggestionFooterMode) {
            panel_->isFilterSuggestionFooterMode = true;
            panel_->updateFooterStatus();
        }
        list_->setFilterSuggestions(
            ClipboardSearchQueryParser::filterSuggestions(prefix, dependencies_.userDefaults));
        detail_->showEmptyState();
        return true;
    }
    activeFilterSuggestionContext_.reset();
    list_->exitFilterSuggestionMode();
    leaveFilterSuggestionFooterMode();
    return false;
}

void ClipboardPanelController::leaveFilterSuggestionFooterMode() {
    if (!panel_->isFilterSuggestionFooterMode) return;
    panel_->isFilterSuggestionFooterMode = false;
    panel_->updateFooterStatus();
}

void ClipboardPanelController::applyFilterSuggestion(const ClipboardFilterSuggestion& suggestion) {
    if (!activeFilterSuggestionContext_) return;
    const std::string text = ClipboardSearchQueryParser::applySuggestion(
        suggestion, clipboardSearchText_, activeFilterSuggestionContext_->replacementRange);
    activeFilterSuggestionContext_.reset();
    leaveFilterSuggestionFooterMode();
    list_->exitFilterSuggestionMode();
    if (auto* field = panel_->searchField()) field->replaceText(QString::fromStdString(text));
    clipboardSearchText_ = text;
    stableClipboardHighlightQuery_ = text;
    dependencies_.viewModel.setSearchText(text);
}

bool ClipboardPanelController::acceptSelectedFilterSuggestion() {
    if (!inFilterSuggestionMode()) return false;
    return list_->confirmSelectedFilterSuggestion().has_value();
}

bool ClipboardPanelController::cancelFilterSuggestion() {
    if (!inFilterSuggestionMode() || !activeFilterSuggestionContext_) return false;
    icu::UnicodeString text = toUnicodeString(clipboardSearchText_);
    const auto range = activeFilterSuggestionContext_->replacementRange;
    const auto start = std::min<std::int32_t>(static_cast<std::int32_t>(range.location), text.length());
    const auto length =
        std::min<std::int32_t>(static_cast<std::int32_t>(range.length), text.length() - start);
    text.remove(start, length);
    const std::string normalized = SearchTextNormalizer::normalize(toUtf8(text));
    activeFilterSuggestionContext_.reset();
    leaveFilterSuggestionFooterMode();
    list_->exitFilterSuggestionMode();
    if (auto* field = panel_->searchField()) field->replaceText(QString::fromStdString(normalized));
    clipboardSearchText_ = normalized;
    dependencies_.viewModel.setSearchText(normalized);
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
    if (inFilterSuggestionMode()) {
        acceptSelectedFilterSuggestion();
        return;
    }
    const auto& state = list_->state();
    if (state.hasMoreItems() && state.selectedIndex() == static_cast<int>(state.items().size())) {
        list_->triggerAutoLoadMoreIfNeeded();
        return;
    }
    pasteSelectedItem(std::nullopt, asPlainText);
}

void ClipboardPanelController::pasteSelectedItem(std::optional<ClipboardHistoryIndexSnapshot> entry,
                                                 bool asPlainText) {
    std::weak_ptr<char> alive = lifetime_;
    pasteBack_.pasteSelectedItem(std::move(entry), asPlainText, returnTarget_, [this, alive] {
        if (!alive.expired()) hidePanel();
    });
}

// ---- Copying ----

void ClipboardPanelController::copyItem(const ClipboardHistoryIndexSnapshot& entry, bool asPlainText) {
    if (entry.contentType == ClipboardContentType::text && detail_->currentDisplayedItemId() == entry.id) {
        if (const auto formatted = detail_->formattedPlainText()) {
            // The formatted form is what the user sees: it is copied as shown, whatever was asked.
            if (dependencies_.pasteboard.writeText(*formatted, std::nullopt, std::nullopt)) {
                Logger::info("Copied formatted text to pasteboard for item: " + entry.id, logCategory);
                hidePanel();
            } else {
                Logger::error("Failed to copy formatted text to pasteboard for item: " + entry.id,
                              logCategory);
            }
            return;
        }
    }
    std::weak_ptr<char> alive = lifetime_;
    dependencies_.viewModel.copyEntry(entry, asPlainText, entry.id, [this, alive](bool succeeded) {
        if (succeeded && !alive.expired()) hidePanel();
    });
}

void ClipboardPanelController::dragEnded(const ClipboardHistoryIndexSnapshot& entry, int dragOperation) {
    if (dragOperation == 0) return;
    std::weak_ptr<char> alive = lifetime_;
    const std::string id = entry.id;
    dependencies_.viewModel.copyEntry(entry, false, id, [this, alive, id](bool succeeded) {
        if (succeeded || alive.expired()) return;
        // The entry was used even though the clipboard refused it.
        if (const auto& history = dependencies_.viewModel.clipboardHistoryManager()) history->recordUsage(id);
        dependencies_.viewModel.loadClipboardItems(false, id);
    });
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

void ClipboardPanelController::openSelectedItemWithDefaultApp() {
    if (inFilterSuggestionMode() || !itemActions_) return;
    if (const auto item = dependencies_.viewModel.selectedItem()) itemActions_->openWithDefaultApp(*item);
}

void ClipboardPanelController::saveSelectedItem() {
    if (inFilterSuggestionMode() || !itemActions_) return;
    if (const auto item = dependencies_.viewModel.selectedItem()) itemActions_->saveToFile(*item);
}

void ClipboardPanelController::pinSelectedItem() {
    if (inFilterSuggestionMode() || !itemActions_) return;
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
