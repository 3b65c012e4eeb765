#include "settings/widgets/ClassificationRuleEditorDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "l10n/L10n.h"
#include "settings/model/ClassificationRuleEditorModel.h"
#include "settings/widgets/SettingsCard.h"
#include "ui/WheelPassThrough.h"

namespace quorvane {

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
std::string utf8(const QString& text) {
    return text.toStdString();
}

QWidget* row(const QString& title, QWidget* control) {
    auto* widget = new QWidget;
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* label = new QLabel(title, widget);
    QFont font = label->font();
    font.setWeight(QFont::Medium);
    label->setFont(font);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFixedWidth(140);
    // The check box says its own text; the label names the others.
    if (control->accessibleName().isEmpty() && !qobject_cast<QCheckBox*>(control))
        nameAfterLabel(label, control);
    layout->addWidget(label);
    layout->addWidget(control, 1);
    widget->setMinimumHeight(28);
    return widget;
}

}  // namespace

ClassificationRuleEditorDialog::ClassificationRuleEditorDialog(
    const ClipboardUserClassificationRuleDraft& draft, bool isEditing, QWidget* parent)
    : QDialog(parent),
      nameField_(new QLineEdit),
      resultField_(new QLineEdit),
      kindPopup_(new QComboBox),
      valueField_(new QLineEdit),
      systemPopup_(new QComboBox),
      enabledCheckbox_(new QCheckBox(qs(L10n::text(L10nKey::ruleEditorRuleEnabled)))),
      descriptionLabel_(new QLabel),
      cancelButton_(new QPushButton(qs(L10n::text(L10nKey::ruleEditorCancel)))),
      commitButton_(
          new QPushButton(qs(L10n::text(isEditing ? L10nKey::ruleEditorSave : L10nKey::ruleEditorAdd)))) {
    const QString title =
        qs(L10n::text(isEditing ? L10nKey::ruleEditorEditTitle : L10nKey::ruleEditorAddTitle));
    setWindowTitle(title);
    setFixedWidth(500);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(4);
    auto* titleLabel = new QLabel(title, this);
    QFont titleFont = titleLabel->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    titleFont.setWeight(QFont::DemiBold);
    titleLabel->setFont(titleFont);
    layout->addWidget(titleLabel);
    auto* explanation = new QLabel(qs(L10n::text(L10nKey::ruleEditorDescription)), this);
    explanation->setWordWrap(true);
    applySecondaryLabelStyle(explanation);
    layout->addWidget(explanation);
    layout->addSpacing(12);

    nameField_->setPlaceholderText(qs(L10n::text(L10nKey::ruleEditorRuleNamePlaceholder)));
    resultField_->setPlaceholderText(qs(L10n::text(L10nKey::ruleEditorResultPlaceholder)));
    for (const auto& info : ClassificationRuleEditorModel::kinds()) {
        kindPopup_->addItem(qs(info.title), qs(rawValue(info.kind)));
    }
    for (const auto& definition : ClipboardSystemClassificationDefinition::all()) {
        systemPopup_->addItem(qs(definition.displayName), qs(rawValue(definition.id)));
    }
    descriptionLabel_->setWordWrap(true);
    applySecondaryLabelStyle(descriptionLabel_);
    descriptionLabel_->setContentsMargins(148, 0, 0, 0);
    QFont small = descriptionLabel_->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    descriptionLabel_->setFont(small);
    // The explanation takes the room of the longest one from the start, so a kind whose explanation wraps
    // moves no row below it.
    const int explanationWidth = 500 - 40 - descriptionLabel_->contentsMargins().left();
    int explanationHeight = 0;
    for (const auto& info : ClassificationRuleEditorModel::kinds()) {
        const QRect bounds = QFontMetrics(small).boundingRect(QRect(0, 0, explanationWidth, 10000),
                                                              Qt::TextWordWrap, qs(info.explanation));
        explanationHeight = std::max(explanationHeight, bounds.height());
    }
    descriptionLabel_->setMinimumHeight(explanationHeight);
    descriptionLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* form = new QVBoxLayout;
    form->setSpacing(10);
    form->addWidget(row(qs(L10n::text(L10nKey::ruleEditorRuleNameLabel)), nameField_));
    form->addWidget(row(qs(L10n::text(L10nKey::ruleEditorConditionLabel)), kindPopup_));
    valueRow_ = row(qs(L10n::text(L10nKey::ruleEditorValueLabel)), valueField_);
    systemRow_ = row(qs(L10n::text(L10nKey::ruleEditorClassificationLabel)), systemPopup_);
    form->addWidget(valueRow_);
    form->addWidget(systemRow_);
    form->addWidget(descriptionLabel_);
    form->addWidget(row(qs(L10n::text(L10nKey::ruleEditorResultLabel)), resultField_));
    form->addWidget(row(qs(L10n::text(L10nKey::ruleEditorStatusLabel)), enabledCheckbox_));
    layout->addLayout(form);
    layout->addSpacing(16);
    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setForegroundRole(QPalette::Mid);
    layout->addWidget(separator);
    layout->addSpacing(8);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->setSpacing(8);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(commitButton_);
    layout->addLayout(buttons);

    commitButton_->setDefault(true);
    commitButton_->setAutoDefault(true);
    cancelButton_->setAutoDefault(false);
    connect(kindPopup_, &QComboBox::currentIndexChanged, this, [this] { updateConditionControls(); });
    connect(commitButton_, &QPushButton::clicked, this, [this] {
        if (onCommit) onCommit(draftFromControls());
    });
    connect(cancelButton_, &QPushButton::clicked, this, [this] {
        if (onCancel) onCancel();
    });
    showDraft(draft);
    WheelPassThrough::applyToChildren(this);
}

void ClassificationRuleEditorDialog::reject() {
    // Escape and the close button are Cancel; the presenter decides when the sheet goes away.
    if (onCancel) onCancel();
}

void ClassificationRuleEditorDialog::showDraft(const ClipboardUserClassificationRuleDraft& draft) {
    const auto controls = ClassificationRuleEditorModel::controlsFor(draft);
    nameField_->setText(qs(controls.name));
    resultField_->setText(qs(controls.resultClassification));
    enabledCheckbox_->setChecked(controls.isEnabled);
    const int kindIndex = kindPopup_->findData(qs(controls.selectedKindRawValue.value_or("")));
    kindPopup_->setCurrentIndex(kindIndex < 0 ? 0 : kindIndex);
    systemPopup_->setCurrentIndex(static_cast<int>(controls.selectedSystemClassificationIndex.value_or(0)));
    valueField_->setText(qs(controls.conditionValue));
    updateConditionControls();
}

void ClassificationRuleEditorDialog::updateConditionControls() {
    const auto kind = ClassificationRuleEditorModel::kindOf(
        kindPopup_->currentIndex() < 0
            ? std::nullopt
            : std::optional<std::string>(utf8(kindPopup_->currentData().toString())));
    const auto& info = ClassificationRuleEditorModel::info(kind);
    valueField_->setPlaceholderText(qs(info.placeholder));
    const bool showsValue = ClassificationRuleEditorModel::showsValueRow(kind);
    valueRow_->setVisible(showsValue);
    systemRow_->setVisible(!showsValue);
    descriptionLabel_->setText(qs(info.explanation));
}

ClipboardUserClassificationRuleDraft ClassificationRuleEditorDialog::draftFromControls() const {
    ClassificationRuleEditorControls controls;
    controls.name = utf8(nameField_->text());
    controls.resultClassification = utf8(resultField_->text());
    if (kindPopup_->currentIndex() >= 0)
        controls.selectedKindRawValue = utf8(kindPopup_->currentData().toString());
    controls.conditionValue = utf8(valueField_->text());
    if (systemPopup_->currentIndex() >= 0) {
        controls.selectedSystemClassificationIndex = static_cast<std::size_t>(systemPopup_->currentIndex());
    }
    controls.isEnabled = enabledCheckbox_->isChecked();
    return ClassificationRuleEditorModel::draftFrom(controls);
}

}  // namespace quorvane
