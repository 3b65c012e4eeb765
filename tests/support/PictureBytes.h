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

// `image` encoded as `format` ("PNG", "JPEG", ...); empty when Qt cannot write that format.
inline std::vector<std::uint8_t> encodedImage(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format)) return {};
    return {bytes.begin(), bytes.end()};
}

// A PNG of one colour; needs no application.
inline std::vector<std::uint8_t> pngBytes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return encodedImage(image, "PNG");
}

// The widest screen in device pixels, as the tests' application sees it.
inline int widestScreenInDevicePixels() {
    int widest = 0;
    for (const QScreen* screen : QGuiApplication::screens())
        widest = std::max(widest, static_cast<int>(screen->geometry().width() * screen->devicePixelRatio()));
    return widest;
}

}  // namespace quorvane::testing
