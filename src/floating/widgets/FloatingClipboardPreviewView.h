#pragma once

// The preview bubble: a rounded body with a side arrow pointing at the selected row, a hairline border, a
// soft shadow and an inner highlight, holding the entry's text (plain, or pretty-printed and coloured) or its
// image, a fade strip when the content runs past the bottom, and a format button for JSON, JSON Lines and
// SQL. What it shows comes from FloatingClipboardPreviewContentRules. Main thread only.

#include <QLabel>
#include <QPainterPath>
#include <QPushButton>
#include <QRegion>
#include <QScrollArea>
#include <QTextEdit>
#include <QWidget>
#include <functional>
#include <optional>

#include "floating/model/FloatingClipboardPreviewContentRules.h"
#include "floating/model/FloatingClipboardPreviewRequest.h"

namespace quorvane {

// The bubble's text: read-only, selectable, with a Copy and Select All menu.
class FloatingClipboardPreviewTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit FloatingClipboardPreviewTextView(QWidget* parent = nullptr);
    // The selected text with plain line breaks; none without a selection.
    std::optional<std::string> selectedString() const;
    // The menu the view opens on a right click (tests inspect it).
    QMenu* makeContextMenu();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

class FloatingClipboardPreviewView : public QWidget {
    Q_OBJECT
public:
    // Room for the shadows around the outline.
    static constexpr int insetTop = 7, insetLeft = 8, insetBottom = 12, insetRight = 8;
    static constexpr int arrowWidth = 12, cornerRadius = 20, contentPadding = 16;

    explicit FloatingClipboardPreviewView(QWidget* parent = nullptr);

    std::function<void()> onFormatRequested;

    void apply(const FloatingClipboardPreviewRequest& request);
    // Switches between the formatted and the raw text; false when there is nothing to switch.
    bool setShowsFormattedText(bool formatted);

    bool isShowingFormattedText() const { return isShowingFormattedText_; }
    bool isShowingImage() const { return scrollArea_->isVisible() && !textView_->isVisible(); }
    const std::optional<FloatingClipboardPreviewFormattingState>& formattingState() const {
        return formattingState_;
    }
    // What the bubble holds inside its outline: the text or image and the format button.
    QWidget* contentView() const { return content_; }
    FloatingClipboardPreviewTextView* textView() const { return textView_; }
    QPushButton* formatButton() const { return formatButton_; }
    QWidget* fadeView() const { return fade_; }
    QLabel* imageView() const { return imageLabel_; }
    // The pixels of the decoded picture on show; invalid while a text is shown.
    QSize shownImagePixels() const { return image_.isNull() ? QSize() : image_.size(); }
    FloatingClipboardPreviewArrowSide arrowSide() const { return arrowSide_; }

    // The outline's rectangle inside the view: the view less the shadow margins.
    QRectF chromeFrame() const { return chromeRect(); }
    // The area inside the outline, in the view's coordinates: what the window keeps of the bubble when it is
    // masked (without a compositor the shadow margins would show as an opaque box).
    QRegion outlineRegion() const;
    // The bubble's outline (arrow included) for `rect`, y downwards, the arrow tip `arrowY` below its top.
    static QPainterPath outline(const QRectF& rect, FloatingClipboardPreviewArrowSide side, double arrowY);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRectF chromeRect() const;
    void layoutContent();
    void showText(const std::string& text, std::optional<ClipboardSystemClassification> classification,
                  bool formattingEnabled, FloatingClipboardPreviewMode mode);
    void showImage(const QImage& image);
    void setPlainText(const std::string& text, std::optional<ClipboardSystemClassification> classification);
    void setHighlightedText(const FloatingClipboardPreviewFormattingState& state);
    void updateFormatButton();
    void updateFade();
    void layoutImage();
    void recolorText();

    FloatingClipboardPreviewArrowSide arrowSide_ = FloatingClipboardPreviewArrowSide::leading;
    double arrowCenterY_ = 60;
    QWidget* content_;
    FloatingClipboardPreviewTextView* textView_;
    QScrollArea* scrollArea_;
    QLabel* imageLabel_;
    QImage image_;
    QWidget* fade_;
    QPushButton* formatButton_;
    std::optional<FloatingClipboardPreviewFormattingState> formattingState_;
    bool isShowingFormattedText_ = false;
    // What the text view shows, to recolour it after a palette change.
    std::string shownPlainText_;
    std::optional<ClipboardSystemClassification> shownClassification_;
};

}  // namespace quorvane
