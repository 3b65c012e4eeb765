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

TEST(QtImageDecoderTest, DecodingToFitScalesLargeImagesDownInProportionAndLeavesSmallOnesAlone) {
    for (const char* format : {"PNG", "JPEG"}) {
        const Data wide = encoded(sample(400, 100), format);
        const QImage fitted = QtImageDecoder::decodeFitting(wide, 10000);
        ASSERT_FALSE(fitted.isNull()) << format;
        EXPECT_LE(fitted.width() * fitted.height(), 10000) << format;
        EXPECT_GE(fitted.width() * fitted.height(), 9000) << format << ": no smaller than it must be";
        EXPECT_NEAR(double(fitted.width()) / fitted.height(), 4.0, 0.1) << format;
        EXPECT_EQ(QtImageDecoder::decodeFitting(wide, 40000).size(), QSize(400, 100)) << format;
    }
    // Data that is no picture stays no picture.
    EXPECT_TRUE(QtImageDecoder::decodeFitting(Data{'n', 'o'}, 100).isNull());
}

TEST(QtImageDecoderTest, FileTypesComeFromTheNameBeforeTheFirstBytes) {
    QtImageDecoder decoder;
    const Data png = encoded(sample(4, 4), "PNG");
    EXPECT_EQ(decoder.fileContentType("picture.png", png), "image/png");
    EXPECT_EQ(decoder.fileContentType("no-extension", png), "image/png");
    EXPECT_FALSE(ImageDecoder::isImageContentType(decoder.fileContentType("notes.txt", png)));
    // "MM" is all a 3D Studio model has for a signature, and the database files those under "image/".
    const std::string text = "MM is how the letters begin";
    const std::string lettersType = decoder.fileContentType("letters", Data(text.begin(), text.end()));
    EXPECT_FALSE(decoder.canDecode(lettersType)) << lettersType;
    for (const char* type : {"image/png", "image/jpeg", "image/tiff", "image/bmp", "image/gif", "image/webp",
                             "image/vnd.microsoft.icon", "image/svg+xml", "image/x-xpixmap",
                             "image/x-portable-pixmap", "image/x-tga"}) {
        EXPECT_TRUE(decoder.canDecode(type)) << type;
    }
    EXPECT_FALSE(decoder.canDecode("text/plain"));
    EXPECT_TRUE(ImageDecoder::isImageContentType(decoder.fileContentType("icon.ico", Data{0, 0, 1, 0})));
}

TEST(QtImageDecoderTest, FormatsWithoutASignatureAreReadByTheirType) {
    QtImageDecoder decoder;
    const QImage original = sample(6, 5);
    for (const auto& [format, type] :
         {std::pair{"PPM", "image/x-portable-pixmap"}, std::pair{"XPM", "image/x-xpixmap"},
          std::pair{"ICO", "image/vnd.microsoft.icon"}}) {
        const auto converted = decoder.convertedToPng(encoded(original, format), type);
        ASSERT_TRUE(converted.has_value()) << format;
        EXPECT_EQ(fromPng(converted->png).convertToFormat(QImage::Format_RGB32), original) << format;
        EXPECT_EQ(converted->dimensions.representations, (std::vector<ImagePixelSize>{{6, 5}})) << format;
    }
    const std::string svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" height=\"3\"><rect width=\"4\" "
        "height=\"3\"/></svg>";
    const auto drawing = decoder.convertedToPng(Data(svg.begin(), svg.end()), "image/svg+xml");
    ASSERT_TRUE(drawing.has_value());
    EXPECT_EQ(fromPng(drawing->png).size(), QSize(4, 3));
    // Read as the wrong type, or as a type no reader handles: nothing.
    EXPECT_EQ(decoder.convertedToPng(Data(svg.begin(), svg.end()), "image/x-portable-pixmap"), std::nullopt);
    EXPECT_EQ(decoder.convertedToPng(encoded(original, "PPM"), "text/plain"), std::nullopt);
}

TEST(QtImageDecoderTest, TypedImagesLargerThanTheCapAreNotDecoded) {
    // The drawing states 40000 by 40000 pixels: 6.4 GB decoded.
    const std::string svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40000\" height=\"40000\"></svg>";
    EXPECT_EQ(QtImageDecoder().convertedToPng(Data(svg.begin(), svg.end()), "image/svg+xml"), std::nullopt);
}

}  // namespace
}  // namespace quorvane
