#include "ui/ShownImageDecoding.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>
#include <algorithm>
#include <limits>

namespace quorvane {

int widestScreenPixels() {
    int widest = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        widest = std::max(widest, static_cast<int>(screen->geometry().width() * screen->devicePixelRatio()));
    }
    return widest > 0 ? widest : 4096;
}

QImage decodeImageNoWiderThan(std::span<const std::uint8_t> data, int maxWidth) {
    return decodeImageFitting(data, QSize(maxWidth, std::numeric_limits<int>::max()));
}

QImage decodeImageFitting(std::span<const std::uint8_t> data, QSize bound) {
    // A read-only view of the caller's bytes, which outlive the reader.
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                               static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();  // header only
    const QSize box(std::max(bound.width(), 1), std::max(bound.height(), 1));
    if (size.isValid() && (size.width() > box.width() || size.height() > box.height())) {
        const double scale = std::min(static_cast<double>(box.width()) / size.width(),
                                      static_cast<double>(box.height()) / size.height());
        reader.setScaledSize(QSize(std::max(1, static_cast<int>(size.width() * scale + 0.5)),
                                   std::max(1, static_cast<int>(size.height() * scale + 0.5))));
    }
    return reader.read();
}

}  // namespace quorvane
