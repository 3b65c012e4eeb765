#include "settings/widgets/ClassificationWindow.h"

#include <QAccessible>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QStackedLayout>
#include <QTabBar>
#include <QVBoxLayout>
#include <utility>

#include "l10n/L10n.h"
#include "settings/model/ClassificationSettingsViewModel.h"
#include "settings/widgets/ClassificationSystemTab.h"
#include "settings/widgets/ClassificationTestTab.h"
#include "settings/widgets/ClassificationUserRulesTab.h"
#include "settings/widgets/SettingsContentContainerView.h"
#include "ui/WheelPassThrough.h"

namespace quorvane {

ClassificationWindow::ClassificationWindow(std::unique_ptr<ClassificationSettingsViewModel> viewModel,
                                           AlertPresenter& alerts, QWidget* parent)
    : QWidget(parent), viewModel_(std::move(viewModel)), tabBar_(new QTabBar) {
    setWindowTitle(QString::fromStdString(L10n::text(L10nKey::classificationWindowTitle)));
    setObjectName(identifier);
    setMinimumSize(780, 560);
    placeOnScreen();

    systemTab_ = new ClassificationSystemTab(*viewModel_);
    userRulesTab_ = new ClassificationUserRulesTab(*viewModel_, alerts);
    testTab_ = new ClassificationTestTab(*viewModel_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 8, 0, 0);
    layout->setSpacing(0);
    tabBar_->setExpanding(false);
    tabBar_->setDrawBase(true);
    for (const auto key : {L10nKey::classificationTabSystem, L10nKey::classificationTabUserRules,
                           L10nKey::classificationTabTest}) {
        tabBar_->addTab(QString::fromStdString(L10n::text(key)));
    }
    layout->addWidget(tabBar_, 0, Qt::AlignHCenter);
    // The stacked layout hides the pages it does not show, and the container leaves hidden pages out of
    // the accessible tree.
    auto* pages = new SettingsContentContainerView;
    stack_ = new QStackedLayout(pages);
    stack_->addWidget(systemTab_);
    stack_->addWidget(userRulesTab_);
    stack_->addWidget(testTab_);
    layout->addWidget(pages, 1);
    connect(tabBar_, &QTabBar::currentChanged, this, [this, pages](int index) {
        if (index < 0 || index >= stack_->count()) return;
        stack_->setCurrentIndex(index);
        QAccessibleEvent reordered(pages, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&reordered);
    });
    WheelPassThrough::applyToChildren(this);
    selectTab(0);
}

ClassificationWindow::~ClassificationWindow() = default;

void ClassificationWindow::placeOnScreen(QSize decoration) {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) {
        resize(900, 720);
        placedAt_ = pos();
        return;
    }
    // On a small screen the window shrinks (to no less than its minimum) rather than reach past the edges.
    const QRect available = screen->availableGeometry();
    resize(QSize(900, 720).boundedTo(available.size() - decoration).expandedTo(minimumSize()));
    QRect frame(QPoint(), size() + decoration);
    frame.moveCenter(available.center());
    move(frame.topLeft());
    placedAt_ = pos();
}

void ClassificationWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The window frame is known once shown; centre again with it, unless a saved frame was restored.
    if (std::exchange(firstShown_, true) || pos() != placedAt_) return;
    const QSize decoration = frameGeometry().size() - size();
    if (!decoration.isNull()) placeOnScreen(decoration);
}

void ClassificationWindow::selectTab(int index) {
    if (index < 0 || index >= stack_->count()) return;
    tabBar_->setCurrentIndex(index);
    // Already current: no change signal, so the page is set here too.
    stack_->setCurrentIndex(index);
}

}  // namespace quorvane
