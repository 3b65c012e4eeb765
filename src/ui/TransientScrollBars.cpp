#include "ui/TransientScrollBars.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPointer>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>

namespace quorvane {
namespace {

// Fusion draws transient bars thin, without buttons, and fades them; other styles may not.
class TransientScrollBarStyle final : public QProxyStyle {
public:
    TransientScrollBarStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ScrollBar_Transient) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    // Fusion picks a light or a dark thumb from the base colour of the area around the bar, which the
    // panes' transparent style sheets leave black: light panes got a white thumb nobody sees. Without the
    // widget it reads the bar's own palette, which follows the theme. The fade works on the option's object.
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override {
        QProxyStyle::drawComplexControl(control, option, painter, control == CC_ScrollBar ? nullptr : widget);
    }
};

QStyle* transientStyle() {
    // One for the application, released with it.
    static QPointer<QStyle> style;
    if (!style) {
        style = new TransientScrollBarStyle;
        style->setParent(qApp);
    }
    return style;
}

}  // namespace

void TransientScrollBars::apply(QAbstractScrollArea& area) {
    QStyle* style = transientStyle();
    // The area decides whether its bars overlay the content; each bar draws itself.
    area.setStyle(style);
    area.verticalScrollBar()->setStyle(style);
    area.horizontalScrollBar()->setStyle(style);
}

bool TransientScrollBars::isApplied(const QAbstractScrollArea& area) {
    const QScrollBar* bar = area.verticalScrollBar();
    return area.style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, &area) != 0 &&
           bar->style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, bar) != 0;
}

}  // namespace quorvane
