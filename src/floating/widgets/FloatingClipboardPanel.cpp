#include "floating/widgets/FloatingClipboardPanel.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "floating/model/FloatingPanelFooterLayout.h"
#include "l10n/L10n.h"
#include "platform/KeyPositions.h"
#include "ui/KeyGlyphText.h"
#include "ui/SearchFocusKeeper.h"
#include "ui/UiColors.h"

namespace quorvane {

namespace {

constexpr int kMargin = 12;

QString qText(L10nKey key) {
    return QString::fromStdString(L10n::text(key));
}

// Keys whose meaning does not depend on the layout map by their Qt key; letters by their position.
std::optional<std::uint16_t> keyCodeOf(const QKeyEvent& event) {
    using Map = FloatingPanelKeyMap;
    switch (event.key()) {
        case Qt::Key_Escape:
            return Map::keyEscape;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return Map::keyTab;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return Map::keyReturn;
        case Qt::Key_Up:
            return Map::keyUp;
        case Qt::Key_Down:
            return Map::keyDown;
        case Qt::Key_Backspace:
            return Map::keyDelete;
        default:
            break;
    }
    if (event.nativeScanCode() != 0 && QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (const auto position = KeyPositions::ofXKeycode(event.nativeScanCode())) return position->keyCode;
    }
    const int key = event.key();
    std::optional<std::uint32_t> keysym;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) keysym = std::uint32_t(key - Qt::Key_A + 'a');
    if (key == Qt::Key_Comma) keysym = std::uint32_t(',');
    if (keysym) {
        if (const auto position = KeyPositions::ofUsKeysym(*keysym)) return position->keyCode;
    }
    return std::nullopt;
}

}  // namespace

FloatingClipboardPanel::FloatingClipboardPanel(const ClipboardSearchAutoCompleteManager& completions)
    : completions_(completions) {}

FloatingClipboardPanel::~FloatingClipboardPanel() {
    removeKeyMonitor();
    // The list belongs to the controller; take it out before the window goes.
    if (list_) list_->setParent(nullptr);
    delete panel_.data();
}

void FloatingClipboardPanel::build() {
    if (panel_) return;
    panel_ = new KeyablePanel;
    panel_->setWindowTitle(QStringLiteral("Quorvane"));
    panel_->resize(panelWidth, panelHeight);
    rootView_ = new FloatingClipboardPanelRootView(panel_);
    rootView_->setGeometry(0, 0, panelWidth, panelHeight);
    auto* surface = rootView_->listSurfaceView();
    surface->setGeometry(0, 0, panelWidth, panelHeight);

    auto* column = new QVBoxLayout(surface);
    column->setContentsMargins(kMargin, kMargin, kMargin, 8);
    column->setSpacing(8);
    searchField_ = new ClipboardTextField(completions_, surface);
    searchField_->retranslate();
    searchField_->setFrame(false);
    // The field sits on the panel's surface, not in a box of its own.
    QPalette fieldPalette = searchField_->palette();
    fieldPalette.setColor(QPalette::Base, Qt::transparent);
    searchField_->setPalette(fieldPalette);
    QFont searchFont = searchField_->font();
    searchFont.setPointSizeF(15);
    searchField_->setFont(searchFont);
    searchField_->setMinimumHeight(30);
    QPointer<FloatingClipboardPanel> self(this);
    searchField_->onSearchRequested = [self](const QString& text) {
        if (self && self->delegate) self->delegate->searchTextDidChange(text.toStdString());
    };
    column->addWidget(searchField_);
    new SearchFocusKeeper(*panel_, *searchField_, panel_);

    listHolder_ = new QWidget(surface);
    auto* holderLayout = new QVBoxLayout(listHolder_);
    holderLayout->setContentsMargins(0, 0, 0, 0);
    column->addWidget(listHolder_, 1);
    emptyLabel_ = new QLabel(surface);
    emptyLabel_->setAlignment(Qt::AlignCenter);
    emptyLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    emptyLabel_->hide();

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(4, 0, 0, 0);
    footer->setSpacing(6);
    statusLabel_ = new QLabel(surface);
    statusLabel_->setTextFormat(Qt::PlainText);
    // A message longer than the room beside the tips wraps instead of being cut off.
    statusLabel_->setWordWrap(true);
    statusLabel_->setMinimumWidth(0);
    statusLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QFont small = statusLabel_->font();
    small.setPointSizeF(11);
    statusLabel_->setFont(small);
    statusLabel_->hide();
    primaryTip_ = new ClipboardFooterTipButton(surface);
    secondaryTip_ = new ClipboardFooterTipButton(surface);
    footer->addWidget(statusLabel_, 1);
    footer->addStretch(0);
    footer->addWidget(primaryTip_);
    footer->addWidget(secondaryTip_);
    column->addLayout(footer);
    connect(primaryTip_, &QAbstractButton::clicked, this, [this] { primaryTipClicked(); });
    connect(secondaryTip_, &QAbstractButton::clicked, this, [this] { secondaryTipClicked(); });

    connect(panel_, &KeyablePanel::didResignKey, this, [self] {
        if (self && self->delegate && self->isVisible()) self->delegate->hidePanel();
    });
    if (list_) listHolder_->layout()->addWidget(list_);
    refreshFooter();
}

void FloatingClipboardPanel::attachResultList(ClipboardResultListView* list) {
    build();
    if (list_ == list) return;
    list_ = list;
    listHolder_->layout()->addWidget(list);
    list->show();
}

void FloatingClipboardPanel::show(ScreenPoint origin) {
    build();
    if (!panel_) return;
    searchField_->retranslate();
    refreshFooter();
    panel_->setGeometry(int(origin.x), int(origin.y), panelWidth, panelHeight);
    rootView_->setGeometry(0, 0, panelWidth, panelHeight);
    rootView_->listSurfaceView()->setGeometry(0, 0, panelWidth, panelHeight);
    rootView_->updateMask();
    panel_->present(userTime ? userTime() : 0);
    searchField_->setFocus(Qt::ActiveWindowFocusReason);
    layoutEmptyLabel();
    installKeyMonitor();
}

void FloatingClipboardPanel::hide() {
    if (!panel_) return;
    panel_->hide();
    rootView_->listSurfaceView()->setGeometry(0, 0, panelWidth, panelHeight);
    removeKeyMonitor();
    searchField_->replaceText(QString());
    if (isFilterSuggestionFooterMode_) {
        isFilterSuggestionFooterMode_ = false;
        refreshFooter();
    }
}

bool FloatingClipboardPanel::isVisible() const {
    return panel_ && panel_->isVisible();
}

void FloatingClipboardPanel::setSearchText(const std::string& text) {
    build();
    searchField_->replaceText(QString::fromStdString(text));
}

void FloatingClipboardPanel::setFilterSuggestionFooterMode(bool on) {
    if (isFilterSuggestionFooterMode_ == on) return;
    isFilterSuggestionFooterMode_ = on;
    refreshFooter();
}

void FloatingClipboardPanel::updateEmptyState(const std::string& message, bool isListEmpty) {
    build();
    emptyLabel_->setText(QString::fromStdString(message));
    emptyLabel_->setVisible(isListEmpty);
    layoutEmptyLabel();
}

void FloatingClipboardPanel::layoutEmptyLabel() {
    if (!emptyLabel_ || !listHolder_) return;
    emptyLabel_->setGeometry(listHolder_->geometry());
    QPalette palette = emptyLabel_->palette();
    palette.setColor(QPalette::WindowText, UiColors::secondaryLabel(rootView_->palette()));
    emptyLabel_->setPalette(palette);
    emptyLabel_->raise();
}

void FloatingClipboardPanel::updateFooterStatus(
    std::optional<ClipboardFooterStatusPresentation> presentation) {
    statusPresentation_ = std::move(presentation);
    refreshFooter();
}

void FloatingClipboardPanel::refreshFooter() {
    if (!panel_) return;
    using Layout = FloatingPanelFooterLayout;
    const Layout layout = Layout::make(statusPresentation_, isFilterSuggestionFooterMode_);
    statusLabel_->setText(QString::fromStdString(layout.statusText));
    statusLabel_->setToolTip(QString::fromStdString(layout.statusToolTip));
    statusLabel_->setVisible(layout.showsStatus);
    QPalette statusPalette = statusLabel_->palette();
    statusPalette.setColor(QPalette::WindowText, UiColors::secondaryLabel(rootView_->palette()));
    statusLabel_->setPalette(statusPalette);

    primaryTip_->setVisible(layout.primary != Layout::Primary::hidden);
    primaryTip_->setSymbol(UiSymbol::returnKey);
    if (layout.primary == Layout::Primary::applyFilterTip) {
        primaryTip_->setText(qText(L10nKey::panelApplyFilterTip));
        primaryTip_->setAccessibleName(qText(L10nKey::panelApplyFilterImageDescription));
        primaryTip_->setAccessibleDescription(qText(L10nKey::panelApplyFilterImageDescription));
    } else {
        primaryTip_->setText(qText(L10nKey::panelCopyAndReturnTip));
        // "&" would read as a mnemonic and drop out of the spoken title.
        primaryTip_->setAccessibleName(qText(L10nKey::panelCopyAndReturnImageDescription));
        primaryTip_->setAccessibleDescription(qText(L10nKey::panelCopyAndReturnImageDescription));
    }
    secondaryTip_->setToolTip(QString());
    secondaryTip_->imageVerticalOffset = 0;
    switch (layout.secondary) {
        case Layout::Secondary::hidden:
            secondaryTip_->hide();
            break;
        case Layout::Secondary::action:
            secondaryTip_->setSymbol(std::nullopt);
            secondaryTip_->setKeyText(QString());
            secondaryTip_->setText(QString::fromStdString(layout.actionTitle));
            secondaryTip_->setTint(UiColors::systemBlue(rootView_->palette()));
            secondaryTip_->show();
            break;
        case Layout::Secondary::cancelFilterTip:
            secondaryTip_->setSymbol(std::nullopt);
            secondaryTip_->setKeyText(QString());
            secondaryTip_->setText(qText(L10nKey::panelEscCancelTip));
            secondaryTip_->setTint(std::nullopt);
            secondaryTip_->show();
            break;
        case Layout::Secondary::openActionsTip:
            secondaryTip_->setSymbol(std::nullopt);
            secondaryTip_->setKeyText(KeyGlyphText::commandCombination(QStringLiteral("K")));
            secondaryTip_->setText(qText(L10nKey::panelOpenActionsTip));
            secondaryTip_->setTint(std::nullopt);
            secondaryTip_->show();
            break;
    }
    secondaryTip_->updateGeometry();
    secondaryTip_->update();
}

void FloatingClipboardPanel::primaryTipClicked() {
    if (!delegate) return;
    if (isFilterSuggestionFooterMode_) {
        delegate->acceptSelectedFilterSuggestion();
    } else {
        delegate->confirmSelection();
    }
}

void FloatingClipboardPanel::secondaryTipClicked() {
    if (!delegate) return;
    const auto layout = FloatingPanelFooterLayout::make(statusPresentation_, isFilterSuggestionFooterMode_);
    if (layout.secondary == FloatingPanelFooterLayout::Secondary::action) {
        if (!statusPresentation_ || !statusPresentation_->action) return;
        const auto kind = statusPresentation_->action->kind;
        delegate->hidePanel();
        if (delegate) delegate->performFooterAction(kind);
    } else if (isFilterSuggestionFooterMode_) {
        delegate->cancelFilterSuggestion();
    } else {
        delegate->showActionsMenuForSelectedItem();
    }
}

void FloatingClipboardPanel::installKeyMonitor() {
    removeKeyMonitor();
    qApp->installEventFilter(this);
    monitorInstalled_ = true;
}

void FloatingClipboardPanel::removeKeyMonitor() {
    if (!monitorInstalled_) return;
    qApp->removeEventFilter(this);
    monitorInstalled_ = false;
}

bool FloatingClipboardPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == listHolder_) layoutEmptyLabel();
    if (event->type() != QEvent::KeyPress || !panel_) return QObject::eventFilter(watched, event);
    // Only keys meant for this window: a pin window or dialog of ours keeps its own keys.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != panel_.data()) return QObject::eventFilter(watched, event);
    // Qt delivers a key to the focus widget and then to its parents; decide once, at the first receiver.
    if (widget != QApplication::focusWidget() && QApplication::focusWidget() &&
        QApplication::focusWidget()->window() == panel_.data()) {
        return QObject::eventFilter(watched, event);
    }
    return handleKeyDown(static_cast<const QKeyEvent&>(*event));
}

FloatingPanelKeyPress FloatingClipboardPanel::keyPressOf(const QKeyEvent& event,
                                                         const ClipboardTextField* field) {
    FloatingPanelKeyPress press;
    press.keyCode = keyCodeOf(event).value_or(0xFFFF);
    const auto modifiers = event.modifiers();
    press.command = modifiers & Qt::ControlModifier;
    press.control = modifiers & Qt::MetaModifier;
    press.shift = modifiers & Qt::ShiftModifier;
    press.option = modifiers & Qt::AltModifier;
    press.isAutoRepeat = event.isAutoRepeat();
    press.isComposing = field && field->isComposing();
    press.fieldIsEditing = field && field->hasFocus();
    press.fieldHasSelection = field && field->hasSelectedText();
    return press;
}

bool FloatingClipboardPanel::handleKeyDown(const QKeyEvent& event) {
    using Command = FloatingPanelKeyCommand;
    const Command command = FloatingPanelKeyMap::command(keyPressOf(event, searchField_));
    QPointer<FloatingClipboardPanel> self(this);
    FloatingClipboardPanelDelegate* d = delegate;
    switch (command) {
        case Command::passOn:
            return false;
        case Command::ignore:
            return true;
        case Command::cancelFilterOrHide:
            if (d && !d->cancelFilterSuggestion() && self && delegate) delegate->hidePanel();
            return true;
        case Command::acceptFilterOrCompletion:
            if (d && d->acceptSelectedFilterSuggestion()) return true;
            if (self && !searchField_->ghostSuffix().isEmpty()) searchField_->acceptGhost();
            return true;
        case Command::pasteIntoSearchField:
            pasteIntoSearchField();
            return true;
        case Command::selectAllInSearchField:
            QTimer::singleShot(0, this, [self] {
                if (self && self->searchField_->hasFocus()) self->searchField_->selectAll();
            });
            return true;
        case Command::copySearchFieldSelection:
            QGuiApplication::clipboard()->setText(searchField_->selectedText());
            return true;
        default:
            break;
    }
    if (!d) return true;
    switch (command) {
        case Command::copySelection:
            d->copySelection();
            break;
        case Command::moveUp:
            d->moveSelection(true);
            break;
        case Command::moveDown:
            d->moveSelection(false);
            break;
        case Command::confirm:
            d->confirmSelection();
            break;
        case Command::confirmAsPlainText:
            d->confirmSelectionAsPlainText();
            break;
        case Command::save:
            d->saveSelectedItem();
            break;
        case Command::toggleFormatting:
            d->toggleFormattingForSelectedItem();
            break;
        case Command::hide:
            d->hidePanel();
            break;
        case Command::openWithDefaultApp:
            d->openSelectedItemWithDefaultApp();
            break;
        case Command::pin:
            d->pinSelectedItem();
            break;
        case Command::showActionsMenu:
            d->showActionsMenuForSelectedItem();
            break;
        case Command::openSettings:
            d->openSettings();
            break;
        case Command::deleteItem:
            d->deleteSelectedItem();
            break;
        case Command::togglePinnedPreview:
            d->togglePinnedPreview();
            break;
        default:
            break;
    }
    return true;
}

void FloatingClipboardPanel::pasteIntoSearchField() {
    const QString pasted = QGuiApplication::clipboard()->text();
    if (pasted.isEmpty()) return;
    QString text = searchField_->text();
    int start = searchField_->cursorPosition();
    int length = 0;
    if (searchField_->hasSelectedText()) {
        start = searchField_->selectionStart();
        length = int(searchField_->selectedText().size());
    }
    text.replace(start, length, pasted);
    searchField_->replaceText(text);
    // Positions count UTF-16 units, so an emoji moves the caret by two.
    searchField_->setCursorPosition(start + int(pasted.size()));
    if (delegate) delegate->searchTextDidChange(text.toStdString());
}

}  // namespace quorvane
