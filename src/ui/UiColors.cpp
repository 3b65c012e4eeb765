#include "ui/UiColors.h"

namespace quorvane {
namespace {

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(color.alphaF() * alpha);
    return color;
}

}  // namespace

bool UiColors::isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QColor UiColors::label(const QPalette& palette, qreal alpha) {
    return withAlpha(palette.color(QPalette::WindowText), alpha);
}

QColor UiColors::secondaryLabel(const QPalette& palette) {
    return label(palette, 0.62);
}

QColor UiColors::tertiaryLabel(const QPalette& palette, qreal alpha) {
    return label(palette, 0.4 * alpha);
}

QColor UiColors::separator(const QPalette& palette) {
    return isDark(palette) ? QColor(255, 255, 255, 38) : QColor(0, 0, 0, 30);
}

QColor UiColors::accent(const QPalette& palette, qreal alpha) {
    return withAlpha(palette.color(QPalette::Highlight), alpha);
}

QColor UiColors::systemBlue(const QPalette& palette, qreal alpha) {
    return withAlpha(isDark(palette) ? QColor(10, 132, 255) : QColor(0, 122, 255), alpha);
}

QColor UiColors::systemRed(const QPalette& palette) {
    return isDark(palette) ? QColor(255, 69, 58) : QColor(255, 59, 48);
}

QColor UiColors::syntax(const SyntaxColor& color, bool dark) {
    const RgbColor& rgb = dark ? color.dark : color.light;
    return QColor::fromRgbF(static_cast<float>(rgb.red), static_cast<float>(rgb.green),
                            static_cast<float>(rgb.blue));
}

}  // namespace quorvane
