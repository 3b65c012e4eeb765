#include "hotkeys/widgets/KeyComboRecorderControl.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <cmath>

#include "l10n/L10n.h"
#include "platform/KeyPositions.h"

namespace quorvane {

namespace {

constexpr double kCornerRadius = 6;
constexpr int kIndicatorSize = 12;

// A small indeterminate spinner: twelve spokes, the brightest turning while it is visible.
class SpinningIndicator : public QWidget {
public:
    explicit SpinningIndicator(QWidget* parent) : QWidget(parent), timer_(this) {
        setFixedSize(kIndicatorSize, kIndicatorSize);
        timer_.setInterval(80);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            step_ = (step_ + 1) % 12;
            update();
        });
    }

protected:
    void showEvent(QShowEvent*) override { timer_.start(); }
    void hideEvent(QHideEvent*) override { timer_.stop(); }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(width() / 2.0, height() / 2.0);
        const double radius = std::min(width(), height()) / 2.0;
        QColor color = palette().color(QPalette::WindowText);
        for (int spoke = 0; spoke < 12; ++spoke) {
            color.setAlphaF(0.15 + 0.75 * ((spoke - step_ + 12) % 12) / 11.0);
            painter.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius * 0.95));
            painter.rotate(30);
        }
    }

private:
    QTimer timer_;
    int step_ = 0;
};

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(alpha);
    return color;
}

QColor gray(double alpha) {
    return withAlpha(QColor(128, 128, 128), alpha);
}

bool isModifierOrLockKey(int key) {
    switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Meta:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
        case Qt::Key_ScrollLock:
            return true;
        default:
            return false;
    }
}

// The US-layout keysym of a Qt key, for events without an X keycode (other platform plugins, tests).
std::optional<std::uint32_t> usKeysymOf(int key) {
    if (key >= 0x20 && key <= 0x7e) return static_cast<std::uint32_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F20) return 0xffbe + static_cast<std::uint32_t>(key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Return:
            return 0xff0d;
        case Qt::Key_Enter:
            return 0xff8d;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 0xff09;
        case Qt::Key_Backspace:
            return 0xff08;
        case Qt::Key_Escape:
            return 0xff1b;
        case Qt::Key_Delete:
            return 0xffff;
        case Qt::Key_Insert:
            return 0xff63;
        case Qt::Key_Home:
            return 0xff50;
        case Qt::Key_End:
            return 0xff57;
        case Qt::Key_PageUp:
            return 0xff55;
        case Qt::Key_PageDown:
            return 0xff56;
        case Qt::Key_Left:
            return 0xff51;
        case Qt::Key_Up:
            return 0xff52;
        case Qt::Key_Right:
            return 0xff53;
        case Qt::Key_Down:
            return 0xff54;
        default:
            return std::nullopt;
    }
}

constexpr double kDisplayPointSize = 13;
constexpr double kSmallestDisplayPointSize = 9;

}  // namespace

KeyComboRecorderControl::KeyComboRecorderControl(MainQueue& mainQueue, QWidget* parent)
    : QWidget(parent),
      state_(mainQueue),
      displayField_(new QLabel(this)),
      progressIndicator_(new SpinningIndicator(this)) {
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QFont font = displayField_->font();
    font.setPointSizeF(kDisplayPointSize);
    displayField_->setFont(font);
    displayField_->setTextFormat(Qt::PlainText);
    displayField_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    displayField_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    progressIndicator_->hide();

    auto* layout = new QHBoxLayout(this);
    // Little vertical margin: in a 32-point-high control the text still needs its whole line height.
    layout->setContentsMargins(12, 4, 12, 4);
    layout->setSpacing(8);
    layout->addWidget(displayField_, 1);
    layout->addWidget(progressIndicator_, 0, Qt::AlignVCenter);

    // The delayed commit changes the state without any widget call; redraw when it does.
    stateChanges_ = state_.observeChanges([this] { updateDisplay(); });
    updateDisplay();
}

KeyComboRecorderControl::~KeyComboRecorderControl() {
    stateChanges_.reset();
    state_.stopRecording();
    if (isMonitoringKeys_) {
        releaseKeyboard();
        qApp->removeEventFilter(this);
    }
}

void KeyComboRecorderControl::setKeyCombo(std::optional<KeyCombo> keyCombo) {
    state_.setKeyCombo(std::move(keyCombo));
    updateDisplay();
}

void KeyComboRecorderControl::setPlaceholder(std::optional<std::string> placeholder) {
    state_.setPlaceholder(std::move(placeholder));
    updateDisplay();
}

void KeyComboRecorderControl::startRecording() {
    state_.startRecording();
    updateDisplay();
}

void KeyComboRecorderControl::finishRecording() {
    state_.finishRecording();
    updateDisplay();
}

void KeyComboRecorderControl::stopRecording() {
    state_.stopRecording();
    updateDisplay();
}

void KeyComboRecorderControl::updateDisplay() {
    syncKeyMonitor();
    const auto display = state_.display();
    const QString text = QString::fromStdString(display.text);
    displayField_->setText(text);
    setAccessibleName(text);
    QColor color = palette().color(QPalette::WindowText);
    if (display.tone == KeyComboRecorderState::Display::Tone::placeholder) color = withAlpha(color, 0.5);
    if (display.tone == KeyComboRecorderState::Display::Tone::recording) {
        color = palette().color(QPalette::Highlight);
    }
    QPalette labelPalette = displayField_->palette();
    labelPalette.setColor(QPalette::WindowText, color);
    displayField_->setPalette(labelPalette);
    progressIndicator_->setVisible(display.showsProgress);
    fitDisplayFont();
    if (!underMouse())
        hoverBackground_ = state_.isRecording() ? withAlpha(palette().color(QPalette::Highlight), 0.1)
                                                : QColor(Qt::transparent);
    update();
}

void KeyComboRecorderControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitDisplayFont();
}

void KeyComboRecorderControl::fitDisplayFont() {
    // Measured against the room the layout gives the label, which is known before the label is laid out.
    const QMargins margins = layout()->contentsMargins();
    int room = width() - margins.left() - margins.right();
    if (progressIndicator_->isVisibleTo(this)) {
        room -= progressIndicator_->sizeHint().width() + layout()->spacing();
    }
    QFont font = displayField_->font();
    double size = kDisplayPointSize;
    font.setPointSizeF(size);
    while (size > kSmallestDisplayPointSize &&
           QFontMetricsF(font).horizontalAdvance(displayField_->text()) > room) {
        size -= 0.5;
        font.setPointSizeF(size);
    }
    if (font != displayField_->font()) displayField_->setFont(font);
}

void KeyComboRecorderControl::syncKeyMonitor() {
    if (state_.isRecording() == isMonitoringKeys_) return;
    isMonitoringKeys_ = state_.isRecording();
    if (isMonitoringKeys_) {
        qApp->installEventFilter(this);
        // The whole keyboard, so a combination another program has grabbed reaches us and not that program.
        grabKeyboard();
    } else {
        releaseKeyboard();
        qApp->removeEventFilter(this);
    }
}

std::optional<std::uint16_t> KeyComboRecorderControl::keyCodeOf(const QKeyEvent& event) {
    if (isModifierOrLockKey(event.key())) return std::nullopt;
    if (event.key() == Qt::Key_Escape) return KeyCombo::keyCodeEscape;
    if (event.nativeScanCode() != 0 && QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (const auto position = KeyPositions::ofXKeycode(event.nativeScanCode())) return position->keyCode;
    }
    if (const auto keysym = usKeysymOf(event.key())) {
        if (const auto position = KeyPositions::ofUsKeysym(*keysym)) return position->keyCode;
    }
    return std::nullopt;
}

std::uint64_t KeyComboRecorderControl::modifierFlagsOf(Qt::KeyboardModifiers modifiers) {
    std::uint64_t flags = 0;
    if (modifiers & Qt::ShiftModifier) flags |= hotkeyModifierShift;
    if (modifiers & Qt::ControlModifier) flags |= hotkeyModifierCommand;
    if (modifiers & Qt::AltModifier) flags |= hotkeyModifierOption;
    if (modifiers & Qt::MetaModifier) flags |= hotkeyModifierControl;
    return flags;
}

bool KeyComboRecorderControl::eventFilter(QObject* watched, QEvent* event) {
    if (!state_.isRecording()) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::KeyRelease:
            // Swallowed: no shortcut or control may act on keys typed for the recording.
            event->accept();
            return true;
        case QEvent::KeyPress: {
            // Taken before any window or control of the application sees it.
            auto* keyEvent = static_cast<QKeyEvent*>(event);
            if (const auto keyCode = keyCodeOf(*keyEvent)) {
                state_.handleKeyDown(*keyCode, modifierFlagsOf(keyEvent->modifiers()));
                updateDisplay();
            }
            event->accept();
            return true;
        }
        default:
            return QWidget::eventFilter(watched, event);
    }
}

void KeyComboRecorderControl::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
    state_.click();
    updateDisplay();
}

void KeyComboRecorderControl::keyPressEvent(QKeyEvent* event) {
    // Keyboard users start a recording the way they press a button.
    if (!state_.isRecording() && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return)) {
        startRecording();
        return;
    }
    QWidget::keyPressEvent(event);
}

void KeyComboRecorderControl::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // The user went elsewhere (another control or window): the keyboard is theirs again.
    if (event->reason() != Qt::PopupFocusReason && state_.isRecording()) stopRecording();
}

void KeyComboRecorderControl::hideEvent(QHideEvent* event) {
    // Another page, or the window closed.
    if (state_.isRecording()) stopRecording();
    QWidget::hideEvent(event);
}

void KeyComboRecorderControl::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    hoverBackground_ = gray(0.05);
    update();
}

void KeyComboRecorderControl::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    hoverBackground_ =
        state_.isRecording() ? withAlpha(palette().color(QPalette::Highlight), 0.1) : QColor(Qt::transparent);
    update();
}

void KeyComboRecorderControl::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) updateDisplay();
}

void KeyComboRecorderControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
    const QColor accent = palette().color(QPalette::Highlight);
    const bool recording = state_.isRecording();
    painter.fillPath(outline, hoverBackground_);
    painter.fillPath(outline, recording ? withAlpha(accent, 0.1) : gray(0.05));
    painter.setPen(QPen(recording ? withAlpha(accent, 0.5) : gray(0.3), 1));
    painter.drawPath(outline);
    if (hasFocus() && !recording) {
        painter.setPen(QPen(withAlpha(accent, 0.8), 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), kCornerRadius - 1,
                                kCornerRadius - 1);
    }
}

QSize KeyComboRecorderControl::sizeHint() const {
    // Wide enough for the recording prompt at full size beside the spinner.
    QFont font = displayField_->font();
    font.setPointSizeF(kDisplayPointSize);
    const QMargins margins = layout()->contentsMargins();
    const int prompt = static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(
        QString::fromStdString(L10n::text(L10nKey::hotkeyRecorderPrompt)))));
    const int width = margins.left() + prompt + layout()->spacing() + kIndicatorSize + margins.right() + 2;
    return QSize(std::max(220, width), std::max(32, QWidget::sizeHint().height()));
}

QSize KeyComboRecorderControl::minimumSizeHint() const {
    return QSize(80, std::max(32, QWidget::minimumSizeHint().height()));
}

}  // namespace quorvane
