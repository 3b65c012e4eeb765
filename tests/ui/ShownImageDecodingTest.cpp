#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <vector>

#include "support/PictureBytes.h"
#include "support/QtTestApplication.h"
#include "ui/ShownImageDecoding.h"

namespace quorvane {
namespace {

using testing::encodedImage;

std::vector<std::uint8_t> png(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    // The left half red, so a decode that crops instead of scaling shows.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width / 2; ++x) image.setPixel(x, y, qRgb(255, 0, 0));
    return encodedImage(image, "PNG");
}

// Wider pictures shrink to the width with their shape and their whole content; others keep their pixels.
TEST(ShownImageDecodingTest, WidePicturesShrinkToTheWidthKeepingTheirShapeAndContent) {
    testing::qtTestApplication();
    const QImage wide = decodeImageNoWiderThan(png(2000, 500), 400);
    ASSERT_EQ(wide.size(), QSize(400, 100));
    EXPECT_EQ(QColor(wide.pixel(50, 50)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(wide.pixel(350, 50)), QColor(Qt::darkCyan));

    // A hairline keeps at least one row; an odd height rounds to the nearest.
    EXPECT_EQ(decodeImageNoWiderThan(png(4000, 1), 400).size(), QSize(400, 1));
    EXPECT_EQ(decodeImageNoWiderThan(png(1000, 333), 300).size(), QSize(300, 100));
    // Tall and narrow, or exactly as wide: untouched.
    EXPECT_EQ(decodeImageNoWiderThan(png(100, 3000), 400).size(), QSize(100, 3000));
    EXPECT_EQ(decodeImageNoWiderThan(png(400, 20), 400).size(), QSize(400, 20));
    // Other formats the reader scales as well.
    QImage jpegSource(1600, 1200, QImage::Format_RGB32);
    jpegSource.fill(Qt::blue);
    EXPECT_EQ(decodeImageNoWiderThan(encodedImage(jpegSource, "JPEG"), 800).size(), QSize(800, 600));
}

// A window that may grow to a box decodes no more than fits in it, whichever side is the longer.
TEST(ShownImageDecodingTest, PicturesLargerThanABoxShrinkToFitItWhole) {
    testing::qtTestApplication();
    const QImage tall = decodeImageFitting(png(800, 4000), QSize(1000, 800));
    ASSERT_EQ(tall.size(), QSize(160, 800));
    EXPECT_EQ(QColor(tall.pixel(20, 400)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(tall.pixel(140, 400)), QColor(Qt::darkCyan));
    EXPECT_EQ(decodeImageFitting(png(4000, 4000), QSize(1000, 800)).size(), QSize(800, 800));
    EXPECT_EQ(decodeImageFitting(png(3000, 1000), QSize(1000, 800)).size(), QSize(1000, 333));
    EXPECT_EQ(decodeImageFitting(png(1000, 800), QSize(1000, 800)).size(), QSize(1000, 800));
    EXPECT_EQ(decodeImageFitting(png(20, 30), QSize(0, -5)).size(), QSize(1, 1));
}

TEST(ShownImageDecodingTest, BytesThatAreNoPictureOrAWidthOfNothingGiveNoCrash) {
    testing::qtTestApplication();
    EXPECT_TRUE(
        decodeImageNoWiderThan(std::vector<std::uint8_t>{'n', 'o', 't', 0, 'p', 'n', 'g'}, 400).isNull());
    EXPECT_TRUE(decodeImageNoWiderThan({}, 400).isNull());
    auto truncated = png(300, 300);
    truncated.resize(truncated.size() / 3);
    const QImage partial = decodeImageNoWiderThan(truncated, 100);
    EXPECT_TRUE(partial.isNull() || partial.width() <= 100);
    // A width below one pixel still gives a picture one pixel wide rather than nothing.
    EXPECT_EQ(decodeImageNoWiderThan(png(50, 50), 0).size(), QSize(1, 1));
}

}  // namespace
}  // namespace quorvane
