#include "platform/linux/QtImageDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QImageWriter>
#include <mutex>

namespace quorvane {

namespace {

// A read-only view of the caller's bytes; the data outlives every reader made on it.
QByteArray viewOf(const Data& imageData) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(imageData.data()),
                                   static_cast<qsizetype>(imageData.size()));
}

std::optional<PixelSize> headerSize(QImageReader& reader) {
    const QSize size = reader.size();
    if (!size.isValid() || size.width() < 1 || size.height() < 1) return std::nullopt;
    return PixelSize{size.width(), size.height()};
}

}  // namespace

std::optional<PixelSize> QtImageDecoder::pixelSize(const Data& imageData) const {
    if (imageData.empty()) return std::nullopt;
    QByteArray bytes = viewOf(imageData);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return headerSize(reader);
}

QImage QtImageDecoder::decode(const Data& imageData, std::int64_t maximumBytes) {
    if (imageData.empty()) return {};
    // Qt's reader refuses larger images on its own as well; the limit is process-wide and given in MB.
    static std::once_flag limitSet;
    std::call_once(limitSet, [] {
        QImageReader::setAllocationLimit(static_cast<int>(maximumDecodedBytes / (1024 * 1024)));
    });
    QByteArray bytes = viewOf(imageData);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const auto size = headerSize(reader);
    if (!size || size->width * size->height > maximumBytes / 4) return {};
    QImage image;
    if (!reader.read(&image)) return {};
    return image;
}

std::optional<Data> QtImageDecoder::pngData(const Data& imageData) const {
    const QImage image = decode(imageData);
    if (image.isNull()) return std::nullopt;
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG") || encoded.isEmpty()) return std::nullopt;
    return Data(encoded.begin(), encoded.end());
}

}  // namespace quorvane
