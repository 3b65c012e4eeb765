#pragma once

// Decodes a copied picture for a window that shows it: never wider than the widest screen, since pixels
// beyond it would only be scaled away when drawn, and an 8000 x 8000 copy would otherwise hold 256 MB for a
// pane a few hundred pixels wide. Safe from any thread except `widestScreenPixels`, which is main-thread
// only.

#include <QImage>
#include <QSize>
#include <cstdint>
#include <span>

namespace quorvane {

// The width in device pixels of the widest screen; 4096 when there is none.
int widestScreenPixels();

// The picture in `data` scaled down, keeping its shape, to at most `maxWidth` pixels wide (at least 1 high);
// a narrower one keeps its pixels. A null image when the bytes do not decode.
QImage decodeImageNoWiderThan(std::span<const std::uint8_t> data, int maxWidth);

// The picture in `data` scaled down, keeping its shape, to fit within `bound` (each side at least 1); a
// smaller one keeps its pixels. Only the pixels kept are decoded. A null image when the bytes do not decode.
QImage decodeImageFitting(std::span<const std::uint8_t> data, QSize bound);

}  // namespace quorvane
