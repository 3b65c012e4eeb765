#include "ui/ShownImageDecoding.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>
#include <algorithm>

namespace quorvane {

int widestScreenPixels() {
    int widest = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        widest = std::max(widest, static_cast<int>(screen->geometry().width() * screen->devicePixelRatio()));
    }
    return widest > 0 ? widest : 4096;
}

QImage decodeImageNoWiderThan(std::span<const std::uint8_t> data, int maxWidth) {
    // A read-only view of the caller's bytes, which outlive the reader.
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                               static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();  // header only
    if (size.isValid() && size.width() > std::max(maxWidth, 1)) {
        const int width = std::max(maxWidth, 1);
        const double height = static_cast<double>(size.height()) * width / size.width();
        reader.setScaledSize(QSize(width, std::max(1, static_cast<int>(height + 0.5))));
    }
    return reader.read();
}

}  // namespace quorvane
