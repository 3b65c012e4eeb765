#include "panel/widgets/PinWindow.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QThreadPool>
#include <QVBoxLayout>
#include <mutex>
#include <system_error>

#include "base/AtomicFile.h"
#include "l10n/L10n.h"
#include "panel/widgets/ClipboardDetailView.h"
#include "panel/widgets/LetterKey.h"
#include "panel/widgets/SystemClipboardSavePanelPresenter.h"
#include "platform/linux/QtAlertPresenter.h"
#include "ui/ShownImageDecoding.h"
#include "ui/TransientScrollBars.h"
#include "ui/UiColors.h"

namespace quorvane {
namespace {

QString text(L10nKey key) {
    return QString::fromStdString(L10n::text(key));
}

// The image scaled to fit and centred, or "No image data" in the secondary colour. The picture is decoded
// on a worker at the largest size the window can take, so pinning a large one never stalls the program.
class PinImageView final : public QWidget {
public:
    PinImageView(const std::optional<Data>& imageData, QSize largestShown, QWidget* parent)
        : QWidget(parent), decoding_(imageData.has_value()) {
        handoff_->view = this;
        if (!imageData) return;
        auto bytes = std::make_shared<const Data>(*imageData);
        const QSize bound = largestShown * devicePixelRatioF();
        QThreadPool::globalInstance()->start([handoff = handoff_, bytes, bound] {
            QImage image = decodeImageFitting(*bytes, bound);
            // Posted only while the view exists (it clears `view` under the lock as it goes); the event dies
            // with the view if it goes before it runs.
            const std::lock_guard lock(handoff->mutex);
            if (!handoff->view) return;
            QMetaObject::invokeMethod(
                handoff->view,
                [view = handoff->view, image = std::move(image)]() mutable {
                    view->decoded(std::move(image));
                },
                Qt::QueuedConnection);
        });
    }
    ~PinImageView() override {
        const std::lock_guard lock(handoff_->mutex);
        handoff_->view = nullptr;
    }

    QSize imagePixels() const { return image_.isNull() ? QSize() : image_.size(); }
    bool isDecoding() const { return decoding_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (image_.isNull()) {
            painter.setPen(UiColors::secondaryLabel(palette()));
            painter.drawText(rect(), Qt::AlignCenter,
                             text(decoding_ ? L10nKey::detailLoading : L10nKey::floatingWindowNoImageData));
            return;
        }
        const QSize scaled = image_.size().scaled(size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - scaled.width()) / 2, (height() - scaled.height()) / 2), scaled);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image_);
    }

private:
    void decoded(QImage image) {
        decoding_ = false;
        image_ = std::move(image);
        update();
    }

    // What the decoding worker posts its picture to.
    struct Handoff {
        std::mutex mutex;
        PinImageView* view = nullptr;
    };

    std::shared_ptr<Handoff> handoff_ = std::make_shared<Handoff>();
    QImage image_;
    bool decoding_;
};

// Plain text in, plain text out: rich text pasted from the clipboard arrives without its formatting.
class PinPlainTextView final : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override { return source->hasText(); }
    void insertFromMimeData(const QMimeData* source) override {
        if (source->hasText()) insertPlainText(source->text());
    }
};

}  // namespace

PinWindowServices PinWindowServices::desktop(Pasteboard& pasteboard) {
    return PinWindowServices{
        [](QWidget* window) { return std::make_unique<SystemClipboardSavePanelPresenter>(window); },
        [](QWidget* window) { return std::make_unique<QtAlertPresenter>(window); }, pasteboard};
}

PinWindow* PinWindow::make(const ClipboardHistoryIndexSnapshot& entry,
                           const ClipboardHistoryContentSnapshot& content, PinCopyHandler copyHandler,
                           const PinWindowServices& services) {
    return new PinWindow(entry, content, std::move(copyHandler), services);
}

PinWindowFactory PinWindow::factory(PinWindowServices services) {
    return
        [services](const ClipboardHistoryIndexSnapshot& entry, const ClipboardHistoryContentSnapshot& content,
                   PinCopyHandler copyHandler) -> PinWindowPresenting* {
            return make(entry, content, std::move(copyHandler), services);
        };
}

PinWindow::PinWindow(const ClipboardHistoryIndexSnapshot& entry,
                     const ClipboardHistoryContentSnapshot& content, PinCopyHandler copyHandler,
                     const PinWindowServices& services)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      state_(entry, content),
      copyHandler_(std::move(copyHandler)),
      services_(services),
      savePanelPresenter_(services.makeSavePanelPresenter(this)),
      alertPresenter_(services.makeAlertPresenter(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(text(L10nKey::floatingWindowTitle));
    setMinimumSize(200, 150);
    setMaximumSize(1000, 800);
    resize(defaultWidth, defaultHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    copyButton_ = new QPushButton(text(L10nKey::itemActionCopy), this);
    saveButton_ = new QPushButton(text(L10nKey::save), this);
    copyButton_->setFocusPolicy(Qt::NoFocus);
    saveButton_->setFocusPolicy(Qt::NoFocus);
    connect(copyButton_, &QPushButton::clicked, this, [this] { copy(); });
    connect(saveButton_, &QPushButton::clicked, this, [this] { save(); });

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(10, 8, 10, 8);
    bar->setSpacing(8);
    bar->addStretch(1);
    bar->addWidget(copyButton_);
    bar->addWidget(saveButton_);
    bar->addStretch(1);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(bar);
    column->addWidget(divider);
    if (state_.isText()) {
        editor_ = new PinPlainTextView(this);
        editor_->setFrameShape(QFrame::NoFrame);
        editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        editor_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        editor_->document()->setDocumentMargin(8);
        // The size the detail pane shows the same text at.
        QFont font = editor_->font();
        font.setPointSizeF(ClipboardDetailView::textPointSize);
        editor_->setFont(font);
        TransientScrollBars::apply(*editor_);
        editor_->setPlainText(QString::fromStdString(state_.currentText()));
        // Loading the text is no edit; undo starts from here.
        editor_->document()->clearUndoRedoStacks();
        connect(editor_, &QPlainTextEdit::textChanged, this,
                [this] { state_.textChanged(editor_->toPlainText().toStdString()); });
        column->addWidget(editor_, 1);
        setFocusProxy(editor_);
    } else {
        imageView_ = new PinImageView(state_.content().imageData, maximumSize(), this);
        column->addWidget(imageView_, 1);
    }
}

void PinWindow::present() {
    show();
    raise();
    activateWindow();
}

void PinWindow::copy() {
    QPointer<PinWindow> self(this);
    auto completion = [self](bool copied) {
        if (!self || copied) return;
        self->showAlert(L10nKey::floatingWindowCopyFailedTitle,
                        L10n::text(L10nKey::floatingWindowCopyFailedMessage));
    };
    const auto overrideText = state_.copyOverrideText();
    if (copyHandler_) {
        copyHandler_(overrideText, completion);
        return;
    }
    completion(PinWindowState::writeToPasteboard(services_.pasteboard, state_.contentType(), state_.content(),
                                                 overrideText));
}

void PinWindow::save(std::function<void(bool)> completion) {
    if (state_.isText()) {
        saveText(std::move(completion));
    } else {
        saveImage(std::move(completion));
    }
}

void PinWindow::saveText(std::function<void(bool)> completion) {
    QPointer<PinWindow> self(this);
    savePanelPresenter_->present(state_.saveRequest(),
                                 [self, completion](std::optional<std::filesystem::path> destination) {
                                     if (!self || !destination) {
                                         if (completion) completion(false);
                                         return;
                                     }
                                     try {
                                         writeUserFileAtomically(*destination, self->state_.currentText());
                                     } catch (const std::system_error& error) {
                                         self->showAlert(L10nKey::saveFailedTitle, error.what());
                                         if (completion) completion(false);
                                         return;
                                     }
                                     self->state_.textSaved();
                                     if (completion) completion(true);
                                 });
}

QSize PinWindow::shownImagePixels() const {
    return imageView_ ? static_cast<const PinImageView*>(imageView_)->imagePixels() : QSize();
}

bool PinWindow::isDecodingImage() const {
    return imageView_ && static_cast<const PinImageView*>(imageView_)->isDecoding();
}

void PinWindow::saveImage(std::function<void(bool)> completion) {
    const auto& imageData = state_.content().imageData;
    if (!imageData) {
        showAlert(L10nKey::saveFailedTitle, L10n::text(L10nKey::floatingWindowNoImageToSave));
        if (completion) completion(false);
        return;
    }
    QPointer<PinWindow> self(this);
    savePanelPresenter_->present(
        state_.saveRequest(), [self, completion](std::optional<std::filesystem::path> destination) {
            if (!self || !destination) {
                if (completion) completion(false);
                return;
            }
            const Data& data = *self->state_.content().imageData;
            try {
                writeUserFileAtomically(
                    *destination, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
            } catch (const std::system_error& error) {
                self->showAlert(L10nKey::saveFailedTitle, error.what());
                if (completion) completion(false);
                return;
            }
            if (completion) completion(true);
        });
}

void PinWindow::showAlert(L10nKey message, const std::string& informative) {
    Alert alert;
    alert.style = AlertStyle::warning;
    alert.messageText = L10n::text(message);
    alert.informativeText = informative;
    alert.buttonTitles = {L10n::text(L10nKey::ok)};
    alertPresenter_->present(alert, [](std::optional<std::size_t>) {});
}

void PinWindow::closeEvent(QCloseEvent* event) {
    if (closeConfirmed_ || state_.closesWithoutAsking()) {
        event->accept();
        return;
    }
    event->ignore();
    askToSaveBeforeClosing();
}

void PinWindow::askToSaveBeforeClosing() {
    // One question at a time: a second Escape while it is open changes nothing.
    if (askingToSave_) return;
    askingToSave_ = true;
    Alert alert;
    alert.style = AlertStyle::warning;
    alert.messageText = L10n::text(L10nKey::floatingWindowSaveChangesTitle);
    alert.informativeText = L10n::text(L10nKey::floatingWindowSaveChangesMessage);
    alert.buttonTitles = {L10n::text(L10nKey::save), L10n::text(L10nKey::dontSave),
                          L10n::text(L10nKey::cancel)};
    QPointer<PinWindow> self(this);
    alertPresenter_->presentWithEscapeButton(alert, 2, [self](std::optional<std::size_t> pressed) {
        if (!self) return;
        self->askingToSave_ = false;
        if (pressed == 0u) {
            self->save([self](bool saved) {
                if (!self || !saved) return;
                self->closeConfirmed_ = true;
                self->close();
            });
        } else if (pressed == 1u) {
            self->closeConfirmed_ = true;
            self->close();
        }
    });
}

void PinWindow::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    const int key = letterKey(*event);
    if (event->key() == Qt::Key_Escape || (control && key == Qt::Key_W)) {
        close();
        return;
    }
    if (control && key == Qt::Key_S) {
        save();
        return;
    }
    if (control && key == Qt::Key_C && !state_.isText()) {
        copy();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace quorvane
