#pragma once

// The small borderless key-hint button of the panel footers ("↵ Copy & Return", "Ctrl+K Open Actions"):
// a symbol and a short title centred vertically, a rounded tinted background while hovered or pressed. A key
// text drawn before the title is part of the accessible name, so a reader hears the whole tip. Main thread
// only.

#include <QAbstractButton>

#include "panel/model/ClipboardFooterTipButtonStyle.h"
#include "ui/UiSymbols.h"

namespace quorvane {

class ClipboardFooterTipButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ClipboardFooterTipButton(QWidget* parent = nullptr);

    // Added to the symbol's vertical position.
    double imageVerticalOffset = 1.0;

    // The symbol before the title; none shows the title alone.
    void setSymbol(std::optional<UiSymbol> symbol);
    // A key combination drawn before the title in place of a key symbol ("Ctrl+K").
    void setKeyText(const QString& text);
    // Hides QAbstractButton::setText so the accessible name follows the title as well.
    void setText(const QString& text);
    // Tints the content with a fixed colour (an action) instead of the label greys.
    void setTint(std::optional<QColor> tint);
    bool isHovered() const { return style_.isHovered(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QSize contentSize() const;
    void updateAccessibleName();

    ClipboardFooterTipButtonStyle style_;
    std::optional<UiSymbol> symbol_ = UiSymbol::returnKey;
    QString keyText_;
    bool namedFromTip_ = false;
    std::optional<QColor> tint_;
};

}  // namespace quorvane
