#include <gtest/gtest.h>
#include <png.h>

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <csetjmp>

#include "platform/linux/PngScaledDecoder.h"
#include "platform/linux/QtImageDecoder.h"

namespace quorvane {
namespace {

Data encoded(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Data(bytes.begin(), bytes.end());
}

// PNG's colour type, from the header.
int colourType(const Data& png) {
    return png.size() > 25 ? png[25] : -1;
}

// Four quarters: black, white, red and a half-transparent blue, each `half` pixels square.
QImage quarters(int half, QImage::Format format) {
    QImage image(2 * half, 2 * half, QImage::Format_ARGB32);
    for (int y = 0; y < 2 * half; ++y) {
        for (int x = 0; x < 2 * half; ++x) {
            const int quarter = (y >= half) * 2 + (x >= half);
            const QColor colours[] = {Qt::black, Qt::white, Qt::red, QColor(0, 0, 255, 128)};
            image.setPixelColor(x, y, colours[quarter]);
        }
    }
    return image.convertToFormat(format);
}

// An Adam7-interlaced grey PNG, which Qt does not write.
Data interlacedGreyPng(int width, int height) {
    Data out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> pixels(std::size_t(width) * height, 0x80);
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) rows[std::size_t(y)] = &pixels[std::size_t(y) * width];
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(
            png, &out,
            [](png_structp p, png_bytep data, png_size_t length) {
                auto* target = static_cast<Data*>(png_get_io_ptr(p));
                target->insert(target->end(), data, data + length);
            },
            nullptr);
        png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_GRAY,
                     PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_rows(png, info, rows.data());
        png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return out;
}

TEST(PngScaledDecoderTest, EveryColourTypeAveragesDownToTheRightPixels) {
    // Grey pictures stay one byte a pixel; each target pixel is the mean of its source block.
    const QImage greySource = quarters(4, QImage::Format_Grayscale8);
    const Data grey = encoded(greySource);
    ASSERT_EQ(colourType(grey), 0);
    const QImage greyHalf = PngScaledDecoder::decode(grey, QSize(4, 4));
    ASSERT_EQ(greyHalf.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(qGray(greyHalf.pixel(0, 0)), 0);
    EXPECT_EQ(qGray(greyHalf.pixel(3, 0)), 255);
    const QImage greyOne = PngScaledDecoder::decode(grey, QSize(1, 1));
    const int mean = qGray(greyOne.pixel(0, 0));
    int sum = 0;
    for (const QPoint at : {QPoint(0, 0), QPoint(7, 0), QPoint(0, 7), QPoint(7, 7)})
        sum += qGray(greySource.pixel(at));
    EXPECT_NEAR(mean, sum / 4, 1);
    EXPECT_NE(mean, qGray(greySource.pixel(0, 0)));

    // 16-bit grey, palette with a transparent entry, RGBA: colours as they were, transparency kept.
    for (const QImage::Format format : {QImage::Format_Grayscale16, QImage::Format_Indexed8,
                                        QImage::Format_ARGB32, QImage::Format_RGBA64}) {
        const QImage source = quarters(6, format);
        const Data png = encoded(source);
        const QImage scaled = PngScaledDecoder::decode(png, QSize(4, 4));
        ASSERT_FALSE(scaled.isNull()) << format;
        ASSERT_EQ(scaled.size(), QSize(4, 4));
        for (const QPoint at : {QPoint(0, 0), QPoint(3, 0), QPoint(0, 3), QPoint(3, 3)}) {
            const QColor want = source.pixelColor(at * 3);
            const QColor got = scaled.pixelColor(at);
            EXPECT_NEAR(got.alpha(), want.alpha(), 2) << format << " at " << at.x() << "," << at.y();
            EXPECT_NEAR(got.red(), want.red(), 2) << format;
            EXPECT_NEAR(got.green(), want.green(), 2) << format;
            EXPECT_NEAR(got.blue(), want.blue(), 2) << format;
        }
    }
    EXPECT_EQ(colourType(encoded(quarters(6, QImage::Format_Indexed8))), 3);
}

TEST(PngScaledDecoderTest, DataItCannotReadScaledGivesANullImage) {
    const Data png = encoded(quarters(8, QImage::Format_Grayscale8));
    // Truncated in the pixel data: libpng's error jumps out of the read.
    EXPECT_TRUE(PngScaledDecoder::decode(Data(png.begin(), png.begin() + long(png.size() / 2)), QSize(4, 4))
                    .isNull());
    EXPECT_TRUE(PngScaledDecoder::decode(Data{'n', 'o', 't', ' ', 'p', 'n', 'g', '!'}, QSize(4, 4)).isNull());
    EXPECT_TRUE(PngScaledDecoder::decode(png, QSize(32, 32)).isNull());
    EXPECT_TRUE(PngScaledDecoder::decode(png, QSize(0, 4)).isNull());

    const Data interlaced = interlacedGreyPng(64, 48);
    EXPECT_TRUE(PngScaledDecoder::decode(interlaced, QSize(32, 24)).isNull());
    // Such pictures are still read, by Qt's reader, scaled to fit.
    const QImage fitted = QtImageDecoder::decodeFitting(interlaced, 32 * 24);
    EXPECT_EQ(fitted.size(), QSize(32, 24));
}

TEST(PngScaledDecoderTest, DecodingToFitReadsGreyAndPalettePicturesScaledInTheirOwnDepth) {
    const Data grey = encoded(quarters(100, QImage::Format_Grayscale8));
    const QImage fitted = QtImageDecoder::decodeFitting(grey, 100 * 100);
    EXPECT_EQ(fitted.size(), QSize(100, 100));
    EXPECT_EQ(fitted.format(), QImage::Format_Grayscale8);
    const QImage palette =
        QtImageDecoder::decodeFitting(encoded(quarters(100, QImage::Format_Indexed8)), 10000);
    EXPECT_EQ(palette.size(), QSize(100, 100));
    EXPECT_EQ(palette.pixelColor(75, 25), QColor(Qt::white));
}

}  // namespace
}  // namespace quorvane
