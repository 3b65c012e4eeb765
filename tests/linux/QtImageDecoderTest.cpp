#include "platform/linux/QtImageDecoder.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

Data encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return Data(bytes.begin(), bytes.end());
}

QImage sample(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    image.setPixelColor(width - 1, height - 1, Qt::yellow);
    return image;
}

TEST(QtImageDecoderTest, PixelSizeComesFromTheHeaderOfEachFormat) {
    QtImageDecoder decoder;
    for (const char* format : {"PNG", "JPEG", "TIFF", "BMP"}) {
        EXPECT_EQ(decoder.pixelSize(encoded(sample(31, 7), format)), (PixelSize{31, 7})) << format;
    }
    // A truncated file still states its size; only decoding fails.
    QImage noisy = sample(64, 48);
    for (int i = 0; i < 64 * 48; ++i) noisy.setPixel(i % 64, i / 64, static_cast<QRgb>(i * 2654435761u));
    Data truncated = encoded(noisy, "PNG");
    truncated.resize(truncated.size() / 2);
    EXPECT_EQ(decoder.pixelSize(truncated), (PixelSize{64, 48}));
    EXPECT_EQ(decoder.pngData(truncated), std::nullopt);
    EXPECT_EQ(decoder.pixelSize(Data{'G', 'I', 'F'}), std::nullopt);
    EXPECT_EQ(decoder.pixelSize(Data{}), std::nullopt);
}

TEST(QtImageDecoderTest, ConversionToPngKeepsThePixels) {
    QtImageDecoder decoder;
    const QImage original = sample(12, 9);
    const auto png = decoder.pngData(encoded(original, "TIFF"));
    ASSERT_TRUE(png.has_value());
    const QImage decoded = QImage::fromData(QByteArray(reinterpret_cast<const char*>(png->data()),
                                                       static_cast<qsizetype>(png->size())), "PNG");
    EXPECT_EQ(decoded.convertToFormat(QImage::Format_RGB32), original);
}

TEST(QtImageDecoderTest, ImagesLargerThanTheCapAreNotDecoded) {
    const Data png = encoded(sample(300, 200), "PNG");
    EXPECT_FALSE(QtImageDecoder::decode(png, 300 * 200 * 4).isNull());
    EXPECT_TRUE(QtImageDecoder::decode(png, 300 * 200 * 4 - 1).isNull());
}

}  // namespace
}  // namespace quorvane
