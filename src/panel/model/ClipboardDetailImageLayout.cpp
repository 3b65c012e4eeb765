#include "panel/model/ClipboardDetailImageLayout.h"

#include <algorithm>

namespace quorvane {

ClipboardDetailImageLayout ClipboardDetailImageLayout::make(double clipWidth, double clipHeight,
                                                            double pixelWidth, double pixelHeight) {
    const double available = std::max(1.0, clipWidth - 20);
    const double width = std::min(std::max(1.0, pixelWidth), available);
    double height = width;
    if (pixelWidth > 0) {
        const double ratio = pixelHeight / pixelWidth;
        height = ratio <= 0.01 ? width * 0.01 : width * ratio;
    }
    height = std::max(1.0, height);
    ClipboardDetailImageLayout layout;
    layout.container = {0, 0, available, std::max(clipHeight, height)};
    layout.image = {std::max(0.0, (available - width) / 2),
                    std::max(0.0, (layout.container.height - height) / 2), width, height};
    return layout;
}

}  // namespace quorvane
