#include "settings/widgets/ClassificationWindow.h"

#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include "l10n/L10n.h"
#include "settings/model/ClassificationSettingsViewModel.h"
#include "settings/widgets/ClassificationSystemTab.h"
#include "settings/widgets/ClassificationTestTab.h"
#include "settings/widgets/ClassificationUserRulesTab.h"

namespace quorvane {

ClassificationWindow::ClassificationWindow(std::unique_ptr<ClassificationSettingsViewModel> viewModel,
                                           AlertPresenter& alerts, QWidget* parent)
    : QWidget(parent), viewModel_(std::move(viewModel)), tabBar_(new QTabBar), stack_(new QStackedWidget) {
    setWindowTitle(QString::fromStdString(L10n::text(L10nKey::classificationWindowTitle)));
    setObjectName(identifier);
    setMinimumSize(780, 560);
    resize(900, 720);

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
    stack_->addWidget(systemTab_);
    stack_->addWidget(userRulesTab_);
    stack_->addWidget(testTab_);
    layout->addWidget(stack_, 1);
    connect(tabBar_, &QTabBar::tabBarClicked, this, [this](int index) { selectTab(index); });
    selectTab(0);
}

ClassificationWindow::~ClassificationWindow() = default;

void ClassificationWindow::selectTab(int index) {
    if (index < 0 || index >= stack_->count()) return;
    tabBar_->setCurrentIndex(index);
    stack_->setCurrentIndex(index);
}

}  // namespace quorvane
