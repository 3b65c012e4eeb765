#include "floating/widgets/FloatingClipboardPreviewController.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QTextCursor>

namespace quorvane {

namespace {

QRect toQRect(const ScreenRect& r) {
    return QRect(int(std::lround(r.x)), int(std::lround(r.y)), int(std::lround(r.width)),
                 int(std::lround(r.height)));
}

}  // namespace

FloatingClipboardPreviewController::FloatingClipboardPreviewController(FloatingClipboardPanel& panel)
    : panel_(panel) {}

FloatingClipboardPreviewController::~FloatingClipboardPreviewController() {
    delete view_.data();
}

bool FloatingClipboardPreviewController::isShowing() const {
    return view_ && panel_.window() && view_->parentWidget() == panel_.rootView() &&
           view_->isVisibleTo(panel_.window()) && panel_.isVisible();
}

void FloatingClipboardPreviewController::present(const FloatingClipboardPreviewRequest& request) {
    if (!panel_.window() || !panel_.rootView()) return;
    show(request, !isShowing());
}

void FloatingClipboardPreviewController::update(const FloatingClipboardPreviewRequest& request) {
    if (!isShowing()) {
        present(request);
        return;
    }
    if (!panel_.window()) {
        dismiss();
        return;
    }
    show(request, false);
}

void FloatingClipboardPreviewController::show(const FloatingClipboardPreviewRequest& request, bool fade) {
    auto* root = panel_.rootView();
    auto* window = panel_.window();
    const auto layout = FloatingClipboardPreviewPlacementCalculator::hostLayout(
        root->listSurfaceScreenFrame(), request.placement);
    if (!layout) return;
    if (!view_) {
        view_ = new FloatingClipboardPreviewView(root);
        std::weak_ptr<char> alive = lifetime_;
        view_->onFormatRequested = [this, alive] {
            if (alive.expired()) return;
            if (onFormatRequested_) {
                onFormatRequested_();
            } else if (isShowing()) {
                view_->setShowsFormattedText(true);
            }
        };
    }
    if (view_->parentWidget() != root) view_->setParent(root);
    const QRect windowFrame = toQRect(layout->windowFrame);
    window->setGeometry(windowFrame);
    root->setGeometry(0, 0, windowFrame.width(), windowFrame.height());
    root->listSurfaceView()->setGeometry(toQRect(layout->panelFrameInWindow));
    const QRect bubble = toQRect(layout->bubbleFrameInWindow);
    view_->setGeometry(bubble);
    view_->apply(request);
    root->updateMask(view_->outlineRegion().translated(bubble.topLeft()));
    view_->show();
    view_->raise();
    // Only the content fades in: without a compositor a fading bubble would first show the window's own
    // grey where the bubble is to be.
    QWidget* content = view_->contentView();
    if (fade) {
        auto* effect = new QGraphicsOpacityEffect(content);
        effect->setOpacity(0);
        content->setGraphicsEffect(effect);
        auto* animation = new QPropertyAnimation(effect, "opacity", content);
        animation->setDuration(fadeInMilliseconds);
        animation->setStartValue(0.0);
        animation->setEndValue(1.0);
        animation->setEasingCurve(QEasingCurve::OutCubic);
        // The effect goes once the content is opaque: it would render the text view offscreen for nothing.
        QPointer<QGraphicsOpacityEffect> fading = effect;
        QObject::connect(animation, &QPropertyAnimation::finished, content, [content, fading] {
            if (fading && content->graphicsEffect() == fading) content->setGraphicsEffect(nullptr);
        });
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        content->setGraphicsEffect(nullptr);
    }
}

void FloatingClipboardPreviewController::dismiss() {
    if (!view_) return;
    view_->textView()->setTextCursor(QTextCursor(view_->textView()->document()));
    auto* root = panel_.rootView();
    auto* window = panel_.window();
    if (window && root && view_->parentWidget() == root && view_->isVisibleTo(window)) {
        const ScreenRect frame = root->listSurfaceScreenFrame();
        const QRect panelFrame = toQRect(frame);
        window->setGeometry(panelFrame);
        root->setGeometry(0, 0, panelFrame.width(), panelFrame.height());
        root->listSurfaceView()->setGeometry(0, 0, panelFrame.width(), panelFrame.height());
        root->updateMask();
    }
    view_->hide();
}

std::optional<std::string> FloatingClipboardPreviewController::selectedText() const {
    if (!isShowing()) return std::nullopt;
    return view_->textView()->selectedString();
}

bool FloatingClipboardPreviewController::setShowsFormattedText(bool formatted) {
    if (!isShowing()) return false;
    return view_->setShowsFormattedText(formatted);
}

}  // namespace quorvane
