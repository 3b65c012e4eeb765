#include "onboarding/widgets/OnboardingStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "l10n/L10n.h"
#include "settings/widgets/SettingsCard.h"

namespace quorvane {

QString onboardingText(L10nKey key) {
    return QString::fromStdString(L10n::text(key));
}

QLabel* makeOnboardingLabel(const QString& text, const OnboardingTextStyle& style, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * style.scale);
    font.setWeight(style.weight);
    label->setFont(font);
    label->setWordWrap(style.wraps);
    if (style.secondary) {
        QPalette palette = label->palette();
        QColor color = palette.color(QPalette::WindowText);
        color.setAlphaF(0.62);
        palette.setColor(QPalette::WindowText, color);
        label->setPalette(palette);
    }
    return label;
}

QVBoxLayout* makeOnboardingStepLayout(QWidget* page, L10nKey title, L10nKey description) {
    constexpr int descriptionWidth = 660;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    auto* header = new QWidget;
    auto* headerLayout = new QVBoxLayout(header);
    headerLayout->setContentsMargins(0, 0, 0, 0);
    headerLayout->setSpacing(8);
    headerLayout->addWidget(
        makeOnboardingLabel(onboardingText(title), {.scale = 2.0, .weight = QFont::Bold}, header));
    auto* sub = makeOnboardingLabel(onboardingText(description),
                                    {.scale = 1.15, .secondary = true, .wraps = true}, header);
    sub->setFixedWidth(descriptionWidth);
    sub->setMinimumHeight(sub->heightForWidth(descriptionWidth));
    headerLayout->addWidget(sub);
    layout->addWidget(header);
    return layout;
}

QLabel* makeOnboardingSymbol(const char* themeName, QStyle::StandardPixmap fallback, int size,
                             const QString& description) {
    auto* image = new QLabel;
    QIcon icon = QIcon::fromTheme(themeName);
    if (icon.isNull()) icon = QApplication::style()->standardIcon(fallback);
    image->setPixmap(icon.pixmap(size, size));
    image->setFixedSize(size, size);
    image->setAccessibleDescription(description);
    return image;
}

QVBoxLayout* makeOnboardingTopAlignedColumn(QWidget* widget) {
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(widget);
    column->addStretch(1);
    return column;
}

QCheckBox* makeOnboardingStoredCheckBox(L10nKey title, const char* objectName, bool checked,
                                        std::function<bool(bool)> store, QWidget* context) {
    auto* box = new QCheckBox(onboardingText(title));
    box->setObjectName(objectName);
    box->setChecked(checked);
    QObject::connect(box, &QCheckBox::toggled, context, [box, store = std::move(store)](bool on) {
        const bool stored = store(on);
        const QSignalBlocker block(box);
        box->setChecked(stored);
    });
    return box;
}

QWidget* makeOnboardingCard(QLayout* content, int horizontal, int vertical) {
    auto* card = new SettingsCard;
    content->setContentsMargins(horizontal, vertical, horizontal, vertical);
    card->setLayout(content);
    return card;
}

}  // namespace quorvane
