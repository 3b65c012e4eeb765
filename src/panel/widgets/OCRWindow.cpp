#include "panel/widgets/OCRWindow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "l10n/L10n.h"
#include "panel/widgets/LetterKey.h"
#include "ui/TransientScrollBars.h"
#include "ui/UiColors.h"
#include "ui/UiSymbols.h"

namespace quorvane {
namespace {

// The picture scaled to fit, centred, on a faint grey; "No Image" without one.
class OCRImagePane final : public QWidget {
public:
    OCRImagePane(QImage image, QWidget* parent) : QWidget(parent), image_(std::move(image)) {}

    QSize imagePixels() const { return image_.isNull() ? QSize() : image_.size(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), UiColors::label(palette(), 0.08));
        if (image_.isNull()) {
            painter.setPen(UiColors::secondaryLabel(palette()));
            painter.drawText(rect(), Qt::AlignCenter,
                             QString::fromStdString(L10n::text(L10nKey::ocrNoImage)));
            return;
        }
        const QSize scaled = image_.size().scaled(size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - scaled.width()) / 2, (height() - scaled.height()) / 2), scaled);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image_);
    }

private:
    QImage image_;
};

}  // namespace

OCRWindow::OCRWindow(std::unique_ptr<OCRViewModel> viewModel, QImage image, QWidget* parent)
    : QWidget(parent, Qt::Window), viewModel_(std::move(viewModel)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromStdString(L10n::text(L10nKey::ocrWindowTitle)));

    imagePane_ = new OCRImagePane(std::move(image), this);
    textPane_ = new QWidget(this);
    textPane_->setAutoFillBackground(true);
    textPane_->setBackgroundRole(QPalette::Base);

    copyButton_ = new QToolButton(textPane_);
    copyButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    copyButton_->setAutoRaise(true);
    copyButton_->setFocusPolicy(Qt::StrongFocus);
    QFont small = copyButton_->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    copyButton_->setFont(small);
    connect(copyButton_, &QToolButton::clicked, this, [this] { viewModel_->copy(); });

    editor_ = new QPlainTextEdit(textPane_);
    editor_->setFrameShape(QFrame::NoFrame);
    editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor_->document()->setDocumentMargin(12);
    // Tab moves on to the Copy button instead of typing a tab into the recognised text.
    editor_->setTabChangesFocus(true);
    TransientScrollBars::apply(*editor_);
    connect(editor_, &QPlainTextEdit::textChanged, this,
            [this] { viewModel_->setResult(editor_->toPlainText().toStdString()); });

    errorLabel_ = new QLabel(textPane_);
    errorLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    errorLabel_->setWordWrap(true);
    errorLabel_->setContentsMargins(12, 12, 12, 12);
    errorLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* column = new QVBoxLayout(textPane_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(0, 10, 10, 0);
    buttonRow->addStretch(1);
    buttonRow->addWidget(copyButton_);
    column->addLayout(buttonRow);
    column->addWidget(editor_, 1);
    column->addWidget(errorLabel_, 1);

    subscription_ = viewModel_->observe([this] { refresh(); });
    refresh();
}

OCRWindow::~OCRWindow() = default;

void OCRWindow::refresh() {
    const auto& model = *viewModel_;
    const bool copied = model.buttonLabel() == OCRViewModel::ButtonLabel::copied;
    copyButton_->setText(
        QString::fromStdString(L10n::text(copied ? L10nKey::ocrCopied : L10nKey::itemActionCopy)));
    copyButton_->setIcon(UiSymbols::tinted(UiSymbol::clipboard, QSize(14, 14), UiColors::label(palette()),
                                           devicePixelRatioF()));
    copyButton_->setEnabled(model.canCopy());

    const bool failed = model.errorMessage().has_value();
    errorLabel_->setVisible(failed);
    editor_->setVisible(!failed);
    if (failed) {
        errorLabel_->setText(QString::fromStdString(*model.errorMessage()));
        errorLabel_->setStyleSheet(QStringLiteral("color: %1").arg(UiColors::systemRed(palette()).name()));
    }
    const QString text = QString::fromStdString(model.result());
    if (editor_->toPlainText() != text) {
        // The model's own text coming back must not count as an edit.
        const QSignalBlocker blocker(editor_);
        editor_->setPlainText(text);
    }
}

QSize OCRWindow::shownImagePixels() const {
    return static_cast<const OCRImagePane*>(imagePane_)->imagePixels();
}

void OCRWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    viewModel_->recognize();
}

void OCRWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutPanes();
}

void OCRWindow::layoutPanes() {
    const auto widths = OCRViewModel::paneWidths(width());
    const int imageWidth = static_cast<int>(widths.image + 0.5);
    imagePane_->setGeometry(0, 0, imageWidth, height());
    textPane_->setGeometry(imageWidth, 0, width() - imageWidth, height());
}

void OCRWindow::keyPressEvent(QKeyEvent* event) {
    const int key = letterKey(*event);
    if ((event->modifiers() & Qt::ControlModifier) && key == Qt::Key_W) {
        close();
        return;
    }
    if ((event->modifiers() & Qt::ControlModifier) && key == Qt::Key_C && editor_->isVisible()) {
        editor_->copy();
        return;
    }
    QWidget::keyPressEvent(event);
}

void OCRWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) refresh();
}

}  // namespace quorvane
