#include "settings/widgets/SettingsWindowController.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "l10n/AppLanguage.h"
#include "l10n/L10n.h"
#include "settings/model/SettingsModuleNotifications.h"
#include "settings/widgets/SettingsContentContainerView.h"
#include "settings/widgets/SettingsToolbar.h"
#include "ui/WheelPassThrough.h"

namespace quorvane {

namespace {

QStringList tabTitles() {
    QStringList titles;
    for (const auto module : allSettingsModuleIdentifiers) titles << QString::fromStdString(title(module));
    return titles;
}

QString settingsWindowTitle() {
    return QString::fromStdString(L10n::text(L10nKey::settingsWindowTitle));
}

}  // namespace

SettingsWindowController::SettingsWindowController(SettingsWindowServices& services,
                                                   SettingsPageFactories factories,
                                                   SettingsModuleIdentifier initialModule, QWidget* parent)
    : QWidget(parent),
      services_(services),
      factories_(std::move(factories)),
      toolbar_(new SettingsToolbar(tabTitles(), this)),
      contentContainer_(new SettingsContentContainerView(this)),
      contentLayout_(new QVBoxLayout(contentContainer_)) {
    setWindowTitle(settingsWindowTitle());
    setObjectName(identifier);
    setMinimumSize(minimumContentWidth, minimumContentHeight);
    resize(760, 520);
    // A click on empty space takes the focus out of a field, which ends its editing.
    contentContainer_->setFocusPolicy(Qt::ClickFocus);
    contentLayout_->setContentsMargins(0, 0, 0, 0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar_);
    layout->addWidget(contentContainer_, 1);
    connect(toolbar_, &SettingsToolbar::tabSelected, this, [this](int index) { selectModule(index); });

    buildModules();
    selectedModuleIndex_ = static_cast<int>(indexOf(initialModule));
    selectModule(selectedModuleIndex_);
    // Delivered on a later turn of the main queue, never inside the control that stored the language.
    QPointer<SettingsWindowController> self(this);
    languageDidChangeObservation_ =
        services_.notificationCenter.addObserver(AppLanguage::didChangeNotification, [self] {
            if (self) self->applyLanguageChange();
        });
}

SettingsWindowController::~SettingsWindowController() {
    languageDidChangeObservation_.reset();
    for (QPointer<QWidget>& page : pages_) delete page.data();
    pages_.clear();
}

void SettingsWindowController::buildModules() {
    for (QPointer<QWidget>& page : pages_) {
        if (!page) continue;
        contentLayout_->removeWidget(page);
        page->hide();
        page->deleteLater();
    }
    pages_.clear();
    for (const auto module : allSettingsModuleIdentifiers) {
        QWidget* page = factories_.makePage(module, services_);
        page->setParent(contentContainer_);
        // Scrolling a page never turns a pop-up that passes under the pointer.
        WheelPassThrough::applyToChildren(page);
        page->hide();
        pages_.emplace_back(page);
    }
}

QWidget* SettingsWindowController::page(SettingsModuleIdentifier module) const {
    const std::size_t index = indexOf(module);
    return index < pages_.size() ? pages_[index].data() : nullptr;
}

QWidget* SettingsWindowController::currentPage() const {
    return selectedModuleIndex_ >= 0 && selectedModuleIndex_ < static_cast<int>(pages_.size())
               ? pages_[selectedModuleIndex_].data()
               : nullptr;
}

void SettingsWindowController::selectModule(int index) {
    if (index < 0 || index >= static_cast<int>(pages_.size())) return;
    if (index != selectedModuleIndex_) notifyCurrentModuleHidden();
    selectedModuleIndex_ = index;
    if (index < toolbar_->tabTitles().size()) toolbar_->setSelectedIndex(index);
    // Hiding the focused control would pass the focus along the chain, often to a toolbar button that
    // then keeps a focus frame; the container holds it instead, as in a freshly shown window. A keyboard
    // user who chose the tab itself keeps the focus on it.
    QWidget* focused = focusWidget();
    const bool onOtherTab =
        focused && toolbar_->isAncestorOf(focused) && focused != toolbar_->buttonGroup()->button(index);
    if (onOtherTab || (focused && focused != contentContainer_ && contentContainer_->isAncestorOf(focused)))
        contentContainer_->setFocus(Qt::OtherFocusReason);
    for (int other = 0; other < static_cast<int>(pages_.size()); ++other) {
        QWidget* page = pages_[other];
        if (!page || other == index) continue;
        contentLayout_->removeWidget(page);
        page->hide();
    }
    if (QWidget* page = pages_[index]) {
        contentLayout_->addWidget(page);
        page->show();
    }
    contentLayout_->activate();
    QAccessibleEvent reordered(contentContainer_, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&reordered);
    refreshCurrentModule();
    emit moduleSelected(selectedModule());
}

void SettingsWindowController::selectModule(SettingsModuleIdentifier module) {
    selectModule(static_cast<int>(indexOf(module)));
}

void SettingsWindowController::notifyCurrentModuleHidden() {
    if (auto* aware = dynamic_cast<SettingsModuleVisibilityAware*>(currentPage()))
        aware->settingsModuleDidHide();
}

void SettingsWindowController::refreshCurrentModule() {
    if (auto* refreshable = dynamic_cast<SettingsModuleRefreshable*>(currentPage())) refreshable->refresh();
}

void SettingsWindowController::applyLanguageChange() {
    setWindowTitle(settingsWindowTitle());
    toolbar_->setTabTitles(tabTitles());
    buildModules();
    // The index is unchanged, so the released page is not told it was hidden.
    selectModule(selectedModuleIndex_);
}

void SettingsWindowController::requestFocusReset() {
    if (isActiveWindow()) {
        shouldResetFocusWhenActivated_ = false;
        QTimer::singleShot(0, this, [this] { resetFocus(); });
    } else {
        shouldResetFocusWhenActivated_ = true;
    }
}

void SettingsWindowController::resetFocus() {
    if (focusWidget() != contentContainer_) contentContainer_->setFocus(Qt::OtherFocusReason);
}

void SettingsWindowController::closeEvent(QCloseEvent* event) {
    notifyCurrentModuleHidden();
    QWidget::closeEvent(event);
}

bool SettingsWindowController::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        refreshCurrentModule();
        if (shouldResetFocusWhenActivated_) {
            shouldResetFocusWhenActivated_ = false;
            QTimer::singleShot(0, this, [this] { resetFocus(); });
        }
    }
    return QWidget::event(event);
}

}  // namespace quorvane
