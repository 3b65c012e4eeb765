#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>

#include "support/QtTestApplication.h"
#include "ui/UiSymbols.h"

namespace quorvane {
namespace {

// The colour of the most opaque pixel: the symbol's ink.
QColor ink(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    QRgb best = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > qAlpha(best)) best = image.pixel(x, y);
    return QColor::fromRgb(qRed(best), qGreen(best), qBlue(best));
}

// Within the rounding of premultiplied alpha.
bool sameColour(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2;
}

// Widgets that are made again and again (a filter chip per search, a row per paint) get one pixmap for one
// tint; Qt's icon engine caches a copy per pixmap it draws, so new pixmaps would pile up in its cache.
TEST(UiSymbolsTest, EqualTintsShareOnePixmapAndOthersGetTheirOwn) {
    testing::qtTestApplication();
    const QPixmap first = UiSymbols::tinted(UiSymbol::remove, QSize(9, 9), QColor(10, 20, 200), 1.0);
    ASSERT_FALSE(first.isNull());
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(UiSymbols::tinted(UiSymbol::remove, QSize(9, 9), QColor(10, 20, 200), 1.0).cacheKey(),
                  first.cacheKey());
    EXPECT_TRUE(sameColour(ink(first), QColor(10, 20, 200)));

    const QPixmap red = UiSymbols::tinted(UiSymbol::remove, QSize(9, 9), QColor(220, 0, 0), 1.0);
    EXPECT_NE(red.cacheKey(), first.cacheKey());
    EXPECT_TRUE(sameColour(ink(red), QColor(220, 0, 0)));
    const QPixmap larger = UiSymbols::tinted(UiSymbol::remove, QSize(18, 18), QColor(10, 20, 200), 1.0);
    EXPECT_EQ(larger.size(), QSize(18, 18));
    const QPixmap sharper = UiSymbols::tinted(UiSymbol::remove, QSize(9, 9), QColor(10, 20, 200), 2.0);
    EXPECT_EQ(sharper.size(), QSize(18, 18));
    EXPECT_DOUBLE_EQ(sharper.devicePixelRatio(), 2.0);
    EXPECT_NE(UiSymbols::tinted(UiSymbol::search, QSize(9, 9), QColor(10, 20, 200), 1.0).cacheKey(),
              first.cacheKey());
    // A half-transparent tint is a tint of its own.
    EXPECT_NE(UiSymbols::tinted(UiSymbol::remove, QSize(9, 9), QColor(10, 20, 200, 128), 1.0).cacheKey(),
              first.cacheKey());
}

TEST(UiSymbolsTest, ManyTintsKeepTheCacheWithinItsLimitAndStillDrawRight) {
    testing::qtTestApplication();
    for (int i = 0; i < static_cast<int>(UiSymbols::tintedCacheLimit) * 3; ++i) {
        const QColor colour(i % 256, (i * 7) % 256, 100);
        const QPixmap pixmap = UiSymbols::tinted(UiSymbol::tag, QSize(12, 12), colour, 1.0);
        EXPECT_LE(UiSymbols::tintedCacheCount(), UiSymbols::tintedCacheLimit);
        EXPECT_TRUE(sameColour(ink(pixmap), colour)) << i;
    }
    // What was dropped is drawn again, in its colour.
    EXPECT_TRUE(sameColour(ink(UiSymbols::tinted(UiSymbol::tag, QSize(12, 12), QColor(0, 0, 100), 1.0)),
                           QColor(0, 0, 100)));
}

}  // namespace
}  // namespace quorvane
