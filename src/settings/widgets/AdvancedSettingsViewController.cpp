#include "settings/widgets/AdvancedSettingsViewController.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "l10n/L10n.h"
#include "settings/widgets/SettingsCard.h"
#include "settings/widgets/SettingsStyle.h"
#include "ui/UiColors.h"

namespace quorvane {

namespace {

QString text(L10nKey key) {
    return QString::fromStdString(L10n::text(key));
}

QString qs(std::string_view view) {
    return QString::fromUtf8(view.data(), static_cast<int>(view.size()));
}

// A label and, 8 px after it, a 180 px popup.
QComboBox* addPopupRow(QVBoxLayout* rows, QLabel* label, QWidget* parent) {
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    // A common label width lines the popups of a card up.
    label->setMinimumWidth(std::max(label->sizeHint().width(), 130));
    row->addWidget(label);
    auto* popup = new QComboBox(parent);
    popup->setFixedWidth(180);
    row->addWidget(popup);
    row->addStretch(1);
    rows->addLayout(row);
    return popup;
}

void selectData(QComboBox* popup, std::string_view value) {
    const int index = popup->findData(qs(value));
    if (index >= 0) popup->setCurrentIndex(index);
}

QColor toneColor(AccessibilityStatusTone tone, const QPalette& palette) {
    const bool dark = UiColors::isDark(palette);
    switch (tone) {
        case AccessibilityStatusTone::positive:
            return dark ? QColor(48, 209, 88) : QColor(36, 138, 61);
        case AccessibilityStatusTone::negative:
            return UiColors::systemRed(palette);
        case AccessibilityStatusTone::caution:
            return dark ? QColor(255, 159, 10) : QColor(201, 52, 0);
        case AccessibilityStatusTone::neutral:
            return UiColors::secondaryLabel(palette);
    }
    return UiColors::secondaryLabel(palette);
}

}  // namespace

AdvancedSettingsViewController::AdvancedSettingsViewController(
    std::unique_ptr<AdvancedSettingsViewModel> viewModel, QWidget* parent)
    : QWidget(parent), viewModel_(std::move(viewModel)) {
    setObjectName("advanced");
    buildLayout();
    connectActions();
    viewModelChanges_ = viewModel_->observeChanges([this] { reload(); });
    if (viewModel_->isDirectChannel()) {
        // The user may have granted the permission in the desktop's settings meanwhile.
        connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive) reload();
        });
    }
    reload();
    viewModel_->loadSearchIndexStats();
}

AdvancedSettingsViewController::~AdvancedSettingsViewController() {
    viewModelChanges_.reset();
}

void AdvancedSettingsViewController::buildLayout() {
    AdvancedSettingsViewModel& model = *viewModel_;
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scrollArea_ = scroll;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    outer->addWidget(scroll);
    auto* content = new QWidget;
    content_ = content;
    content->setFocusPolicy(Qt::ClickFocus);
    scroll->setWidget(content);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);
    column->addWidget(makeSettingsPageTitleLabel(text(L10nKey::advancedPageTitle), content));

    // Text recognition
    const auto ocr = makeSettingsCard(text(L10nKey::advancedImageOcrSection), content);
    ocrToggle_ = new QCheckBox(text(L10nKey::advancedEnableOcr), ocr.card);
    ocr.rows->addWidget(ocrToggle_);
    ocrModePopup_ = addPopupRow(ocr.rows, new QLabel(text(L10nKey::advancedOcrLanguageModeLabel)), ocr.card);
    for (const auto mode : allClipboardOCRLanguageModes)
        ocrModePopup_->addItem(qs(displayName(mode)), qs(rawValue(mode)));
    ocrLanguageLabel_ = new QLabel(text(L10nKey::advancedOcrLanguageLabel));
    ocrLanguagePopup_ = addPopupRow(ocr.rows, ocrLanguageLabel_, ocr.card);
    for (const auto language : allClipboardOCRLanguages) {
        ocrLanguagePopup_->addItem(qs(displayName(language)), qs(rawValue(language)));
    }
    ocr.rows->addWidget(makeSettingsDescriptionLabel(text(L10nKey::advancedOcrDescription)));
    column->addWidget(ocr.card);

    // Pinyin, for the Chinese interface only
    if (model.showsPinyinIndexOption()) {
        const auto pinyin = makeSettingsCard(text(L10nKey::advancedPinyinIndexSection), content);
        pinyinCard_ = pinyin.card;
        pinyinToggle_ = new QCheckBox(text(L10nKey::advancedEnablePinyinIndex), pinyin.card);
        pinyin.rows->addWidget(pinyinToggle_);
        pinyin.rows->addWidget(makeSettingsDescriptionLabel(text(L10nKey::advancedPinyinIndexDescription)));
        column->addWidget(pinyin.card);
    }

    // Search index
    const auto index = makeSettingsCard(text(L10nKey::advancedRebuildIndexSection), content);
    searchIndexStatsLabel_ = makeSettingsDescriptionLabel(QString());
    index.rows->addWidget(searchIndexStatsLabel_);
    auto* rebuildRow = new QHBoxLayout;
    rebuildRow->setSpacing(8);
    rebuildButton_ = new QPushButton(text(L10nKey::advancedRebuildIndexButton), index.card);
    rebuildRow->addWidget(rebuildButton_);
    rebuildSpinner_ = new QProgressBar(index.card);
    rebuildSpinner_->setRange(0, 0);
    rebuildSpinner_->setTextVisible(false);
    rebuildSpinner_->setFixedSize(60, 8);
    rebuildSpinner_->hide();
    rebuildRow->addWidget(rebuildSpinner_);
    rebuildRow->addStretch(1);
    index.rows->addLayout(rebuildRow);
    index.rows->addWidget(makeSettingsDescriptionLabel(text(L10nKey::advancedRebuildIndexDescription)));
    column->addWidget(index.card);

    // Accessibility and paste-back, direct build only
    if (model.isDirectChannel()) {
        const auto access = makeSettingsCard(text(L10nKey::advancedAccessibilitySection), content);
        accessibilityCard_ = access.card;
        auto* statusRow = new QHBoxLayout;
        statusRow->setSpacing(8);
        statusRow->addWidget(new QLabel(text(L10nKey::advancedAccessibilityStatusLabel), access.card));
        accessibilityStatusValueLabel_ =
            new QLabel(text(L10nKey::advancedAccessibilityChecking), access.card);
        QFont medium = accessibilityStatusValueLabel_->font();
        medium.setWeight(QFont::Medium);
        accessibilityStatusValueLabel_->setFont(medium);
        statusRow->addWidget(accessibilityStatusValueLabel_);
        statusRow->addStretch(1);
        access.rows->addLayout(statusRow);
        accessibilityDescriptionLabel_ = makeSettingsDescriptionLabel(QString());
        access.rows->addWidget(accessibilityDescriptionLabel_);
        directReturnPasteToggle_ =
            new QCheckBox(text(L10nKey::advancedReturnPastesIntoPreviousApp), access.card);
        access.rows->addWidget(directReturnPasteToggle_);
        access.rows->addWidget(makeSettingsDescriptionLabel(text(L10nKey::advancedReturnPasteDescription)));
        auto* buttons = new QHBoxLayout;
        buttons->setSpacing(8);
        accessibilityRequestButton_ = new QPushButton(access.card);
        accessibilityOpenSettingsButton_ = new QPushButton(text(L10nKey::advancedOpenAccessibilitySettings));
        buttons->addWidget(accessibilityRequestButton_);
        buttons->addWidget(accessibilityOpenSettingsButton_);
        buttons->addStretch(1);
        access.rows->addLayout(buttons);
        access.rows->addWidget(
            makeSettingsDescriptionLabel(text(L10nKey::advancedAccessibilityNotListedHint)));
        column->addWidget(access.card);
    }

    // Panel
    const auto panel = makeSettingsCard(text(L10nKey::advancedClipboardPanelSection), content);
    panel.rows->addWidget(makeSettingsDescriptionLabel(text(L10nKey::advancedResetPositionDescription)));
    if (model.isDirectChannel()) {
        presentationRows_ = new QWidget(panel.card);
        auto* presentation = new QVBoxLayout(presentationRows_);
        presentation->setContentsMargins(0, 2, 0, 0);
        presentation->setSpacing(8);
        presentationPopup_ = addPopupRow(presentation, new QLabel(text(L10nKey::advancedPresentationLabel)),
                                         presentationRows_);
        for (const auto mode :
             {DirectClipboardPresentationMode::centered, DirectClipboardPresentationMode::floating}) {
            presentationPopup_->addItem(qs(displayName(mode)), qs(rawValue(mode)));
        }
        presentation->addWidget(makeSettingsDescriptionLabel(text(L10nKey::advancedPresentationDescription)));
        panel.rows->addWidget(presentationRows_);
        floatingListStyleRows_ = new QWidget(panel.card);
        auto* listStyle = new QVBoxLayout(floatingListStyleRows_);
        listStyle->setContentsMargins(0, 2, 0, 0);
        listStyle->setSpacing(8);
        floatingListStylePopup_ = addPopupRow(
            listStyle, new QLabel(text(L10nKey::advancedFloatingListStyleLabel)), floatingListStyleRows_);
        for (const auto style : {FloatingClipboardListStyle::standard, FloatingClipboardListStyle::compact}) {
            floatingListStylePopup_->addItem(qs(displayName(style)), qs(rawValue(style)));
        }
        listStyle->addWidget(
            makeSettingsDescriptionLabel(text(L10nKey::advancedFloatingListStyleDescription)));
        panel.rows->addWidget(floatingListStyleRows_);
    }
    resetPanelPositionButton_ = new QPushButton(text(L10nKey::advancedResetPosition), panel.card);
    panel.rows->addWidget(resetPanelPositionButton_, 0, Qt::AlignLeft);
    column->addWidget(panel.card);
    column->addStretch(1);
}

void AdvancedSettingsViewController::connectActions() {
    AdvancedSettingsViewModel& model = *viewModel_;
    // Writers hang on the change signals, which every input path sends (mouse, keys, the accessibility
    // bus); reloads block them.
    connect(ocrToggle_, &QCheckBox::toggled, this,
            [&model](bool checked) { model.setImageOCREnabled(checked); });
    connect(ocrModePopup_, &QComboBox::currentIndexChanged, this, [this, &model](int index) {
        model.setOCRLanguageMode(
            clipboardOCRLanguageModeFromRawValue(ocrModePopup_->itemData(index).toString().toStdString()));
    });
    connect(ocrLanguagePopup_, &QComboBox::currentIndexChanged, this, [this, &model](int index) {
        model.setOCRLanguage(
            clipboardOCRLanguageFromRawValue(ocrLanguagePopup_->itemData(index).toString().toStdString()));
    });
    if (pinyinToggle_) {
        connect(pinyinToggle_, &QCheckBox::toggled, this,
                [&model](bool checked) { model.setPinyinIndexEnabled(checked); });
    }
    connect(rebuildButton_, &QPushButton::clicked, this, [&model] { model.startSearchIndexRebuild(); });
    if (accessibilityCard_) {
        connect(directReturnPasteToggle_, &QCheckBox::toggled, this, [this, &model](bool checked) {
            const bool stored = model.setDirectReturnPasteEnabled(checked);
            const QSignalBlocker block(directReturnPasteToggle_);
            directReturnPasteToggle_->setChecked(stored);
        });
        connect(accessibilityRequestButton_, &QPushButton::clicked, this,
                [&model] { model.requestAccessibilityPermission(); });
        connect(accessibilityOpenSettingsButton_, &QPushButton::clicked, this,
                [&model] { model.openAccessibilitySettings(); });
    }
    if (presentationPopup_) {
        connect(presentationPopup_, &QComboBox::currentIndexChanged, this, [this, &model](int index) {
            const auto mode = directClipboardPresentationModeFromRawValue(
                presentationPopup_->itemData(index).toString().toStdString());
            if (mode) model.setPresentationMode(*mode);
            reloadPanelCard();
        });
        connect(floatingListStylePopup_, &QComboBox::currentIndexChanged, this, [this, &model](int index) {
            const auto style = floatingClipboardListStyleFromRawValue(
                floatingListStylePopup_->itemData(index).toString().toStdString());
            if (style) model.setFloatingListStyle(*style);
            reloadPanelCard();
        });
    }
    connect(resetPanelPositionButton_, &QPushButton::clicked, this,
            [this, &model] { model.resetPanelPosition(window() && window()->isVisible()); });
}

void AdvancedSettingsViewController::refresh() {
    viewModel_->loadSearchIndexStats();
    reload();
}

void AdvancedSettingsViewController::reload() {
    AdvancedSettingsViewModel& model = *viewModel_;
    {
        const QSignalBlocker blockToggle(ocrToggle_);
        const QSignalBlocker blockMode(ocrModePopup_);
        const QSignalBlocker blockLanguage(ocrLanguagePopup_);
        ocrToggle_->setChecked(model.imageOCREnabled());
        const ClipboardOCRConfiguration configuration = model.ocrConfiguration();
        selectData(ocrModePopup_, rawValue(configuration.languageMode));
        selectData(ocrLanguagePopup_, rawValue(configuration.specifiedLanguage));
        // The stored language stays while recognition picks languages itself.
        const bool specified = configuration.languageMode == ClipboardOCRLanguageMode::specified;
        ocrLanguagePopup_->setEnabled(specified);
        ocrLanguageLabel_->setEnabled(specified);
    }
    if (pinyinToggle_) {
        const QSignalBlocker block(pinyinToggle_);
        pinyinToggle_->setChecked(model.pinyinIndexEnabled());
    }
    searchIndexStatsLabel_->setText(QString::fromStdString(model.searchIndexStatsText()));
    setRebuildButtonEnabled(!model.isRebuilding());
    rebuildSpinner_->setVisible(model.isRebuilding());
    if (accessibilityCard_) {
        const AccessibilityPermissionPresentation presentation = model.accessibilityPresentation();
        accessibilityStatusValueLabel_->setText(QString::fromStdString(presentation.statusText));
        QPalette palette = accessibilityStatusValueLabel_->palette();
        palette.setColor(QPalette::WindowText, toneColor(presentation.tone, this->palette()));
        accessibilityStatusValueLabel_->setPalette(palette);
        accessibilityDescriptionLabel_->setText(QString::fromStdString(presentation.description));
        accessibilityRequestButton_->setText(QString::fromStdString(presentation.requestButtonTitle));
        accessibilityRequestButton_->setVisible(presentation.requestButtonVisible);
        accessibilityOpenSettingsButton_->setVisible(presentation.openSettingsButtonVisible);
        const QSignalBlocker block(directReturnPasteToggle_);
        directReturnPasteToggle_->setChecked(model.directReturnPasteEnabled());
    }
    reloadPanelCard();
}

void AdvancedSettingsViewController::setRebuildButtonEnabled(bool enabled) {
    if (enabled == rebuildButton_->isEnabled()) return;
    if (!enabled && rebuildButton_->hasFocus()) {
        content_->setFocus(Qt::OtherFocusReason);
        rebuildButtonLostFocus_ = true;
    }
    rebuildButton_->setEnabled(enabled);
    if (enabled && rebuildButtonLostFocus_) {
        rebuildButtonLostFocus_ = false;
        // Only when the user has not moved on meanwhile.
        if (content_->hasFocus()) rebuildButton_->setFocus(Qt::OtherFocusReason);
    }
}

DirectClipboardPresentationMode AdvancedSettingsViewController::displayedPresentationMode() const {
    if (!presentationPopup_) return DirectClipboardPresentationMode::centered;
    return directClipboardPresentationModeFromRawValue(
               presentationPopup_->currentData().toString().toStdString())
        .value_or(viewModel_->presentationMode());
}

void AdvancedSettingsViewController::reloadPanelCard() {
    if (presentationPopup_) {
        const QSignalBlocker blockMode(presentationPopup_);
        const QSignalBlocker blockStyle(floatingListStylePopup_);
        selectData(presentationPopup_, rawValue(viewModel_->presentationMode()));
        selectData(floatingListStylePopup_, rawValue(viewModel_->floatingListStyle()));
    }
    const bool floating = displayedPresentationMode() == DirectClipboardPresentationMode::floating;
    // The reset button moves only the centred panel; the list-style rows take its place.
    resetPanelPositionButton_->setVisible(!floating);
    if (floatingListStyleRows_) floatingListStyleRows_->setVisible(floating);
}

bool AdvancedSettingsViewController::isFloatingListStyleRowShown() const {
    return floatingListStyleRows_ && !floatingListStyleRows_->isHidden();
}

}  // namespace quorvane
