#pragma once

// Reads a PNG scaled down while it decodes, a row at a time, so a huge picture never exists at full size:
// memory is one source row and the scaled result. Every colour type and bit depth is read (grey, palette,
// 16-bit, with and without transparency); Qt's own PNG reader holds greyscale and palette pictures at full
// size before scaling them. Safe from any thread.

#include <QImage>
#include <QSize>

#include "platform/DefaultsValue.h"

namespace quorvane {

class PngScaledDecoder {
public:
    // The picture averaged down to `size` (each target pixel the mean of the source pixels it covers):
    // Grayscale8 for opaque grey pictures, else RGB32 or premultiplied ARGB32. A null image when the data
    // is no readable PNG, when it is interlaced (its rows come in seven passes, so a row cannot be scaled on
    // its own) or when `size` is empty or larger than the picture.
    static QImage decode(const Data& pngData, QSize size);
};

}  // namespace quorvane
