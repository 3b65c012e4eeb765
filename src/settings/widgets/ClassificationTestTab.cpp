#include "settings/widgets/ClassificationTestTab.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/model/ClassificationSettingsViewModel.h"
#include "settings/widgets/SettingsCard.h"

namespace quorvane {

namespace {

QLabel* mediumLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setWeight(QFont::Medium);
    label->setFont(font);
    return label;
}

}  // namespace

ClassificationTestTab::ClassificationTestTab(ClassificationSettingsViewModel& viewModel, QWidget* parent)
    : QWidget(parent),
      viewModel_(viewModel),
      input_(new QPlainTextEdit),
      detectButton_(new QPushButton(QStringLiteral("Detect"))),
      result_(new QPlainTextEdit) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(20, 20, 20, 20);
    auto* card = new SettingsCard(this);
    // The card and its two text views take the whole page: a larger window gives room to the sample and the
    // report.
    outer->addWidget(card, 1);
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(8);

    auto* description = new QLabel(
        QStringLiteral(
            "Paste or type sample text, then run detection to inspect the system classifications, user "
            "classifications, and primary classification."),
        card);
    description->setWordWrap(true);
    applySecondaryLabelStyle(description);
    layout->addWidget(description);
    layout->addSpacing(2);
    auto* inputLabel = mediumLabel(QStringLiteral("Test Input"), card);
    layout->addWidget(inputLabel);

    const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // A plain text editor: quotes and dashes stay as typed.
    input_->setParent(card);
    input_->setFont(mono);
    input_->setMinimumHeight(120);
    input_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // A sample needs no tab characters; Tab goes on to Detect.
    input_->setTabChangesFocus(true);
    nameAfterLabel(inputLabel, input_);
    layout->addWidget(input_, 3);
    layout->addSpacing(2);
    layout->addWidget(detectButton_, 0, Qt::AlignLeft);
    layout->addSpacing(2);
    auto* resultLabel = mediumLabel(QStringLiteral("Detection Result"), card);
    layout->addWidget(resultLabel);
    result_->setParent(card);
    result_->setTabChangesFocus(true);
    nameAfterLabel(resultLabel, result_);
    result_->setFont(mono);
    result_->setReadOnly(true);
    result_->setMinimumHeight(160);
    layout->addWidget(result_, 4);

    connect(detectButton_, &QPushButton::clicked, this, [this] { detect(); });
    result_->setPlainText(QString::fromStdString(viewModel_.detectionReport("")));
}

void ClassificationTestTab::detect() {
    result_->setPlainText(
        QString::fromStdString(viewModel_.detectionReport(input_->toPlainText().toStdString())));
}

}  // namespace quorvane
