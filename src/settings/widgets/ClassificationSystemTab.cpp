#include "settings/widgets/ClassificationSystemTab.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "l10n/L10n.h"
#include "settings/model/ClassificationSettingsViewModel.h"
#include "settings/widgets/SettingsCard.h"

namespace quorvane {

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* secondaryLabel(const QString& text, int pointSize, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSize(pointSize);
    label->setFont(font);
    QPalette palette = label->palette();
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.6);
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

constexpr char kMainTypeSuffix[] = "main-type";

// Shows what the model stored without storing it again.
void showChecked(QCheckBox* box, bool checked) {
    const QSignalBlocker block(box);
    box->setChecked(checked);
}

}  // namespace

ClassificationSystemTab::ClassificationSystemTab(ClassificationSettingsViewModel& viewModel, QWidget* parent)
    : QWidget(parent), viewModel_(viewModel) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(scroll);
    auto* content = new QWidget(scroll);
    content->setAutoFillBackground(false);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);

    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(12);
    layout->addWidget(secondaryLabel(qs(L10n::text(L10nKey::classificationSystemDescription)), 9, content));

    std::vector<std::pair<QCheckBox*, QString>> mainRows;
    for (const auto& item : viewModel_.mainContentTypeItems()) {
        auto* box = new QCheckBox(qs(item.definition.displayName));
        box->setObjectName(QStringLiteral("main-type-") + qs(rawValue(item.definition.id)));
        box->setChecked(item.isEnabled);
        const auto type = item.definition.id;
        // toggled, not clicked: Space and a screen reader's toggle change the box too.
        connect(box, &QCheckBox::toggled, this,
                [this, box, type](bool on) { showChecked(box, viewModel_.setMainContentType(type, on)); });
        mainTypeCheckboxes_[type] = box;
        mainRows.emplace_back(box, qs(item.definition.summary));
    }
    layout->addWidget(makeCard(QStringLiteral("MAIN TYPE"), kMainTypeSuffix, mainRows));

    for (const auto& [group, items] : viewModel_.systemClassificationGroups()) {
        std::vector<std::pair<QCheckBox*, QString>> rows;
        for (const auto& item : items) {
            auto* box = new QCheckBox(qs(item.definition.displayName));
            box->setObjectName(qs(rawValue(item.definition.id)));
            box->setChecked(item.isEnabled);
            const auto classification = item.definition.id;
            connect(box, &QCheckBox::toggled, this, [this, box, classification](bool on) {
                showChecked(box, viewModel_.setSystemClassification(classification, on));
            });
            checkboxes_[classification] = box;
            rows.emplace_back(box, qs(item.definition.summary));
        }
        const QString title = group == ClipboardSystemClassificationGroup::general
                                  ? QStringLiteral("GENERAL")
                                  : QStringLiteral("DEVELOPER");
        layout->addWidget(makeCard(title, qs(rawValue(group)), rows));
    }
    layout->addStretch(1);
}

QWidget* ClassificationSystemTab::makeCard(const QString& title, const QString& buttonSuffix,
                                           const std::vector<std::pair<QCheckBox*, QString>>& rows) {
    auto* card = new SettingsCard;
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(8);

    auto* header = new QHBoxLayout;
    auto* titleLabel = secondaryLabel(title, 8, card);
    QFont font = titleLabel->font();
    font.setWeight(QFont::DemiBold);
    titleLabel->setFont(font);
    titleLabel->setWordWrap(false);
    header->addWidget(titleLabel);
    header->addStretch(1);
    auto* selectAllButton = new QPushButton(qs(L10n::text(L10nKey::classificationSelectAll)), card);
    selectAllButton->setObjectName(QStringLiteral("select-all-") + buttonSuffix);
    auto* invertButton = new QPushButton(qs(L10n::text(L10nKey::classificationInvertSelection)), card);
    invertButton->setObjectName(QStringLiteral("invert-") + buttonSuffix);
    for (auto* button : {selectAllButton, invertButton}) {
        QFont small = button->font();
        small.setPointSize(8);
        button->setFont(small);
        header->addWidget(button);
    }
    connect(selectAllButton, &QPushButton::clicked, this, [this, buttonSuffix] { selectAll(buttonSuffix); });
    connect(invertButton, &QPushButton::clicked, this, [this, buttonSuffix] { invert(buttonSuffix); });
    layout->addLayout(header);

    auto* separator = new QFrame(card);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Plain);
    separator->setForegroundRole(QPalette::Mid);
    layout->addWidget(separator);

    for (const auto& [box, summary] : rows) {
        box->setParent(card);
        QFont boxFont = box->font();
        boxFont.setWeight(QFont::Medium);
        box->setFont(boxFont);
        layout->addWidget(box);
        auto* summaryLabel = secondaryLabel(summary, 8, card);
        summaryLabel->setContentsMargins(22, 0, 0, 4);
        layout->addWidget(summaryLabel);
    }
    return card;
}

void ClassificationSystemTab::selectAll(const QString& suffix) {
    if (suffix == kMainTypeSuffix) {
        for (const auto type : kAllMainContentTypes) {
            const bool on = viewModel_.setMainContentType(type, true);
            if (auto* box = checkbox(type)) showChecked(box, on);
        }
        return;
    }
    for (const auto& definition : ClipboardSystemClassificationDefinition::all()) {
        if (qs(rawValue(definition.group)) != suffix) continue;
        const bool on = viewModel_.setSystemClassification(definition.id, true);
        if (auto* box = checkbox(definition.id)) showChecked(box, on);
    }
}

void ClassificationSystemTab::invert(const QString& suffix) {
    // Each checkbox's own state decides, not the stored set.
    if (suffix == kMainTypeSuffix) {
        for (const auto type : kAllMainContentTypes) {
            if (auto* box = checkbox(type))
                showChecked(box, viewModel_.setMainContentType(type, !box->isChecked()));
        }
        return;
    }
    for (const auto& definition : ClipboardSystemClassificationDefinition::all()) {
        if (qs(rawValue(definition.group)) != suffix) continue;
        if (auto* box = checkbox(definition.id)) {
            showChecked(box, viewModel_.setSystemClassification(definition.id, !box->isChecked()));
        }
    }
}

QCheckBox* ClassificationSystemTab::checkbox(ClipboardSystemClassification classification) const {
    const auto found = checkboxes_.find(classification);
    return found == checkboxes_.end() ? nullptr : found->second;
}

QCheckBox* ClassificationSystemTab::checkbox(ClipboardMainContentType type) const {
    const auto found = mainTypeCheckboxes_.find(type);
    return found == mainTypeCheckboxes_.end() ? nullptr : found->second;
}

}  // namespace quorvane
