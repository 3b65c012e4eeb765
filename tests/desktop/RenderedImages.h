#pragma once

// Images for the desktop tests: encoded in memory, and black text on white drawn off screen for text
// recognition. Need a QGuiApplication (DesktopSession) for the fonts.

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>
#include <vector>

#include "platform/ImageTextRecognizer.h"

namespace quorvane::testing {

inline Data encoded(const QImage& image, const char* format = "PNG") {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return Data(bytes.begin(), bytes.end());
}

// A diagonal gradient from `from` to `to` with a white caption in its middle, as PNG: a picture entry.
inline Data gradientPicture(QSize size, QColor from, QColor to, const QString& caption, const QFont& font) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, caption);
    painter.end();
    return encoded(image);
}

// Black text on white, one line per entry, drawn off screen.
inline Data renderedLines(const std::vector<QString>& lines) {
    QImage image(900, 80 * static_cast<int>(lines.size()) + 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font("DejaVu Sans");
    font.setPixelSize(40);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (std::size_t i = 0; i < lines.size(); ++i)
        painter.drawText(30, 70 + 80 * static_cast<int>(i), lines[i]);
    painter.end();
    return encoded(image);
}

// Two lines of poster-sized black text ("Poster headline", "Second line 2026") on a white square of `side`
// pixels, as PNG: a huge picture whose text is large.
// With `format` Grayscale8 or Indexed8 the PNG is a greyscale or a palette one, with ARGB32 an RGBA one.
inline Data posterPicture(int side, QImage::Format format = QImage::Format_RGB32) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font("DejaVu Sans");
    font.setPixelSize(side / 50);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(side / 20, side * 3 / 16, "Poster headline");
    painter.drawText(side / 20, side / 2, "Second line 2026");
    painter.end();
    if (format != QImage::Format_RGB32) image = image.convertToFormat(format, Qt::ThresholdDither);
    return encoded(image);
}

}  // namespace quorvane::testing
