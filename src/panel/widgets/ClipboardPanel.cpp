#include "panel/widgets/ClipboardPanel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "l10n/L10n.h"
#include "panel/model/ClipboardPanelPlacement.h"
#include "panel/model/ClipboardPanelViewModel.h"
#include "panel/widgets/ClipboardDetailView.h"
#include "panel/widgets/ClipboardFooterTipButton.h"
#include "panel/widgets/ClipboardPanelDelegate.h"
#include "panel/widgets/ClipboardResultListView.h"
#include "panel/widgets/ClipboardSearchRowView.h"
#include "panel/widgets/ClipboardTextField.h"
#include "panel/widgets/CustomSplitView.h"
#include "panel/widgets/DraggableBackgroundView.h"
#include "platform/KeyPositions.h"
#include "ui/KeyGlyphText.h"
#include "ui/KeyablePanel.h"
#include "ui/SearchFocusKeeper.h"
#include "ui/UiColors.h"

namespace quorvane {

namespace {

QString text(L10nKey key) {
    return QString::fromStdString(L10n::text(key));
}

// The stored key code of a key press: by key position where the platform reports one (so shortcuts work in
// any layout), else by the key Qt names (synthesised events).
std::optional<std::uint16_t> storedKeyCode(const QKeyEvent& event) {
    if (event.nativeScanCode() != 0) {
        if (const auto position = KeyPositions::ofXKeycode(event.nativeScanCode())) return position->keyCode;
    }
    std::uint32_t keysym = 0;
    switch (event.key()) {
        case Qt::Key_Escape:
            keysym = 0xff1b;
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            keysym = 0xff09;
            break;
        case Qt::Key_Return:
            keysym = 0xff0d;
            break;
        case Qt::Key_Backspace:
            keysym = 0xff08;
            break;
        case Qt::Key_Up:
            keysym = 0xff52;
            break;
        case Qt::Key_Down:
            keysym = 0xff54;
            break;
        case Qt::Key_Comma:
            keysym = 0x2c;
            break;
        default:
            if (event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z)
                keysym = static_cast<std::uint32_t>('a' + (event.key() - Qt::Key_A));
    }
    if (keysym == 0) return std::nullopt;
    if (const auto position = KeyPositions::ofUsKeysym(keysym)) return position->keyCode;
    return std::nullopt;
}

}  // namespace

ClipboardPanel::ClipboardPanel(Dependencies dependencies, QObject* parent)
    : QObject(parent), dependencies_(dependencies) {}

ClipboardPanel::~ClipboardPanel() {
    removeKeyMonitor();
    listContainerCache_.clear();
    // The list and detail views belong to the controller: take them out before the window goes.
    if (splitView_) {
        for (int i = splitView_->count() - 1; i >= 0; --i) {
            QWidget* pane = splitView_->widget(i);
            for (QObject* child : pane->children()) {
                if (auto* list = qobject_cast<ClipboardResultListView*>(child)) list->setParent(nullptr);
            }
            if (qobject_cast<ClipboardDetailView*>(pane)) pane->setParent(nullptr);
        }
    }
    delete window_.data();
}

bool ClipboardPanel::isVisible() const {
    return window_ && window_->isVisible();
}

ClipboardTextField* ClipboardPanel::searchField() const {
    return searchRow_ ? searchRow_->searchField() : nullptr;
}

QWidget* ClipboardPanel::separator(QWidget* parent) {
    auto* holder = new QWidget(parent);
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(8, 0, 8, 0);
    auto* line = new QWidget(holder);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, UiColors::separator(parent->palette()));
    line->setPalette(palette);
    layout->addWidget(line);
    holder->setFixedHeight(1);
    return holder;
}

void ClipboardPanel::makeWindow() {
    if (window_) return;
    const auto screen = ClipboardPanelPlacement::chooseScreen(dependencies_.screens);
    QScreen* qscreen =
        QGuiApplication::screenAt(QPoint(static_cast<int>(dependencies_.screens.mouseLocation().x),
                                         static_cast<int>(dependencies_.screens.mouseLocation().y)));
    const double ratio = screen && qscreen ? qscreen->devicePixelRatio() : 1.0;
    const ScreenSize size = ClipboardPanelPlacement::panelSize(ratio);

    window_ = new KeyablePanel();
    window_->setObjectName("ClipboardPanel");
    window_->setFixedSize(static_cast<int>(std::lround(size.width)),
                          static_cast<int>(std::lround(size.height)));
    connect(window_, &KeyablePanel::didResignKey, this, [this] {
        if (delegate) delegate->hidePanel();
    });

    auto* rootLayout = new QVBoxLayout(window_);
    rootLayout->setContentsMargins(0, 0, 0, 0);
    background_ = new DraggableBackgroundView(window_);
    rootLayout->addWidget(background_);
    QPointer<ClipboardPanel> self(this);
    background_->onPositionChanged = [self] {
        if (self) self->savePosition();
    };

    auto* column = new QVBoxLayout(background_);
    column->setContentsMargins(0, 4, 0, 0);
    column->setSpacing(0);

    searchRow_ = new ClipboardSearchRowView(dependencies_.autoCompleteManager, dependencies_.userDefaults,
                                            background_);
    const int fieldHeight = searchRow_->searchField()->sizeHint().height();
    searchRow_->setFixedHeight(std::max(fieldHeight + 12, 34));
    searchRow_->onSearchRequested = [self](const QString& query) {
        if (self && self->delegate) self->delegate->searchTextDidChange(query.toStdString());
    };
    column->addWidget(searchRow_);
    new SearchFocusKeeper(*window_, *searchRow_->searchField(), window_);
    column->addSpacing(2);
    topSeparatorLine_ = separator(background_);
    column->addWidget(topSeparatorLine_);

    // Stands in for the split view until the first embed.
    makeSplitView();
    column->addWidget(splitView_, 1);

    separatorLine_ = separator(background_);
    column->addWidget(separatorLine_);

    auto* footer = new QWidget(background_);
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(14, 0, 10, 0);
    footerLayout->setSpacing(0);
    // The status line's room stays taken while it is hidden, so the tips keep to the right.
    auto* statusArea = new QWidget(footer);
    auto* statusLayout = new QHBoxLayout(statusArea);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    statusLabel_ = new QLabel(statusArea);
    statusLabel_->setObjectName("footerStatus");
    statusLayout->addWidget(statusLabel_);
    QFont statusFont = statusLabel_->font();
    statusFont.setPointSizeF(9);
    statusLabel_->setFont(statusFont);
    QPalette statusPalette = statusLabel_->palette();
    statusPalette.setColor(QPalette::WindowText, UiColors::systemRed(statusPalette));
    statusLabel_->setPalette(statusPalette);
    statusLabel_->setTextFormat(Qt::PlainText);
    // A message longer than the room beside the tips wraps onto a second line instead of being cut off.
    statusLabel_->setWordWrap(true);
    statusLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusLabel_->hide();
    footerLayout->addWidget(statusArea, 1);
    footerLayout->addSpacing(12);
    primaryTipButton_ = new ClipboardFooterTipButton(footer);
    secondaryTipButton_ = new ClipboardFooterTipButton(footer);
    secondaryTipButton_->imageVerticalOffset = 0;
    footerLayout->addWidget(primaryTipButton_);
    footerLayout->addSpacing(6);
    footerLayout->addWidget(secondaryTipButton_);
    const int footerHeight =
        std::max({primaryTipButton_->sizeHint().height(), secondaryTipButton_->sizeHint().height(),
                  statusLabel_->sizeHint().height()}) +
        12;
    footer->setMinimumHeight(std::max(footerHeight, 34));
    connect(primaryTipButton_, &QAbstractButton::clicked, this, [this] { primaryTipClicked(); });
    connect(secondaryTipButton_, &QAbstractButton::clicked, this, [this] { secondaryTipClicked(); });
    column->addWidget(footer);

    updateFooterStatus();
}

void ClipboardPanel::makeSplitView() {
    splitView_ = new CustomSplitView(background_);
    splitView_->setObjectName(splitViewAutosaveName);
    splitView_->setContentsMargins(8, 0, 8, 0);
    customDivider_ = new QWidget(background_);
    customDivider_->setFixedWidth(1);
    customDivider_->setAutoFillBackground(true);
    // The line only shows where the handle is: a press on it reaches the handle, never the background,
    // which would move the window.
    customDivider_->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette palette = customDivider_->palette();
    palette.setColor(QPalette::Window, UiColors::separator(background_->palette()));
    customDivider_->setPalette(palette);
    if (const auto stored = dependencies_.userDefaults.object(splitViewAutosaveName)) {
        if (const auto width = stored->numberValue(); width && std::isfinite(*width) && *width > 0)
            lastKnownDividerPosition_ = *width;
    }
    connect(splitView_, &QSplitter::splitterMoved, this, [this] {
        syncDividerLine();
        if (lastKnownDividerPosition_)
            dependencies_.userDefaults.set(splitViewAutosaveName, DefaultsValue(*lastKnownDividerPosition_));
        if (delegate) delegate->clipboardPanelDidResizeSplitView();
    });
}

void ClipboardPanel::createPanel(ClipboardResultListView& list, ClipboardDetailView& detail) {
    makeWindow();
    embed(list, detail);
}

void ClipboardPanel::embed(ClipboardResultListView& list, ClipboardDetailView& detail) {
    if (!splitView_) return;
    if (splitView_->count() >= 2 && splitView_->sizes().front() > 0)
        lastKnownDividerPosition_ = splitView_->sizes().front();

    QPointer<QWidget>& container = listContainerCache_[&list];
    if (!container) {
        container = new QWidget();
        auto* layout = new QHBoxLayout(container);
        layout->setContentsMargins(0, 0, 6, 0);
        layout->addWidget(&list);
        list.setFrameShape(QFrame::NoFrame);
        container->setMinimumWidth(minimumListWidth);
    }
    if (splitView_->count() >= 2 && splitView_->widget(0) == container && splitView_->widget(1) == &detail) {
        syncDividerLine();
        return;
    }
    while (splitView_->count() > 0) {
        QWidget* pane = splitView_->widget(0);
        pane->hide();
        pane->setParent(nullptr);
    }
    detail.setMinimumWidth(minimumDetailWidth);
    splitView_->addWidget(container);
    splitView_->addWidget(&detail);
    container->show();
    detail.show();
    splitView_->setStretchFactor(0, 0);
    splitView_->setStretchFactor(1, 1);
    window_->layout()->activate();
    background_->layout()->activate();

    const int width = splitView_->width() - splitView_->handleWidth();
    if (lastKnownDividerPosition_ && *lastKnownDividerPosition_ > 0) {
        const double upper = std::max<double>(width - minimumDetailWidth, minimumListWidth);
        placeDivider(static_cast<int>(
            std::min(std::max(*lastKnownDividerPosition_, double(minimumListWidth)), upper)));
    } else if (splitView_->sizes().front() < 10) {
        placeDivider(180);
    }
    syncDividerLine();
}

void ClipboardPanel::placeDivider(int position) {
    const int width = splitView_->width() - splitView_->handleWidth();
    splitView_->setSizes({position, std::max(width - position, 0)});
    lastKnownDividerPosition_ = position;
}

void ClipboardPanel::syncDividerLine() {
    if (!splitView_ || !customDivider_ || splitView_->count() < 2) return;
    const int first = splitView_->sizes().front();
    if (first <= 0) return;
    lastKnownDividerPosition_ = first;
    const QRect area = splitView_->geometry();
    customDivider_->setGeometry(
        area.x() + splitView_->contentsMargins().left() + first + splitView_->handleWidth() / 2, area.y(), 1,
        area.height());
    customDivider_->raise();
}

void ClipboardPanel::showPanel(std::uint32_t userTime) {
    makeWindow();
    if (!window_) return;
    searchRow_->retranslate();
    updateFooterStatus();

    if (const auto screen = ClipboardPanelPlacement::chooseScreen(dependencies_.screens)) {
        const ScreenSize size{double(window_->width()), double(window_->height())};
        const auto saved = ClipboardPanelPlacement::savedPosition(dependencies_.userDefaults);
        const ScreenPoint origin =
            saved ? ClipboardPanelPlacement::restoredOrigin(*saved, size, screen->visibleFrame)
                  : ClipboardPanelPlacement::centredOrigin(size, screen->visibleFrame);
        window_->move(static_cast<int>(std::lround(origin.x)), static_cast<int>(std::lround(origin.y)));
    }
    window_->present(userTime);
    syncDividerLine();
    searchField()->setFocus(Qt::ActiveWindowFocusReason);
    installKeyMonitor();
}

void ClipboardPanel::hidePanel() {
    savePosition();
    if (window_) window_->hide();
    removeKeyMonitor();
    if (auto* field = searchField()) field->replaceText(QString());
    if (isFilterSuggestionFooterMode) {
        isFilterSuggestionFooterMode = false;
        updateFooterStatus();
    }
}

void ClipboardPanel::savePosition() {
    if (!window_ || !window_->isVisible()) return;
    const QPoint origin = window_->pos();
    ClipboardPanelPlacement::savePosition(dependencies_.userDefaults,
                                          {double(origin.x()), double(origin.y())});
}

void ClipboardPanel::installKeyMonitor() {
    removeKeyMonitor();
    qApp->installEventFilter(this);
    keyMonitorInstalled_ = true;
}

void ClipboardPanel::removeKeyMonitor() {
    if (!keyMonitorInstalled_) return;
    qApp->removeEventFilter(this);
    keyMonitorInstalled_ = false;
}

bool ClipboardPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !window_) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    // A key press travels up from the focus widget to its parents: decide once, at its first receiver.
    if (!widget || widget->window() != window_.data()) return false;
    if (widget != QApplication::focusWidget() &&
        !(QApplication::focusWidget() == nullptr && widget == window_))
        return false;
    return handleKeyDown(static_cast<const QKeyEvent&>(*event));
}

bool ClipboardPanel::handleKeyDown(const QKeyEvent& event) {
    const auto code = storedKeyCode(event);
    if (!code) return false;
    ClipboardPanelKeyPress press;
    press.keyCode = *code;
    press.command = event.modifiers().testFlag(Qt::ControlModifier);
    press.control = event.modifiers().testFlag(Qt::MetaModifier);
    press.isAutoRepeat = event.isAutoRepeat();
    return ClipboardPanelKeyMap::handleKeyDown(press, *this);
}

void ClipboardPanel::updateFooterStatus() {
    if (!statusLabel_) return;
    const auto& p = footerStatusPresentation;
    statusLabel_->setText(p ? QString::fromStdString(p->message) : QString());
    statusLabel_->setVisible(p.has_value());
    statusLabel_->setToolTip(p ? QString::fromStdString(p->toolTip.empty() ? p->message : p->toolTip)
                               : QString());

    enum class Mode { tip, action, bare };
    Mode mode = Mode::bare;
    if (!p || p->trailingAccessory == ClipboardFooterStatusPresentation::TrailingAccessory::tip)
        mode = Mode::tip;
    else if (p->trailingAccessory == ClipboardFooterStatusPresentation::TrailingAccessory::action &&
             p->action)
        mode = Mode::action;

    primaryTipButton_->setVisible(mode == Mode::tip);
    secondaryTipButton_->setToolTip(QString());
    if (mode == Mode::action) {
        secondaryTipButton_->show();
        secondaryTipButton_->setSymbol(std::nullopt);
        secondaryTipButton_->setKeyText(QString());
        secondaryTipButton_->setText(QString::fromStdString(p->action->title));
        secondaryTipButton_->setTint(UiColors::systemBlue(secondaryTipButton_->palette()));
    } else if (mode == Mode::bare) {
        secondaryTipButton_->hide();
    } else {
        primaryTipButton_->setSymbol(UiSymbol::returnKey);
        primaryTipButton_->setText(text(isFilterSuggestionFooterMode ? L10nKey::panelApplyFilterTip
                                                                     : L10nKey::panelCopyAndReturnTip));
        primaryTipButton_->setAccessibleName(text(isFilterSuggestionFooterMode
                                                      ? L10nKey::panelApplyFilterImageDescription
                                                      : L10nKey::panelCopyAndReturnImageDescription));
        secondaryTipButton_->show();
        secondaryTipButton_->imageVerticalOffset = 0;
        secondaryTipButton_->setTint(std::nullopt);
        secondaryTipButton_->setSymbol(std::nullopt);
        if (isFilterSuggestionFooterMode) {
            secondaryTipButton_->setKeyText(QString());
            secondaryTipButton_->setText(text(L10nKey::panelEscCancelTip));
        } else {
            secondaryTipButton_->setKeyText(KeyGlyphText::commandCombination(QStringLiteral("K")));
            secondaryTipButton_->setText(text(L10nKey::panelOpenActionsTip));
        }
        secondaryTipButton_->update();
    }
    primaryTipButton_->updateGeometry();
    secondaryTipButton_->updateGeometry();
}

void ClipboardPanel::primaryTipClicked() {
    if (!delegate) return;
    if (isFilterSuggestionFooterMode)
        delegate->acceptSelectedFilterSuggestion();
    else
        delegate->confirmSelection();
}

void ClipboardPanel::secondaryTipClicked() {
    if (!delegate) return;
    const auto& p = footerStatusPresentation;
    if (p && p->trailingAccessory == ClipboardFooterStatusPresentation::TrailingAccessory::action) {
        if (!p->action) return;
        delegate->hidePanel();
        if (p->action->kind == ClipboardFooterStatusPresentation::Action::Kind::checkForUpdates)
            delegate->checkForUpdates();
        return;
    }
    if (isFilterSuggestionFooterMode)
        delegate->cancelFilterSuggestion();
    else
        delegate->showActionsMenuForSelectedItem();
}

// ---- Key target ----

bool ClipboardPanel::isSearchFieldEditing() const {
    return searchField() && searchField()->hasFocus();
}

bool ClipboardPanel::searchFieldHasSelection() const {
    return searchField() && searchField()->hasSelectedText();
}

bool ClipboardPanel::searchFieldHasMarkedText() const {
    return searchField() && searchField()->isComposing();
}

bool ClipboardPanel::hasGhostSuffix() const {
    return searchField() && !searchField()->ghostSuffix().isEmpty();
}

bool ClipboardPanel::showsFilterSuggestions() const {
    return delegate && delegate->clipboardResultListView().contentMode() ==
                           ClipboardResultListContentMode::filterSuggestions;
}

bool ClipboardPanel::cancelFilterSuggestion() {
    return delegate && delegate->cancelFilterSuggestion();
}

bool ClipboardPanel::acceptSelectedFilterSuggestion() {
    return delegate && delegate->acceptSelectedFilterSuggestion();
}

void ClipboardPanel::acceptGhost() {
    if (auto* field = searchField()) field->acceptGhost();
}

void ClipboardPanel::selectAllSearchTextLater() {
    QPointer<ClipboardTextField> field = searchField();
    QTimer::singleShot(0, this, [field] {
        if (field) field->selectAll();
    });
}

bool ClipboardPanel::selectAllDetailText() {
    return delegate && delegate->selectAllDetailText();
}

std::optional<std::string> ClipboardPanel::selectedSearchText() const {
    if (!searchField() || !searchField()->hasSelectedText()) return std::nullopt;
    return searchField()->selectedText().toStdString();
}

std::optional<std::string> ClipboardPanel::selectedDetailText() const {
    return delegate ? delegate->selectedDetailText() : std::nullopt;
}

void ClipboardPanel::copyPlainText(const std::string& copied) {
    if (!dependencies_.pasteboard.writeText(copied, std::nullopt, std::nullopt))
        qWarning("Failed to put the selected text on the clipboard");
}

void ClipboardPanel::copySelectedItem() {
    if (!delegate) return;
    if (const auto item = delegate->viewModel().selectedItem()) delegate->copyItem(*item, false);
}

void ClipboardPanel::pasteIntoSearchField() {
    auto* field = searchField();
    const auto pasted = dependencies_.pasteboard.string();
    if (!field || !pasted) return;
    const QString insert = QString::fromStdString(*pasted);
    QString current = field->text();
    int start = field->hasSelectedText() ? field->selectionStart() : field->cursorPosition();
    const int length = field->hasSelectedText() ? int(field->selectedText().size()) : 0;
    current.replace(start, length, insert);
    field->replaceText(current);
    field->setCursorPosition(start + int(insert.size()));
    if (delegate) delegate->searchTextDidChange(current.toStdString());
}

void ClipboardPanel::moveFilterSuggestionSelection(bool up) {
    if (delegate) delegate->clipboardResultListView().moveFilterSuggestionSelection(up);
}

void ClipboardPanel::moveViewModelSelection(bool up) {
    if (delegate) delegate->viewModel().moveSelection(up);
}

void ClipboardPanel::moveSelection(bool up) {
    if (delegate) delegate->moveSelection(up);
}

void ClipboardPanel::confirmSelection() {
    if (delegate) delegate->confirmSelection();
}

void ClipboardPanel::confirmSelectionAsPlainText() {
    if (delegate) delegate->confirmSelectionAsPlainText();
}

void ClipboardPanel::saveSelectedItem() {
    if (delegate) delegate->saveSelectedItem();
}

void ClipboardPanel::toggleDetailFormat() {
    if (delegate) delegate->clipboardDetailView().formatButtonTapped();
}

void ClipboardPanel::dismissPanel() {
    if (delegate) delegate->hidePanel();
}

void ClipboardPanel::openSelectedItemWithDefaultApp() {
    if (delegate) delegate->openSelectedItemWithDefaultApp();
}

void ClipboardPanel::pinSelectedItem() {
    if (delegate) delegate->pinSelectedItem();
}

void ClipboardPanel::showActionsMenuForSelectedItem() {
    if (delegate) delegate->showActionsMenuForSelectedItem();
}

void ClipboardPanel::openSettings() {
    if (delegate) delegate->openSettings();
}

void ClipboardPanel::deleteSelectedItem() {
    if (delegate) delegate->clipboardResultListView().deleteSelectedItem();
}

}  // namespace quorvane
