#include "onboarding/widgets/OnboardingWelcomePage.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "l10n/AppLanguage.h"
#include "l10n/L10n.h"
#include "onboarding/widgets/OnboardingNoteLabel.h"
#include "onboarding/widgets/OnboardingStyle.h"

namespace quorvane {

OnboardingWelcomePage::OnboardingWelcomePage(UserDefaults& defaults, NotificationCenter& notifications,
                                             const std::string& appName, QWidget* parent)
    : QWidget(parent), defaults_(defaults), notifications_(notifications) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addStretch(1);
    auto* stack = new QVBoxLayout;
    stack->setSpacing(18);
    QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull()) appIcon = QIcon::fromTheme("edit-paste");
    if (appIcon.isNull()) appIcon = QApplication::style()->standardIcon(QStyle::SP_FileDialogContentsView);
    auto* icon = new QLabel(this);
    icon->setPixmap(appIcon.pixmap(104, 104));
    icon->setAlignment(Qt::AlignCenter);
    stack->addWidget(icon, 0, Qt::AlignHCenter);
    auto* title =
        makeOnboardingLabel(QString::fromStdString(L10n::text(L10nKey::onboardingWelcomeToApp, appName)),
                            {.scale = 2.4, .weight = QFont::Bold}, this);
    title->setAlignment(Qt::AlignCenter);
    stack->addWidget(title, 0, Qt::AlignHCenter);
    auto* subtitle = makeOnboardingLabel(onboardingText(L10nKey::onboardingWelcomeDescription),
                                         {.scale = 1.3, .secondary = true, .wraps = true}, this);
    subtitle->setAlignment(Qt::AlignCenter);
    subtitle->setFixedWidth(560);
    // An aligned item gets its size hint, which a wrapped label computes for another width: give it the
    // height its lines need at this width, or the second line is cut.
    subtitle->setMinimumHeight(subtitle->heightForWidth(560));
    stack->addWidget(subtitle, 0, Qt::AlignHCenter);

    auto* languageBox = new QHBoxLayout;
    languageBox->setSpacing(10);
    languageBox->addWidget(makeOnboardingLabel(onboardingText(L10nKey::onboardingLanguageLabel),
                                               {.weight = QFont::Medium, .secondary = true}, this));
    auto* popup = new QComboBox(this);
    popup->setObjectName("appLanguagePopup");
    popup->addItem(QStringLiteral("English"), QStringLiteral("en"));
    popup->addItem(QString::fromUtf8("简体中文"), QStringLiteral("zh-Hans"));
    popup->setFixedWidth(140);
    popup->setCurrentIndex(AppLanguage::stored(defaults_) == AppLanguage::simplifiedChinese ? 1 : 0);
    // Every input path (click, keys, a screen reader) sends the change signal; the wheel does not reach an
    // unfocused pop-up.
    connect(popup, &QComboBox::currentIndexChanged, this,
            [this, popup](int index) { chooseLanguage(popup->itemData(index).toString()); });
    languageBox->addWidget(popup);
    stack->addWidget(makeOnboardingCard(languageBox, 14, 10), 0, Qt::AlignHCenter);
    auto* note = new OnboardingNoteLabel(onboardingText(L10nKey::onboardingStoredLocally));
    note->setFixedWidth(560);
    stack->addWidget(note, 0, Qt::AlignHCenter);
    outer->addLayout(stack);
    outer->addStretch(1);
}

void OnboardingWelcomePage::chooseLanguage(const QString& rawValue) {
    const auto language = AppLanguage::fromRawValue(rawValue.toStdString());
    if (!language) return;
    AppLanguage::set(*language, defaults_, notifications_);
    emit languageChosen();
}

}  // namespace quorvane
