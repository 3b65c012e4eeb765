#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <cstdlib>

#include "GifAnimationWriter.h"
#include "support/QtTestApplication.h"

namespace quorvane {
namespace {

QImage flat(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Reads every frame back with Qt's own GIF reader.
struct Decoded {
    std::vector<QImage> frames;
    std::vector<int> delays;
    int loopCount = 0;
};
Decoded decode(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    Decoded decoded;
    decoded.loopCount = reader.loopCount();
    for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read()) {
        decoded.frames.push_back(frame.convertToFormat(QImage::Format_RGB32));
        decoded.delays.push_back(reader.nextImageDelay());
    }
    return decoded;
}

int largestDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

TEST(GifAnimationWriterTest, QtPlaysBackEveryFrameLoopingWithItsDelay) {
    testing::qtTestApplication();
    const QSize size(120, 80);
    GifAnimationWriter writer(size);
    QImage first = flat(size, QColor(250, 250, 250));
    QImage second = first.copy();
    {
        QPainter painter(&second);
        painter.fillRect(QRect(30, 20, 40, 30), QColor(10, 132, 255));
    }
    QImage third = second.copy();
    third.setPixel(119, 79, qRgb(0, 0, 0));
    writer.addFrame(first, 500);
    writer.addFrame(second, 100);
    writer.addFrame(second, 100);  // the same picture again only holds it longer
    writer.addFrame(third, 1000);
    EXPECT_EQ(writer.frameCount(), 3);

    const Decoded decoded = decode(writer.encode());
    ASSERT_EQ(decoded.frames.size(), 3u);
    EXPECT_EQ(decoded.loopCount, -1) << "plays forever";
    EXPECT_EQ(decoded.delays, (std::vector<int>{500, 200, 1000}));
    EXPECT_EQ(largestDifference(decoded.frames[0], first), 0);
    EXPECT_EQ(largestDifference(decoded.frames[1], second), 0);
    EXPECT_EQ(largestDifference(decoded.frames[2], third), 0);
}

TEST(GifAnimationWriterTest, ManyColoursAndLongRunsStayCloseToTheOriginal) {
    testing::qtTestApplication();
    // Wide enough that the code table fills and starts over several times.
    const QSize size(640, 360);
    QImage picture(size, QImage::Format_RGB32);
    {
        QPainter painter(&picture);
        QLinearGradient gradient(0, 0, 640, 360);
        gradient.setColorAt(0, QColor(255, 149, 0));
        gradient.setColorAt(1, QColor(40, 60, 222));
        painter.fillRect(picture.rect(), gradient);
        painter.setPen(Qt::white);
        painter.setFont(QFont("DejaVu Sans", 24));
        painter.drawText(picture.rect(), Qt::AlignCenter, QString::fromUtf8("Copy 复制 ✂ then paste"));
    }
    GifAnimationWriter writer(size);
    writer.addFrame(picture, 40);
    writer.addFrame(picture.mirrored(true, false), 40);
    const QByteArray bytes = writer.encode();
    const Decoded decoded = decode(bytes);
    ASSERT_EQ(decoded.frames.size(), 2u);
    EXPECT_LE(largestDifference(decoded.frames[0], picture), 40);
    EXPECT_LE(largestDifference(decoded.frames[1], picture.mirrored(true, false)), 40);
    EXPECT_LT(bytes.size(), 640 * 360) << "compressed";
}

TEST(GifAnimationWriterTest, NothingAddedWritesNothing) {
    GifAnimationWriter writer(QSize(10, 10));
    EXPECT_TRUE(writer.encode().isEmpty());
}

}  // namespace
}  // namespace quorvane
