#pragma once

// Where the detail pane draws an image: never wider than its pixels or the pane, centred, keeping its
// aspect ratio, and at least 1 % of its width high so a hairline image stays visible. Pure function.

namespace quorvane {

struct ClipboardLayoutRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    friend bool operator==(const ClipboardLayoutRect&, const ClipboardLayoutRect&) = default;
};

struct ClipboardDetailImageLayout {
    ClipboardLayoutRect container;
    ClipboardLayoutRect image;

    // `clipWidth` and `clipHeight`: the visible area; pixel size of the image (0 when unknown).
    static ClipboardDetailImageLayout make(double clipWidth, double clipHeight, double pixelWidth,
                                           double pixelHeight);
};

}  // namespace quorvane
