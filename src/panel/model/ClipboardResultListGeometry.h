#pragma once

// Where the result list's rows stand and how far it scrolls: row pitch and height per row style, the
// document height, each row's top edge (top-left origin, y grows downwards), the scroll offset that brings a
// newly selected row into view, and when scrolling near the end asks for the next page. Pure functions.

#include "panel/model/ClipboardResultListModes.h"

namespace quorvane {

class ClipboardResultListGeometry {
public:
    ClipboardResultListGeometry() = delete;

    static constexpr double spacing = 1;
    static constexpr double topPadding = 4;
    static constexpr double bottomPadding = 4;
    static constexpr int compactModeFixedItemCount = 5;
    // Rows before the end at which the next page is requested.
    static constexpr double autoLoadMoreThresholdRows = 2.0;
    // A normal list never asks for less height than this.
    static constexpr double minimumIntrinsicHeight = 100;

    static double rowHeight(ClipboardResultListRowStyle style);
    // Row height plus the gap between rows.
    static double rowPitch(ClipboardResultListRowStyle style);
    // The height of a compact-mode list: five pitches and both paddings.
    static double compactModeHeight(ClipboardResultListRowStyle style);
    // The height the list asks for.
    static double intrinsicHeight(ClipboardResultListMode mode, ClipboardResultListRowStyle style, int rows);
    // The scrollable height: all rows and paddings, never less than the visible height (normal mode).
    static double documentHeight(ClipboardResultListMode mode, ClipboardResultListRowStyle style, int rows,
                                 double visibleHeight);
    static double rowTop(ClipboardResultListRowStyle style, int row);
    // The row under a point `y` of the document, or -1 between rows, in the paddings and below the last row.
    static int rowAt(ClipboardResultListRowStyle style, int rows, double y);

    // The scroll offset after the selection moved from `previous` to `index` (-1: no previous row): moving
    // down also shows the row below, moving up the row above, and row 1 scrolls to the very top.
    static double scrollOffsetRevealing(ClipboardResultListRowStyle style, int rows, int index, int previous,
                                        double scrollOffset, double visibleHeight, double documentHeight);
    // True when the bottom of the visible part is within `autoLoadMoreThresholdRows` row heights of the end.
    static bool isNearEnd(ClipboardResultListRowStyle style, double scrollOffset, double visibleHeight,
                          double documentHeight);
};

}  // namespace quorvane
