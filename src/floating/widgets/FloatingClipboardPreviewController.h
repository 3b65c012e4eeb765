#pragma once

// Shows the preview bubble inside the floating panel's window: grows the window to the union of the panel
// and the bubble, places the bubble beside the list and fades it in the first time; on dismissal shrinks the
// window back to the panel. Keeps one bubble view for reuse. Main thread only.

#include <QPointer>
#include <memory>

#include "floating/model/FloatingClipboardPreviewPresenting.h"
#include "floating/widgets/FloatingClipboardPanel.h"
#include "floating/widgets/FloatingClipboardPreviewView.h"

class QPropertyAnimation;

namespace quorvane {

class FloatingClipboardPreviewController final : public FloatingClipboardPreviewPresenting {
public:
    static constexpr int fadeInMilliseconds = 120;

    // `panel` must outlive the presenter.
    explicit FloatingClipboardPreviewController(FloatingClipboardPanel& panel);
    ~FloatingClipboardPreviewController() override;

    void present(const FloatingClipboardPreviewRequest& request) override;
    void update(const FloatingClipboardPreviewRequest& request) override;
    void dismiss() override;
    bool isShowing() const override;
    std::optional<std::string> selectedText() const override;
    bool setShowsFormattedText(bool formatted) override;
    void setOnFormatRequested(std::function<void()> onFormatRequested) override {
        onFormatRequested_ = std::move(onFormatRequested);
    }

    // Null before the first presentation.
    FloatingClipboardPreviewView* previewView() const { return view_; }

private:
    void show(const FloatingClipboardPreviewRequest& request, bool fade);

    FloatingClipboardPanel& panel_;
    QPointer<FloatingClipboardPreviewView> view_;
    std::function<void()> onFormatRequested_;
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace quorvane
