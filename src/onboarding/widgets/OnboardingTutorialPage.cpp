#include "onboarding/widgets/OnboardingTutorialPage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "hotkeys/model/KeyCombo.h"
#include "l10n/AppLanguage.h"
#include "l10n/L10n.h"
#include "onboarding/widgets/LoopingIntroAnimationView.h"
#include "onboarding/widgets/OnboardingStyle.h"

namespace quorvane {

OnboardingTutorialPage::OnboardingTutorialPage(QWidget* parent) : QWidget(parent) {
    auto* layout = makeOnboardingStepLayout(this, L10nKey::onboardingWorkflowTitle,
                                            L10nKey::onboardingWorkflowDescription);
    auto* row = new QHBoxLayout;
    row->setSpacing(18);
    auto* tiles = new QVBoxLayout;
    tiles->setSpacing(12);
    const auto shortcut = KeyCombo::defaultClipboardHistory().displayString();
    struct Tile {
        const char* icon;
        QStyle::StandardPixmap fallback;
        QString title;
        QString description;
    };
    const Tile tileList[] = {
        {"edit-copy", QStyle::SP_FileIcon, onboardingText(L10nKey::onboardingCopyNormallyTitle),
         onboardingText(L10nKey::onboardingCopyNormallyDescription)},
        {"view-list-details", QStyle::SP_FileDialogListView,
         onboardingText(L10nKey::onboardingOpenHistoryTitle),
         QString::fromStdString(L10n::text(L10nKey::onboardingOpenHistoryDescription, shortcut))},
        {"edit-paste", QStyle::SP_ArrowForward, onboardingText(L10nKey::onboardingPickAndPasteTitle),
         onboardingText(L10nKey::onboardingPickAndPasteDescription)},
    };
    for (const auto& tile : tileList) {
        auto* tileLayout = new QHBoxLayout;
        tileLayout->setSpacing(10);
        tileLayout->addLayout(
            makeOnboardingTopAlignedColumn(makeOnboardingSymbol(tile.icon, tile.fallback, 26, tile.title)));
        auto* texts = new QVBoxLayout;
        texts->setSpacing(4);
        texts->addWidget(makeOnboardingLabel(tile.title, {.scale = 1.1, .weight = QFont::DemiBold}));
        texts->addWidget(
            makeOnboardingLabel(tile.description, {.scale = 0.95, .secondary = true, .wraps = true}));
        tileLayout->addLayout(texts, 1);
        auto* card = makeOnboardingCard(tileLayout, 14, 12);
        card->setFixedWidth(260);
        tiles->addWidget(card);
    }
    row->addLayout(tiles);
    row->addWidget(
        new LoopingIntroAnimationView(LoopingIntroAnimationView::resourceFor(AppLanguage::current()), this),
        1);
    layout->addLayout(row);
    layout->addStretch(1);
}

}  // namespace quorvane
