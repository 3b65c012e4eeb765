#pragma once

// Encoded pictures for tests of the windows that show copied images, and the width they are decoded to.

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace quorvane::testing {

// A PNG of one colour; needs no application.
inline std::vector<std::uint8_t> pngBytes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {bytes.begin(), bytes.end()};
}

// The widest screen in device pixels, as the tests' application sees it.
inline int widestScreenInDevicePixels() {
    int widest = 0;
    for (const QScreen* screen : QGuiApplication::screens())
        widest = std::max(widest, static_cast<int>(screen->geometry().width() * screen->devicePixelRatio()));
    return widest;
}

}  // namespace quorvane::testing
