#include "onboarding/widgets/OnboardingWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "hotkeys/widgets/KeyComboRecorderControl.h"
#include "l10n/AppLanguage.h"
#include "l10n/L10n.h"
#include "onboarding/model/OnboardingViewModel.h"
#include "onboarding/widgets/LoopingIntroAnimationView.h"
#include "settings/widgets/SettingsCard.h"
#include "ui/WheelPassThrough.h"

namespace quorvane {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}
QString lt(L10nKey key) {
    return qs(L10n::text(key));
}

QLabel* label(const QString& text, qreal scale, QFont::Weight weight, bool secondary, bool wrap,
              QWidget* parent) {
    auto* result = new QLabel(text, parent);
    QFont font = result->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setWeight(weight);
    result->setFont(font);
    result->setWordWrap(wrap);
    if (secondary) {
        QPalette palette = result->palette();
        QColor color = palette.color(QPalette::WindowText);
        color.setAlphaF(0.62);
        palette.setColor(QPalette::WindowText, color);
        result->setPalette(palette);
    }
    return result;
}

QWidget* sectionHeader(const QString& title, const QString& subtitle) {
    auto* header = new QWidget;
    auto* layout = new QVBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(label(title, 2.0, QFont::Bold, false, false, header));
    auto* sub = label(subtitle, 1.15, QFont::Normal, true, true, header);
    sub->setFixedWidth(660);
    sub->setMinimumHeight(sub->heightForWidth(660));
    layout->addWidget(sub);
    return header;
}

// A rounded tinted note under a page's controls.
class NoteLabel : public QLabel {
public:
    explicit NoteLabel(const QString& text) : QLabel(text) {
        setWordWrap(true);
        setAlignment(Qt::AlignCenter);
        setContentsMargins(12, 6, 12, 6);
        QFont font = this->font();
        font.setWeight(QFont::Medium);
        setFont(font);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor tint = palette().color(QPalette::Highlight);
        tint.setAlphaF(0.1);
        painter.setPen(Qt::NoPen);
        painter.setBrush(tint);
        painter.drawRoundedRect(rect(), 7, 7);
        painter.end();
        QLabel::paintEvent(event);
    }
};

QLabel* symbol(const char* themeName, QStyle::StandardPixmap fallback, int size, const QString& description) {
    auto* image = new QLabel;
    QIcon icon = QIcon::fromTheme(themeName);
    if (icon.isNull()) icon = QApplication::style()->standardIcon(fallback);
    image->setPixmap(icon.pixmap(size, size));
    image->setFixedSize(size, size);
    image->setAccessibleDescription(description);
    return image;
}

// A column that keeps a fixed-size symbol at the top without taking the row's spare width.
QVBoxLayout* topAligned(QWidget* widget) {
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(widget);
    column->addStretch(1);
    return column;
}

QWidget* cardAround(QLayout* content, int horizontal, int vertical) {
    auto* card = new SettingsCard;
    content->setContentsMargins(horizontal, vertical, horizontal, vertical);
    card->setLayout(content);
    return card;
}

}  // namespace

OnboardingWindow::OnboardingWindow(OnboardingViewModel& viewModel, MainQueue& mainQueue,
                                   UserDefaults& defaults, NotificationCenter& notifications,
                                   std::string appName, std::function<void()> onFinish, QWidget* parent)
    : QWidget(parent),
      viewModel_(viewModel),
      mainQueue_(mainQueue),
      defaults_(defaults),
      notifications_(notifications),
      appName_(std::move(appName)),
      onFinish_(std::move(onFinish)),
      progressLabel_(new QLabel),
      progressBar_(new QProgressBar),
      contentLayout_(new QVBoxLayout),
      backButton_(new QPushButton),
      nextButton_(new QPushButton),
      finishButton_(new QPushButton) {
    setObjectName(identifier);
    setWindowTitle(lt(L10nKey::onboardingWelcomeTitle));
    setFixedSize(920, 620);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(56, 38, 56, 34);
    layout->setSpacing(0);
    QFont progressFont = progressLabel_->font();
    progressFont.setWeight(QFont::DemiBold);
    progressLabel_->setFont(progressFont);
    applySecondaryLabelStyle(progressLabel_);
    layout->addWidget(progressLabel_);
    layout->addSpacing(8);
    progressBar_->setTextVisible(false);
    progressBar_->setFixedHeight(6);
    progressBar_->setMinimum(0);
    layout->addWidget(progressBar_);
    layout->addSpacing(28);
    contentLayout_->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(contentLayout_, 1);
    layout->addSpacing(26);
    auto* footer = new QHBoxLayout;
    footer->setSpacing(10);
    footer->addWidget(backButton_);
    footer->addStretch(1);
    footer->addWidget(nextButton_);
    footer->addWidget(finishButton_);
    backButton_->setMinimumWidth(82);
    nextButton_->setMinimumWidth(92);
    finishButton_->setMinimumWidth(148);
    layout->addLayout(footer);

    connect(backButton_, &QPushButton::clicked, this, [this] { goBack(); });
    connect(nextButton_, &QPushButton::clicked, this, [this] { goNext(); });
    connect(finishButton_, &QPushButton::clicked, this, [this] { finish(); });
    if (viewModel_.clipboardHotkeyStatus) {
        hotkeyStatusChanges_ =
            viewModel_.clipboardHotkeyStatus->observeClipboardHotkeyStatus([this] { showShortcutFailure(); });
    }
    showStep(OnboardingStep::welcome);
}

OnboardingWindow::~OnboardingWindow() {
    hotkeyStatusChanges_.reset();
    // A recording ends while we can still hear it, so the hot key comes back; after that the recorder
    // would report to a half-destroyed delegate.
    if (shortcutRecorder_) {
        shortcutRecorder_->stopRecording();
        shortcutRecorder_->setDelegate(nullptr);
    }
}

void OnboardingWindow::showStep(OnboardingStep step) {
    currentStep_ = step;
    if (shortcutRecorder_) {
        shortcutRecorder_->stopRecording();
        shortcutRecorder_->setDelegate(nullptr);
    }
    if (page_) {
        contentLayout_->removeWidget(page_);
        page_->hide();
        page_->deleteLater();
    }
    page_ = buildPage(step);
    WheelPassThrough::applyToChildren(page_);
    contentLayout_->addWidget(page_);
    updateNavigation();
    refreshAccessibilityPermissionStatus();
}

void OnboardingWindow::updateNavigation() {
    const auto state = onboardingNavigationState(viewModel_.distributionChannel(), currentStep_);
    progressLabel_->setText(qs(state.progressText));
    progressBar_->setMaximum(static_cast<int>(state.stepCount));
    progressBar_->setValue(static_cast<int>(state.index + 1));
    backButton_->setText(lt(L10nKey::onboardingBack));
    nextButton_->setText(lt(L10nKey::onboardingNext));
    finishButton_->setText(lt(L10nKey::onboardingStartUsing));
    backButton_->setEnabled(state.backEnabled);
    // Each step starts with the focus on the way forward, moved before its button hides (Qt would hand it
    // on to Back): on some desktops Return presses the focused button, whichever it is.
    QPushButton* forward = state.isLastStep ? finishButton_ : nextButton_;
    QPushButton* hidden = state.isLastStep ? nextButton_ : finishButton_;
    forward->setVisible(true);
    forward->setDefault(true);
    hidden->setDefault(false);
    forward->setFocus(Qt::OtherFocusReason);
    hidden->setVisible(false);
}

void OnboardingWindow::goBack() {
    const auto previous = onboardingPreviousStep(viewModel_.distributionChannel(), currentStep_);
    if (previous != currentStep_) showStep(previous);
}

void OnboardingWindow::goNext() {
    const auto next = onboardingNextStep(viewModel_.distributionChannel(), currentStep_);
    if (next != currentStep_) showStep(next);
}

void OnboardingWindow::finish() {
    viewModel_.finish();
    if (onFinish_) onFinish_();
}

void OnboardingWindow::resetToFirstStep() {
    showStep(OnboardingStep::welcome);
}

void OnboardingWindow::keyPressEvent(QKeyEvent* event) {
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        QPushButton* button = nextButton_->isVisible() ? nextButton_ : finishButton_;
        if (button->isVisible() && button->isEnabled()) {
            button->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void OnboardingWindow::changeEvent(QEvent* event) {
    // Coming back to the window: the user may have granted the permission meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        QPointer<OnboardingWindow> self(this);
        mainQueue_.post([self] {
            if (self) self->refreshAccessibilityPermissionStatus();
        });
    }
    QWidget::changeEvent(event);
}

QWidget* OnboardingWindow::buildPage(OnboardingStep step) {
    switch (step) {
        case OnboardingStep::welcome:
            return buildWelcome();
        case OnboardingStep::tutorial:
            return buildTutorial();
        case OnboardingStep::presentation:
            return buildPresentation();
        case OnboardingStep::recording:
            return buildRecording();
        case OnboardingStep::shortcut:
            return buildShortcut();
    }
    return buildWelcome();
}

QWidget* OnboardingWindow::buildWelcome() {
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addStretch(1);
    auto* stack = new QVBoxLayout;
    stack->setSpacing(18);
    QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull()) appIcon = QIcon::fromTheme("edit-paste");
    if (appIcon.isNull()) appIcon = QApplication::style()->standardIcon(QStyle::SP_FileDialogContentsView);
    auto* icon = new QLabel(page);
    icon->setPixmap(appIcon.pixmap(104, 104));
    icon->setAlignment(Qt::AlignCenter);
    stack->addWidget(icon, 0, Qt::AlignHCenter);
    auto* title = label(qs(L10n::text(L10nKey::onboardingWelcomeToApp, appName_)), 2.4, QFont::Bold, false,
                        false, page);
    title->setAlignment(Qt::AlignCenter);
    stack->addWidget(title, 0, Qt::AlignHCenter);
    auto* subtitle = label(lt(L10nKey::onboardingWelcomeDescription), 1.3, QFont::Normal, true, true, page);
    subtitle->setAlignment(Qt::AlignCenter);
    subtitle->setFixedWidth(560);
    // An aligned item gets its size hint, which a wrapped label computes for another width: give it the
    // height its lines need at this width, or the second line is cut.
    subtitle->setMinimumHeight(subtitle->heightForWidth(560));
    stack->addWidget(subtitle, 0, Qt::AlignHCenter);

    auto* languageBox = new QHBoxLayout;
    languageBox->setSpacing(10);
    languageBox->addWidget(
        label(lt(L10nKey::onboardingLanguageLabel), 1.0, QFont::Medium, true, false, page));
    auto* popup = new QComboBox(page);
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
    stack->addWidget(cardAround(languageBox, 14, 10), 0, Qt::AlignHCenter);
    auto* note = new NoteLabel(lt(L10nKey::onboardingStoredLocally));
    note->setFixedWidth(560);
    stack->addWidget(note, 0, Qt::AlignHCenter);
    outer->addLayout(stack);
    outer->addStretch(1);
    return page;
}

void OnboardingWindow::chooseLanguage(const QString& rawValue) {
    const auto language = AppLanguage::fromRawValue(rawValue.toStdString());
    if (!language) return;
    AppLanguage::set(*language, defaults_, notifications_);
    setWindowTitle(lt(L10nKey::onboardingWelcomeTitle));
    // Rebuilt after the popup's own signal has returned, so the popup is not deleted inside it.
    QPointer<OnboardingWindow> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (self) self->showStep(self->currentStep_);
        },
        Qt::QueuedConnection);
}

QWidget* OnboardingWindow::buildTutorial() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    layout->addWidget(
        sectionHeader(lt(L10nKey::onboardingWorkflowTitle), lt(L10nKey::onboardingWorkflowDescription)));
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
        {"edit-copy", QStyle::SP_FileIcon, lt(L10nKey::onboardingCopyNormallyTitle),
         lt(L10nKey::onboardingCopyNormallyDescription)},
        {"view-list-details", QStyle::SP_FileDialogListView, lt(L10nKey::onboardingOpenHistoryTitle),
         qs(L10n::text(L10nKey::onboardingOpenHistoryDescription, shortcut))},
        {"edit-paste", QStyle::SP_ArrowForward, lt(L10nKey::onboardingPickAndPasteTitle),
         lt(L10nKey::onboardingPickAndPasteDescription)},
    };
    for (const auto& tile : tileList) {
        auto* tileLayout = new QHBoxLayout;
        tileLayout->setSpacing(10);
        tileLayout->addLayout(topAligned(symbol(tile.icon, tile.fallback, 26, tile.title)));
        auto* texts = new QVBoxLayout;
        texts->setSpacing(4);
        texts->addWidget(label(tile.title, 1.1, QFont::DemiBold, false, false, nullptr));
        texts->addWidget(label(tile.description, 0.95, QFont::Normal, true, true, nullptr));
        tileLayout->addLayout(texts, 1);
        auto* card = cardAround(tileLayout, 14, 12);
        card->setFixedWidth(260);
        tiles->addWidget(card);
    }
    row->addLayout(tiles);
    row->addWidget(
        new LoopingIntroAnimationView(LoopingIntroAnimationView::resourceFor(AppLanguage::current()), page),
        1);
    layout->addLayout(row);
    layout->addStretch(1);
    return page;
}

QWidget* OnboardingWindow::buildPresentation() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    layout->addWidget(
        sectionHeader(lt(L10nKey::onboardingPanelTitle), lt(L10nKey::onboardingPanelDescription)));
    const auto mode = viewModel_.presentationMode();
    QRadioButton* buttons[2] = {nullptr, nullptr};
    const struct {
        DirectClipboardPresentationMode mode;
        const char* icon;
        QStyle::StandardPixmap fallback;
        L10nKey title;
        L10nKey description;
    } options[] = {
        {DirectClipboardPresentationMode::centered, "window-new", QStyle::SP_TitleBarMaxButton,
         L10nKey::onboardingStandardPanel, L10nKey::onboardingStandardPanelDescription},
        {DirectClipboardPresentationMode::floating, "insert-text", QStyle::SP_DesktopIcon,
         L10nKey::onboardingFloatingPanel, L10nKey::onboardingFloatingPanelDescription},
    };
    for (int i = 0; i < 2; ++i) {
        auto* optionLayout = new QHBoxLayout;
        optionLayout->setSpacing(12);
        optionLayout->addLayout(
            topAligned(symbol(options[i].icon, options[i].fallback, 28, lt(options[i].title))));
        auto* texts = new QVBoxLayout;
        texts->setSpacing(4);
        auto* radio = new QRadioButton(lt(options[i].title));
        radio->setObjectName(QString::fromUtf8(rawValue(options[i].mode).data()));
        radio->setAutoExclusive(false);
        radio->setChecked(mode == options[i].mode);
        buttons[i] = radio;
        texts->addWidget(radio);
        auto* description = label(lt(options[i].description), 0.95, QFont::Normal, true, true, nullptr);
        texts->addWidget(description);
        optionLayout->addLayout(texts, 1);
        layout->addWidget(cardAround(optionLayout, 18, 16));
    }
    for (int i = 0; i < 2; ++i) {
        const auto chosen = options[i].mode;
        connect(buttons[i], &QRadioButton::toggled, this, [this, buttons, chosen] {
            const auto stored = viewModel_.setPresentationMode(chosen);
            const QSignalBlocker blockCentered(buttons[0]);
            const QSignalBlocker blockFloating(buttons[1]);
            buttons[0]->setChecked(stored == DirectClipboardPresentationMode::centered);
            buttons[1]->setChecked(stored == DirectClipboardPresentationMode::floating);
        });
    }
    layout->addWidget(new NoteLabel(lt(L10nKey::onboardingPanelSwitchLater)));
    layout->addStretch(1);
    return page;
}

QWidget* OnboardingWindow::buildRecording() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    layout->addWidget(
        sectionHeader(lt(L10nKey::onboardingRecordingTitle), lt(L10nKey::onboardingRecordingDescription)));
    auto* boxes = new QVBoxLayout;
    boxes->setSpacing(12);
    auto* text = new QCheckBox(lt(L10nKey::onboardingCaptureText));
    text->setObjectName("captureText");
    text->setChecked(viewModel_.textCaptureEnabled());
    auto* images = new QCheckBox(lt(L10nKey::onboardingCaptureImages));
    images->setObjectName("captureImages");
    images->setChecked(viewModel_.imageCaptureEnabled());
    connect(text, &QCheckBox::toggled, this, [this, text](bool on) {
        const bool stored = viewModel_.setTextCaptureEnabled(on);
        const QSignalBlocker block(text);
        text->setChecked(stored);
    });
    connect(images, &QCheckBox::toggled, this, [this, images](bool on) {
        const bool stored = viewModel_.setImageCaptureEnabled(on);
        const QSignalBlocker block(images);
        images->setChecked(stored);
    });
    boxes->addWidget(text);
    boxes->addWidget(images);
    layout->addWidget(cardAround(boxes, 18, 16));
    layout->addWidget(new NoteLabel(lt(L10nKey::onboardingRecordingPrivacy)));
    layout->addStretch(1);
    return page;
}

QWidget* OnboardingWindow::buildShortcut() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    layout->addWidget(sectionHeader(lt(L10nKey::onboardingEntryPointsTitle),
                                    lt(L10nKey::onboardingEntryPointsDescription)));
    auto* content = new QVBoxLayout;
    content->setSpacing(14);
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(
        label(lt(L10nKey::onboardingClipboardHistoryHotkeyLabel), 1.0, QFont::Normal, false, false, nullptr));
    auto* recorder = new KeyComboRecorderControl(mainQueue_);
    recorder->setPlaceholder(L10n::text(L10nKey::generalRecordShortcutPlaceholder));
    recorder->setKeyCombo(viewModel_.loadClipboardHotkey());
    recorder->setFixedSize(std::max(190, recorder->sizeHint().width()), 34);
    recorder->updateDisplay();
    recorder->setDelegate(this);
    shortcutRecorder_ = recorder;
    row->addWidget(recorder);
    const auto defaultCombo = KeyCombo::defaultClipboardHistory();
    auto* useDefault =
        new QPushButton(qs(L10n::text(L10nKey::onboardingUseShortcut, defaultCombo.displayString())));
    useDefault->setObjectName("useDefaultShortcut");
    connect(useDefault, &QPushButton::clicked, this, [this, defaultCombo] {
        viewModel_.saveClipboardHotkey(defaultCombo);
        if (shortcutRecorder_) {
            shortcutRecorder_->setKeyCombo(defaultCombo);
            shortcutRecorder_->updateDisplay();
        }
    });
    row->addWidget(useDefault);
    row->addStretch(1);
    content->addLayout(row);
    shortcutFailure_ = new HotkeyFailureLabel;
    content->addWidget(shortcutFailure_);
    showShortcutFailure();

    auto* menuBar = new QCheckBox(lt(L10nKey::onboardingShowMenuBarIcon));
    menuBar->setObjectName("menuBarIcon");
    menuBar->setChecked(viewModel_.menuBarShowIcon());
    connect(menuBar, &QCheckBox::toggled, this, [this, menuBar](bool on) {
        const bool stored = viewModel_.setMenuBarShowIcon(on);
        const QSignalBlocker block(menuBar);
        menuBar->setChecked(stored);
    });
    content->addWidget(menuBar);
    content->addWidget(
        label(lt(L10nKey::onboardingMenuBarIconDescription), 0.95, QFont::Normal, true, true, nullptr));
    if (viewModel_.distributionChannel() == DistributionChannel::direct) {
        auto* line = new QFrame;
        line->setFrameShape(QFrame::HLine);
        line->setForegroundRole(QPalette::Mid);
        content->addWidget(line);
        content->addWidget(buildAccessibilitySection());
    }
    layout->addWidget(cardAround(content, 18, 16));
    layout->addWidget(
        new NoteLabel(qs(L10n::text(L10nKey::onboardingRecommendedShortcut, defaultCombo.displayString()))));
    layout->addStretch(1);
    return page;
}

QWidget* OnboardingWindow::buildAccessibilitySection() {
    auto* section = new QWidget;
    section->setObjectName("accessibilitySection");
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(
        label(lt(L10nKey::advancedAccessibilitySection), 1.0, QFont::DemiBold, false, false, section));
    auto* statusRow = new QHBoxLayout;
    statusRow->setSpacing(6);
    statusRow->addWidget(
        label(lt(L10nKey::advancedAccessibilityStatusLabel), 0.95, QFont::Normal, true, false, section));
    accessibilityStatus_ =
        label(lt(L10nKey::advancedAccessibilityChecking), 0.95, QFont::Medium, true, false, section);
    statusRow->addWidget(accessibilityStatus_);
    statusRow->addStretch(1);
    layout->addLayout(statusRow);
    accessibilityDescription_ = label(QString(), 0.95, QFont::Normal, true, true, section);
    layout->addWidget(accessibilityDescription_);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    accessibilityRequest_ = new QPushButton(lt(L10nKey::advancedRequestAccessibilityPermission), section);
    accessibilityOpenSettings_ = new QPushButton(lt(L10nKey::advancedOpenAccessibilitySettings), section);
    buttons->addWidget(accessibilityRequest_);
    buttons->addWidget(accessibilityOpenSettings_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addWidget(
        label(lt(L10nKey::advancedAccessibilityNotListedHint), 0.9, QFont::Normal, true, true, section));
    connect(accessibilityRequest_, &QPushButton::clicked, this, [this] {
        viewModel_.requestAccessibilityPermission();
        QPointer<OnboardingWindow> self(this);
        refreshTimer_ = mainQueue_.postAfter(1.0, [self] {
            if (self) self->refreshAccessibilityPermissionStatus();
        });
    });
    connect(accessibilityOpenSettings_, &QPushButton::clicked, this,
            [this] { viewModel_.openAccessibilitySettings(); });
    return section;
}

void OnboardingWindow::refreshAccessibilityPermissionStatus() {
    if (viewModel_.distributionChannel() != DistributionChannel::direct) return;
    if (!accessibilityStatus_ || !accessibilityDescription_ || !accessibilityRequest_ ||
        !accessibilityOpenSettings_) {
        return;
    }
    const auto presentation =
        viewModel_.accessibilityPresentation(viewModel_.accessibilityPermissionStatus(), appName_);
    accessibilityStatus_->setText(qs(presentation.statusText));
    QPalette palette = accessibilityStatus_->palette();
    QColor color = this->palette().color(QPalette::WindowText);
    switch (presentation.tone) {
        case OnboardingStatusTone::positive:
            color = QColor(0x34, 0xa8, 0x53);
            break;
        case OnboardingStatusTone::negative:
            color = QColor(0xe0, 0x3e, 0x36);
            break;
        case OnboardingStatusTone::caution:
            color = QColor(0xf0, 0x8c, 0x00);
            break;
        case OnboardingStatusTone::neutral:
            color.setAlphaF(0.62);
            break;
    }
    palette.setColor(QPalette::WindowText, color);
    accessibilityStatus_->setPalette(palette);
    accessibilityDescription_->setText(qs(presentation.description));
    accessibilityRequest_->setText(qs(presentation.requestButtonTitle));
    accessibilityRequest_->setVisible(presentation.buttonsVisible);
    accessibilityOpenSettings_->setVisible(presentation.openSettingsButtonVisible);
}

void OnboardingWindow::showShortcutFailure() {
    if (shortcutFailure_) shortcutFailure_->setFailure(viewModel_.clipboardHotkeyFailureText());
}

void OnboardingWindow::keyComboRecorderDidStartRecording(KeyComboRecorderState&) {
    if (viewModel_.onClipboardHotkeyRecordingChanged) viewModel_.onClipboardHotkeyRecordingChanged(true);
}

void OnboardingWindow::keyComboRecorderDidEndRecording(KeyComboRecorderState&) {
    if (viewModel_.onClipboardHotkeyRecordingChanged) viewModel_.onClipboardHotkeyRecordingChanged(false);
}

void OnboardingWindow::keyComboRecorder(KeyComboRecorderState&, const std::optional<KeyCombo>& didRecord) {
    if (didRecord) viewModel_.saveClipboardHotkey(*didRecord);
}

}  // namespace quorvane
