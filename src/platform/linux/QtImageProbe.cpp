#include "platform/linux/QtImageProbe.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include "platform/ImageFormat.h"

namespace quorvane {

std::optional<ImageDimensions> QtImageProbe::dimensions(std::span<const std::uint8_t> data) const {
    // A format chosen by signature keeps other readers (SVG's XML parser, say) away from untrusted bytes.
    const std::optional<ImageFormat> format = ImageFormat::detect(data);
    if (!format || format->value == ImageFormat::pdf) return std::nullopt;

    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                               static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly)) return std::nullopt;
    QImageReader reader(&buffer,
                        QByteArray(format->name().data(), static_cast<qsizetype>(format->name().size())));
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();  // header only
    if (!size.isValid()) return std::nullopt;
    return ImageDimensions{{ImagePixelSize{size.width(), size.height()}}};
}

}  // namespace quorvane
