#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "platform/linux/QtImageDecoder.h"

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

QImage fromPng(const Data& png) {
    return QImage::fromData(
        QByteArray(reinterpret_cast<const char*>(png.data()), static_cast<qsizetype>(png.size())), "PNG");
}

TEST(QtImageDecoderTest, ConversionToPngKeepsThePixelsOfEveryLosslessFormat) {
    QtImageDecoder decoder;
    const QImage original = sample(12, 9);
    for (const char* format : {"TIFF", "BMP", "PNG"}) {
        const auto png = decoder.pngData(encoded(original, format));
        ASSERT_TRUE(png.has_value()) << format;
        EXPECT_EQ(fromPng(*png).convertToFormat(QImage::Format_RGB32), original) << format;
    }
    const auto fromJpeg = decoder.pngData(encoded(original, "JPEG"));
    ASSERT_TRUE(fromJpeg.has_value());
    EXPECT_EQ(fromPng(*fromJpeg).size(), QSize(12, 9));
}

TEST(QtImageDecoderTest, TruncatedUnknownAndScriptedDataIsRefused) {
    QtImageDecoder decoder;
    QImage noisy = sample(64, 48);
    for (int i = 0; i < 64 * 48; ++i) noisy.setPixel(i % 64, i / 64, static_cast<QRgb>(i * 2654435761u));
    Data truncated = encoded(noisy, "PNG");
    truncated.resize(truncated.size() / 2);
    EXPECT_EQ(decoder.pngData(truncated), std::nullopt);
    EXPECT_EQ(decoder.pngData(Data{}), std::nullopt);
    EXPECT_EQ(decoder.pngData(Data{'G', 'I', 'F'}), std::nullopt);
    // Qt could render this, but only images chosen by signature are decoded: no XML reader sees the data.
    const std::string svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" height=\"4\"><rect width=\"4\" "
        "height=\"4\"/></svg>";
    EXPECT_EQ(decoder.pngData(Data(svg.begin(), svg.end())), std::nullopt);
}

TEST(QtImageDecoderTest, ImagesLargerThanTheCapAreNotDecoded) {
    const Data png = encoded(sample(300, 200), "PNG");
    EXPECT_FALSE(QtImageDecoder::decode(png, 300 * 200 * 4).isNull());
    EXPECT_TRUE(QtImageDecoder::decode(png, 300 * 200 * 4 - 1).isNull());
}

}  // namespace
}  // namespace quorvane
