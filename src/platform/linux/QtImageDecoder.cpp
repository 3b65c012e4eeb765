#include "platform/linux/QtImageDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <mutex>

#include "platform/ImageFormat.h"

namespace quorvane {

QImage QtImageDecoder::decode(const Data& imageData, std::int64_t maximumBytes) {
    const std::optional<ImageFormat> format = ImageFormat::detect(imageData);
    if (!format || format->value == ImageFormat::pdf) return {};
    // Qt's reader refuses larger images on its own as well; the limit is process-wide and given in MB.
    static std::once_flag limitSet;
    std::call_once(limitSet, [] {
        QImageReader::setAllocationLimit(static_cast<int>(maximumDecodedBytes / (1024 * 1024)));
    });
    // A read-only view of the caller's bytes, which outlive the reader.
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(imageData.data()),
                                               static_cast<qsizetype>(imageData.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer,
                        QByteArray(format->name().data(), static_cast<qsizetype>(format->name().size())));
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();  // header only
    if (!size.isValid() || size.isEmpty()) return {};
    if (static_cast<std::int64_t>(size.width()) * size.height() > maximumBytes / 4) return {};
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
