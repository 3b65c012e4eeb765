#include "platform/DevicePixels.h"

namespace quorvane {

namespace {

double ratioOf(const ScreenDescription& screen) {
    // A ratio the screen cannot have means no scaling rather than a division by nothing.
    return screen.devicePixelRatio > 0 ? screen.devicePixelRatio : 1;
}

}  // namespace

ScreenRect devicePixelFrame(const ScreenDescription& screen) {
    const double ratio = ratioOf(screen);
    return {screen.frame.x, screen.frame.y, screen.frame.width * ratio, screen.frame.height * ratio};
}

ScreenRect deviceIndependentRect(const ScreenRect& rect, const std::vector<ScreenDescription>& screens) {
    if (screens.empty()) return rect;
    const ScreenDescription* holder = &screens.front();
    for (const ScreenDescription& screen : screens) {
        if (devicePixelFrame(screen).contains(rect.mid())) {
            holder = &screen;
            break;
        }
    }
    const double ratio = ratioOf(*holder);
    const ScreenPoint corner = holder->frame.origin();
    return {corner.x + (rect.x - corner.x) / ratio, corner.y + (rect.y - corner.y) / ratio,
            rect.width / ratio, rect.height / ratio};
}

}  // namespace quorvane
