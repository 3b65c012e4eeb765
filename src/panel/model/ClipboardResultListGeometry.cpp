#include "panel/model/ClipboardResultListGeometry.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

double ClipboardResultListGeometry::rowHeight(ClipboardResultListRowStyle style) {
    return style == ClipboardResultListRowStyle::compact ? 34 : 52;
}

double ClipboardResultListGeometry::rowPitch(ClipboardResultListRowStyle style) {
    return rowHeight(style) + spacing;
}

double ClipboardResultListGeometry::compactModeHeight(ClipboardResultListRowStyle style) {
    return rowPitch(style) * compactModeFixedItemCount + topPadding + bottomPadding;
}

double ClipboardResultListGeometry::intrinsicHeight(ClipboardResultListMode mode,
                                                    ClipboardResultListRowStyle style, int rows) {
    if (mode == ClipboardResultListMode::compact) return compactModeHeight(style);
    return std::max(rowPitch(style) * std::max(rows, 0) + topPadding + bottomPadding, minimumIntrinsicHeight);
}

double ClipboardResultListGeometry::documentHeight(ClipboardResultListMode mode,
                                                   ClipboardResultListRowStyle style, int rows,
                                                   double visibleHeight) {
    if (mode == ClipboardResultListMode::compact) return compactModeHeight(style);
    return std::max(rowPitch(style) * std::max(rows, 0) + topPadding + bottomPadding, visibleHeight);
}

double ClipboardResultListGeometry::rowTop(ClipboardResultListRowStyle style, int row) {
    return topPadding + rowPitch(style) * row;
}

int ClipboardResultListGeometry::rowAt(ClipboardResultListRowStyle style, int rows, double y) {
    if (y < topPadding) return -1;
    const int row = static_cast<int>(std::floor((y - topPadding) / rowPitch(style)));
    if (row < 0 || row >= rows) return -1;
    return y < rowTop(style, row) + rowHeight(style) ? row : -1;
}

double ClipboardResultListGeometry::scrollOffsetRevealing(ClipboardResultListRowStyle style, int rows,
                                                          int index, int previous, double scrollOffset,
                                                          double visibleHeight, double documentHeight) {
    if (index < 0 || index >= rows) return scrollOffset;
    double top = rowTop(style, index);
    const double height = rowHeight(style);
    if (previous >= 0 && previous < rows) {
        if (previous < index && index + 1 < rows) {
            top += rowPitch(style);
        } else if (index < previous && index != 0) {
            if (index == 1) return 0;
            top -= rowPitch(style);
        }
    }
    double offset = scrollOffset;
    if (top < offset) {
        offset = top;
    } else if (top + height > offset + visibleHeight) {
        offset = top + height - visibleHeight;
    }
    const double maximum = std::max(0.0, documentHeight - visibleHeight);
    return std::clamp(offset, 0.0, maximum);
}

bool ClipboardResultListGeometry::isNearEnd(ClipboardResultListRowStyle style, double scrollOffset,
                                            double visibleHeight, double documentHeight) {
    const double remaining = documentHeight - (scrollOffset + visibleHeight);
    return remaining <= autoLoadMoreThresholdRows * rowHeight(style);
}

}  // namespace quorvane
