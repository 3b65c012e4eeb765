#include "platform/linux/QtImageDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QMimeDatabase>
#include <QMimeType>
#include <algorithm>
#include <cmath>
#include <mutex>

#include "platform/ImageFormat.h"
#include "platform/linux/PngScaledDecoder.h"

namespace quorvane {

namespace {

// Reads `imageData` with Qt's reader for `format` alone, refusing images whose header states more pixels
// than `maximumBytes` holds at 4 bytes a pixel; larger than `maximumPixels`, the image is read scaled down to
// fit (PNG and JPEG scale while they read, so the full size is never held).
QImage decodeAs(const Data& imageData, const QByteArray& format, std::int64_t maximumBytes,
                std::int64_t maximumPixels = 0) {
    // Qt's reader refuses larger images on its own as well; the limit is process-wide and given in MB.
    static std::once_flag limitSet;
    std::call_once(limitSet, [] {
        QImageReader::setAllocationLimit(
            static_cast<int>(QtImageDecoder::maximumDecodedBytes / (1024 * 1024)));
    });
    // A read-only view of the caller's bytes, which outlive the reader.
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(imageData.data()),
                                               static_cast<qsizetype>(imageData.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();  // header only
    if (!size.isValid() || size.isEmpty()) return {};
    const std::int64_t pixels = static_cast<std::int64_t>(size.width()) * size.height();
    if (pixels > maximumBytes / 4) return {};
    if (maximumPixels > 0 && pixels > maximumPixels) {
        const double factor = std::sqrt(double(maximumPixels) / double(pixels));
        const QSize scaled(std::max(1, int(size.width() * factor)), std::max(1, int(size.height() * factor)));
        // Qt's PNG reader scales only 8-bit RGB(A) while it reads; greyscale and palette pictures it holds
        // at full size, several times over. Interlaced ones cannot be read a row at a time and go to Qt.
        if (format == "png") {
            QImage image = PngScaledDecoder::decode(imageData, scaled);
            if (!image.isNull()) return image;
        }
        reader.setScaledSize(scaled);
    }
    QImage image;
    if (!reader.read(&image)) return {};
    return image;
}

std::optional<Data> encodedAsPng(const QImage& image) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG") || encoded.isEmpty()) return std::nullopt;
    return Data(encoded.begin(), encoded.end());
}

// The first Qt reader that declares `type`, one of its aliases or one of its parent types.
QByteArray readerFormatFor(std::string_view contentType) {
    const QMimeType type =
        QMimeDatabase().mimeTypeForName(QString::fromUtf8(contentType.data(), contentType.size()));
    if (!type.isValid()) return {};
    QStringList names{type.name()};
    names += type.aliases();
    names += type.parentMimeTypes();
    for (const QString& name : names) {
        const QList<QByteArray> formats = QImageReader::imageFormatsForMimeType(name.toUtf8());
        if (!formats.isEmpty()) return formats.front();
    }
    return {};
}

}  // namespace

QImage QtImageDecoder::decode(const Data& imageData, std::int64_t maximumBytes) {
    const std::optional<ImageFormat> format = ImageFormat::detect(imageData);
    if (!format || format->value == ImageFormat::pdf) return {};
    return decodeAs(imageData,
                    QByteArray(format->name().data(), static_cast<qsizetype>(format->name().size())),
                    maximumBytes);
}

QImage QtImageDecoder::decodeFitting(const Data& imageData, std::int64_t maximumPixels) {
    const std::optional<ImageFormat> format = ImageFormat::detect(imageData);
    if (!format || format->value == ImageFormat::pdf) return {};
    return decodeAs(imageData,
                    QByteArray(format->name().data(), static_cast<qsizetype>(format->name().size())),
                    maximumDecodedBytes, maximumPixels);
}

std::optional<Data> QtImageDecoder::pngData(const Data& imageData) const {
    const QImage image = decode(imageData);
    if (image.isNull()) return std::nullopt;
    return encodedAsPng(image);
}

std::string QtImageDecoder::fileContentType(std::string_view fileName,
                                            std::span<const std::uint8_t> leadingBytes) const {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(leadingBytes.data()),
                                                     static_cast<qsizetype>(leadingBytes.size()));
    const QMimeType type = QMimeDatabase().mimeTypeForFileNameAndData(
        QString::fromUtf8(fileName.data(), static_cast<qsizetype>(fileName.size())), bytes);
    return type.isValid() && !type.isDefault() ? type.name().toStdString() : std::string();
}

bool QtImageDecoder::canDecode(std::string_view contentType) const {
    return isImageContentType(contentType) && !readerFormatFor(contentType).isEmpty();
}

std::optional<ImageDecoder::TypedConversion> QtImageDecoder::convertedToPng(
    const Data& imageData, std::string_view contentType) const {
    const QByteArray format = readerFormatFor(contentType);
    if (format.isEmpty()) return std::nullopt;
    const QImage image = decodeAs(imageData, format, maximumDecodedBytes);
    if (image.isNull()) return std::nullopt;
    TypedConversion converted;
    converted.png = encodedAsPng(image).value_or(Data());
    converted.dimensions.representations.push_back(ImagePixelSize{image.width(), image.height()});
    return converted;
}

}  // namespace quorvane
