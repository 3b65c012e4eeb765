#include "settings/widgets/ShortcutsSettingsViewController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "hotkeys/widgets/HotkeyFailureLabel.h"
#include "hotkeys/widgets/KeyComboRecorderControl.h"
#include "l10n/L10n.h"
#include "preferences/SettingsAccessors.h"
#include "settings/widgets/SettingsCard.h"
#include "settings/widgets/SettingsStyle.h"
#include "ui/UiSymbols.h"

namespace quorvane {

namespace {

QString text(L10nKey key) {
    return QString::fromStdString(L10n::text(key));
}

template <class... Arguments>
QString text(L10nKey key, const Arguments&... arguments) {
    return QString::fromStdString(L10n::text(key, arguments...));
}

QLabel* fixedWidthLabel(const QString& title, int width, QWidget* parent) {
    auto* label = new QLabel(title, parent);
    label->setMinimumWidth(width);
    return label;
}

void fillRetentionPopup(QComboBox* popup) {
    popup->clear();
    for (const auto policy : allClipboardHistoryAutoCleanupPolicies) {
        popup->addItem(QString::fromStdString(ShortcutsSettingsViewModel::title(policy)),
                       QString::fromUtf8(rawValue(policy).data(), static_cast<int>(rawValue(policy).size())));
    }
}

void selectRetention(QComboBox* popup, ClipboardHistoryAutoCleanupPolicy policy) {
    const QString raw = QString::fromUtf8(rawValue(policy).data(), static_cast<int>(rawValue(policy).size()));
    const int index = popup->findData(raw);
    if (index >= 0) popup->setCurrentIndex(index);
}

std::optional<ClipboardHistoryAutoCleanupPolicy> selectedRetention(const QComboBox* popup) {
    return clipboardHistoryAutoCleanupPolicyFromRawValue(popup->currentData().toString().toStdString());
}

}  // namespace

ShortcutsSettingsViewController::ShortcutsSettingsViewController(
    std::unique_ptr<ShortcutsSettingsViewModel> viewModel, MainQueue& mainQueue,
    const std::string& appDisplayName, QWidget* parent)
    : QWidget(parent), viewModel_(std::move(viewModel)) {
    setObjectName("general");
    keyComboRecorder_ = new KeyComboRecorderControl(mainQueue);
    buildLayout(appDisplayName);
    connectActions();
    keyComboRecorder_->setDelegate(this);
    viewModelChanges_ = viewModel_->observeChanges([this] { reloadSettingsValues(); });
    viewModel_->refreshLaunchAtLoginState();
    viewModel_->updateMenuBarSystemVisibilityHint();
    reloadSettingsValues();
}

ShortcutsSettingsViewController::~ShortcutsSettingsViewController() {
    // The recorder is a child and goes after this body; its end of recording must still reach the model.
    stopRecording();
    keyComboRecorder_->setDelegate(nullptr);
    viewModelChanges_.reset();
}

void ShortcutsSettingsViewController::buildLayout(const std::string& appDisplayName) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(scroll);
    auto* content = new QWidget;
    content->setFocusPolicy(Qt::ClickFocus);
    content->setAutoFillBackground(false);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);
    column->addWidget(makeSettingsPageTitleLabel(text(L10nKey::generalPageTitle), content));

    // Language
    const auto language = makeSettingsCard(text(L10nKey::generalLanguageSection), content);
    auto* languageRow = new QHBoxLayout;
    languageRow->setSpacing(8);
    languageRow->addWidget(fixedWidthLabel(text(L10nKey::generalAppLanguageLabel), 120, language.card));
    appLanguagePopup_ = new QComboBox(language.card);
    appLanguagePopup_->setFixedWidth(160);
    // Each language is named in itself, whatever the interface language.
    appLanguagePopup_->addItem(QStringLiteral("English"), QStringLiteral("en"));
    appLanguagePopup_->addItem(QString::fromUtf8("简体中文"), QStringLiteral("zh-Hans"));
    languageRow->addWidget(appLanguagePopup_);
    languageRow->addStretch(1);
    language.rows->addLayout(languageRow);
    language.rows->addWidget(makeSettingsDescriptionLabel(text(L10nKey::generalAppLanguageDescription)));
    column->addWidget(language.card);

    // Startup
    const auto startup = makeSettingsCard(text(L10nKey::generalStartupSection), content);
    launchAtLoginToggle_ = new QCheckBox(text(L10nKey::generalLaunchAtLogin), startup.card);
    startup.rows->addWidget(launchAtLoginToggle_);
    startup.rows->addWidget(
        makeSettingsDescriptionLabel(text(L10nKey::launchAtLoginDescription, appDisplayName)));
    launchAtLoginApprovalHintLabel_ =
        makeSettingsDescriptionLabel(text(L10nKey::launchAtLoginRequiresApproval, appDisplayName));
    launchAtLoginApprovalHintLabel_->hide();
    startup.rows->addWidget(launchAtLoginApprovalHintLabel_);
    launchAtLoginSystemSettingsButton_ = new QPushButton(text(L10nKey::generalOpenLoginItemsSettings));
    launchAtLoginSystemSettingsButton_->hide();
    startup.rows->addWidget(launchAtLoginSystemSettingsButton_, 0, Qt::AlignLeft);
    column->addWidget(startup.card);

    // Hotkeys
    const auto hotkeys = makeSettingsCard(text(L10nKey::generalHotkeysSection), content);
    auto* hotkeyRow = new QHBoxLayout;
    hotkeyRow->setSpacing(8);
    hotkeyRow->addWidget(
        fixedWidthLabel(text(L10nKey::generalClipboardHistoryHotkeyLabel), 120, hotkeys.card));
    keyComboRecorder_->setParent(hotkeys.card);
    // As wide as the recording prompt wants where there is room; at the smallest window it narrows and its
    // text shrinks to fit instead of widening the page.
    keyComboRecorder_->setFixedHeight(32);
    keyComboRecorder_->setMinimumWidth(200);
    keyComboRecorder_->setMaximumWidth(std::max(200, keyComboRecorder_->sizeHint().width()));
    keyComboRecorder_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    keyComboRecorder_->setPlaceholder(L10n::text(L10nKey::generalRecordShortcutPlaceholder));
    hotkeyRow->addWidget(keyComboRecorder_);
    deleteButton_ = new QToolButton(hotkeys.card);
    deleteButton_->setAutoRaise(true);
    deleteButton_->setFixedSize(20, 20);
    deleteButton_->setIcon(UiSymbols::icon(UiSymbol::remove));
    deleteButton_->setIconSize(QSize(14, 14));
    deleteButton_->setToolTip(text(L10nKey::generalDeleteShortcut));
    deleteButton_->setAccessibleName(text(L10nKey::generalDeleteShortcut));
    hotkeyRow->addWidget(deleteButton_);
    resetClipboardHotkeyButton_ = new QPushButton(text(L10nKey::generalResetHotkeyToDefault), hotkeys.card);
    hotkeyRow->addWidget(resetClipboardHotkeyButton_);
    hotkeyRow->addStretch(1);
    hotkeys.rows->addLayout(hotkeyRow);
    clipboardHotkeyFailureLabel_ = new HotkeyFailureLabel(hotkeys.card);
    hotkeys.rows->addWidget(clipboardHotkeyFailureLabel_);
    column->addWidget(hotkeys.card);

    // Tray icon
    const auto tray = makeSettingsCard(text(L10nKey::generalMenuBarSection), content);
    menuBarShowIconToggle_ = new QCheckBox(text(L10nKey::generalShowMenuBarIcon), tray.card);
    tray.rows->addWidget(menuBarShowIconToggle_);
    tray.rows->addWidget(makeSettingsDescriptionLabel(text(L10nKey::generalMenuBarIconDescription)));
    menuBarSystemVisibilityHintLabel_ = new QLabel(text(L10nKey::menuBarIconHiddenBySystem, appDisplayName));
    menuBarSystemVisibilityHintLabel_->setWordWrap(true);
    tray.rows->addWidget(menuBarSystemVisibilityHintLabel_);
    menuBarSystemSettingsButton_ = new QPushButton(text(L10nKey::generalOpenMenuBarSettings));
    tray.rows->addWidget(menuBarSystemSettingsButton_, 0, Qt::AlignLeft);
    menuBarSystemVisibilityInstructionsLabel_ =
        makeSettingsDescriptionLabel(text(L10nKey::menuBarIconRestoreSteps, appDisplayName));
    tray.rows->addWidget(menuBarSystemVisibilityInstructionsLabel_);
    column->addWidget(tray.card);

    // Clipboard monitor
    const auto monitor = makeSettingsCard(text(L10nKey::generalClipboardMonitorSection), content);
    const auto captureRow = [&monitor](QCheckBox*& toggle, QComboBox*& popup, L10nKey toggleKey,
                                       L10nKey labelKey) {
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        toggle = new QCheckBox(text(toggleKey), monitor.card);
        row->addWidget(toggle);
        row->addStretch(1);
        row->addSpacing(10);
        row->addWidget(new QLabel(text(labelKey), monitor.card));
        popup = new QComboBox(monitor.card);
        popup->setFixedWidth(140);
        fillRetentionPopup(popup);
        row->addWidget(popup);
        monitor.rows->addLayout(row);
    };
    captureRow(captureTextToggle_, textAutoCleanupPopup_, L10nKey::generalCaptureTextItems,
               L10nKey::generalKeepTextHistoryFor);
    captureRow(captureImageToggle_, imageAutoCleanupPopup_, L10nKey::generalCaptureImageItems,
               L10nKey::generalKeepImageHistoryFor);
    monitor.rows->addWidget(makeSettingsDescriptionLabel(text(L10nKey::generalClipboardMonitorDescription)));
    auto* sizeRow = new QHBoxLayout;
    sizeRow->setSpacing(8);
    auto* maxSizeLabel = new QLabel(text(L10nKey::generalMaxSizeLabel), monitor.card);
    sizeRow->addWidget(maxSizeLabel);
    maxSizeField_ = new QLineEdit(monitor.card);
    nameAfterLabel(maxSizeLabel, maxSizeField_);
    maxSizeField_->setFixedWidth(56);
    maxSizeField_->setAlignment(Qt::AlignCenter);
    sizeRow->addWidget(maxSizeField_);
    auto* stepper = new QVBoxLayout;
    stepper->setSpacing(0);
    maxSizeStepUp_ = new QToolButton(monitor.card);
    maxSizeStepUp_->setArrowType(Qt::UpArrow);
    maxSizeStepDown_ = new QToolButton(monitor.card);
    maxSizeStepDown_->setArrowType(Qt::DownArrow);
    // Arrows alone say nothing to a screen reader.
    maxSizeStepUp_->setAccessibleName(text(L10nKey::generalMaxSizeIncrease));
    maxSizeStepDown_->setAccessibleName(text(L10nKey::generalMaxSizeDecrease));
    for (QToolButton* button : {maxSizeStepUp_, maxSizeStepDown_}) {
        button->setFixedSize(18, 12);
        button->setAutoRepeat(true);
        stepper->addWidget(button);
    }
    sizeRow->addLayout(stepper);
    sizeRow->addStretch(1);
    monitor.rows->addLayout(sizeRow);
    monitor.rows->addWidget(makeSettingsDescriptionLabel(text(L10nKey::generalMaxSizeDescription)));
    column->addWidget(monitor.card);
    column->addStretch(1);
}

void ShortcutsSettingsViewController::connectActions() {
    // Writers hang on the change signals, which every input path sends (mouse, keys, the accessibility
    // bus); reloadSettingsValues() blocks them, so a reload stores nothing.
    connect(appLanguagePopup_, &QComboBox::currentIndexChanged, this, [this](int index) {
        const auto language =
            AppLanguage::fromRawValue(appLanguagePopup_->itemData(index).toString().toStdString());
        if (language) {
            viewModel_->setLanguage(*language);
        } else {
            reloadSettingsValues();
        }
    });
    connect(launchAtLoginToggle_, &QCheckBox::toggled, this,
            [this](bool checked) { viewModel_->setLaunchAtLogin(checked); });
    connect(launchAtLoginSystemSettingsButton_, &QPushButton::clicked, this, [this] {
        if (viewModel_->openLaunchAtLoginSystemSettingsHandler)
            viewModel_->openLaunchAtLoginSystemSettingsHandler();
    });
    connect(deleteButton_, &QToolButton::clicked, this, [this] { viewModel_->deleteShortcutRequested(); });
    connect(resetClipboardHotkeyButton_, &QPushButton::clicked, this,
            [this] { viewModel_->resetClipboardHotkeyToDefault(); });
    connect(menuBarShowIconToggle_, &QCheckBox::toggled, this,
            [this](bool checked) { viewModel_->setMenuBarShowIconRequested(checked); });
    connect(menuBarSystemSettingsButton_, &QPushButton::clicked, this, [this] {
        if (viewModel_->openMenuBarSystemSettingsHandler) viewModel_->openMenuBarSystemSettingsHandler();
    });
    connect(captureTextToggle_, &QCheckBox::toggled, this, [this](bool checked) {
        const bool stored = viewModel_->setTextCaptureEnabled(checked);
        const QSignalBlocker block(captureTextToggle_);
        captureTextToggle_->setChecked(stored);
    });
    connect(captureImageToggle_, &QCheckBox::toggled, this, [this](bool checked) {
        const bool stored = viewModel_->setImageCaptureEnabled(checked);
        const QSignalBlocker block(captureImageToggle_);
        captureImageToggle_->setChecked(stored);
    });
    connect(textAutoCleanupPopup_, &QComboBox::currentIndexChanged, this, [this] {
        viewModel_->requestAutoCleanupPolicyChange(ClipboardContentType::text,
                                                   selectedRetention(textAutoCleanupPopup_));
    });
    connect(imageAutoCleanupPopup_, &QComboBox::currentIndexChanged, this, [this] {
        viewModel_->requestAutoCleanupPolicyChange(ClipboardContentType::image,
                                                   selectedRetention(imageAutoCleanupPopup_));
    });
    connect(maxSizeField_, &QLineEdit::editingFinished, this, [this] { commitMaxSizeField(); });
    connect(maxSizeStepUp_, &QToolButton::clicked, this, [this] {
        commitMaxSizeField();
        viewModel_->applyMaxItemSize(viewModel_->maxItemSizeInMB() + 1);
    });
    connect(maxSizeStepDown_, &QToolButton::clicked, this, [this] {
        commitMaxSizeField();
        viewModel_->applyMaxItemSize(viewModel_->maxItemSizeInMB() - 1);
    });
}

void ShortcutsSettingsViewController::reloadSettingsValues() {
    const QSignalBlocker blockLanguage(appLanguagePopup_);
    const QSignalBlocker blockLaunch(launchAtLoginToggle_);
    const QSignalBlocker blockTray(menuBarShowIconToggle_);
    const QSignalBlocker blockText(captureTextToggle_);
    const QSignalBlocker blockImage(captureImageToggle_);
    const QSignalBlocker blockTextRetention(textAutoCleanupPopup_);
    const QSignalBlocker blockImageRetention(imageAutoCleanupPopup_);
    const QSignalBlocker blockSize(maxSizeField_);
    ShortcutsSettingsViewModel& model = *viewModel_;

    const int languageIndex =
        appLanguagePopup_->findData(QString::fromUtf8(model.language().rawValue().data()));
    if (languageIndex >= 0) appLanguagePopup_->setCurrentIndex(languageIndex);

    const auto& launch = model.launchAtLoginState();
    launchAtLoginToggle_->setChecked(launch.checked);
    launchAtLoginToggle_->setEnabled(launch.enabled);
    launchAtLoginApprovalHintLabel_->setVisible(launch.approvalHintVisible);
    launchAtLoginSystemSettingsButton_->setVisible(
        launch.approvalHintVisible && static_cast<bool>(model.openLaunchAtLoginSystemSettingsHandler));

    if (!keyComboRecorder_->isRecording()) keyComboRecorder_->setKeyCombo(model.clipboardHistoryHotkey());
    deleteButton_->setVisible(model.isDeleteButtonVisible());
    resetClipboardHotkeyButton_->setEnabled(model.isResetButtonEnabled());
    clipboardHotkeyFailureLabel_->setFailure(model.clipboardHotkeyFailureText());

    menuBarShowIconToggle_->setChecked(model.menuBarShowIcon());
    const bool hint = model.isMenuBarHintVisible();
    menuBarSystemVisibilityHintLabel_->setVisible(hint);
    menuBarSystemVisibilityInstructionsLabel_->setVisible(hint);
    menuBarSystemSettingsButton_->setVisible(hint &&
                                             static_cast<bool>(model.openMenuBarSystemSettingsHandler));

    captureTextToggle_->setChecked(model.textCaptureEnabled());
    captureImageToggle_->setChecked(model.imageCaptureEnabled());
    selectRetention(textAutoCleanupPopup_, model.autoCleanupPolicy(ClipboardContentType::text));
    selectRetention(imageAutoCleanupPopup_, model.autoCleanupPolicy(ClipboardContentType::image));

    // A value being typed stays until it is committed.
    shownMaxSize_ = model.maxItemSizeInMB();
    if (!maxSizeField_->hasFocus() || !maxSizeField_->isModified()) {
        maxSizeField_->setText(QString::number(shownMaxSize_));
        maxSizeField_->setModified(false);
    }
    maxSizeStepUp_->setEnabled(shownMaxSize_ < maximumMaxItemSizeInMB);
    maxSizeStepDown_->setEnabled(shownMaxSize_ > minimumMaxItemSizeInMB);
}

void ShortcutsSettingsViewController::commitMaxSizeField() {
    if (!maxSizeField_->isModified()) return;
    maxSizeField_->setModified(false);
    const std::int64_t stored =
        viewModel_->commitMaxItemSizeText(maxSizeField_->text().toStdString(), shownMaxSize_);
    const QSignalBlocker block(maxSizeField_);
    maxSizeField_->setText(QString::number(stored));
}

void ShortcutsSettingsViewController::refresh() {
    viewModel_->refreshLaunchAtLoginState();
}

void ShortcutsSettingsViewController::settingsModuleDidHide() {
    commitMaxSizeField();
    stopRecording();
}

void ShortcutsSettingsViewController::hideEvent(QHideEvent* event) {
    stopRecording();
    QWidget::hideEvent(event);
}

void ShortcutsSettingsViewController::stopRecording() {
    if (keyComboRecorder_ && keyComboRecorder_->isRecording()) keyComboRecorder_->stopRecording();
}

void ShortcutsSettingsViewController::keyComboRecorderDidStartRecording(KeyComboRecorderState&) {
    viewModel_->recordingChanged(true);
}

void ShortcutsSettingsViewController::keyComboRecorderDidEndRecording(KeyComboRecorderState&) {
    viewModel_->recordingChanged(false);
}

void ShortcutsSettingsViewController::keyComboRecorder(KeyComboRecorderState&,
                                                       const std::optional<KeyCombo>& didRecord) {
    if (didRecord) viewModel_->saveClipboardHistoryHotkey(*didRecord);
}

}  // namespace quorvane
