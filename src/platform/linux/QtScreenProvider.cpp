#include "platform/linux/QtScreenProvider.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace quorvane {

namespace {

ScreenRect toScreenRect(const QRect& rect) {
    return {static_cast<double>(rect.x()), static_cast<double>(rect.y()), static_cast<double>(rect.width()),
            static_cast<double>(rect.height())};
}

ScreenDescription describe(const QScreen* screen) {
    return {toScreenRect(screen->geometry()), toScreenRect(screen->availableGeometry()),
            screen->devicePixelRatio()};
}

}  // namespace

std::vector<ScreenDescription> QtScreenProvider::screens() const {
    std::vector<ScreenDescription> result;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) result.push_back(describe(primary));
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) result.push_back(describe(screen));
    }
    return result;
}

std::optional<ScreenDescription> QtScreenProvider::mainScreen() const {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return std::nullopt;
    return describe(primary);
}

std::optional<ScreenDescription> QtScreenProvider::keyWindowScreen() const {
    const QWindow* window = QGuiApplication::focusWindow();
    if (!window || !window->screen()) return std::nullopt;
    return describe(window->screen());
}

ScreenPoint QtScreenProvider::mouseLocation() const {
    const QPoint position = QCursor::pos();
    return {static_cast<double>(position.x()), static_cast<double>(position.y())};
}

}  // namespace quorvane
