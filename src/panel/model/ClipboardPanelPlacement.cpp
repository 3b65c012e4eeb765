#include "panel/model/ClipboardPanelPlacement.h"

#include <cmath>

#include "platform/UserDefaults.h"

namespace quorvane {

std::optional<ScreenDescription> ClipboardPanelPlacement::chooseScreen(const ScreenProvider& provider) {
    const auto screens = provider.screens();
    const ScreenPoint mouse = provider.mouseLocation();
    for (const auto& screen : screens) {
        if (screen.frame.contains(mouse)) return screen;
    }
    if (auto key = provider.keyWindowScreen()) return key;
    if (auto main = provider.mainScreen()) return main;
    if (!screens.empty()) return screens.front();
    return std::nullopt;
}

ScreenSize ClipboardPanelPlacement::panelSize(double devicePixelRatio) {
    if (!(devicePixelRatio > 0) || !std::isfinite(devicePixelRatio)) return {panelWidth, panelHeight};
    const auto whole = [&](double side) { return std::floor(side * devicePixelRatio) / devicePixelRatio; };
    return {whole(panelWidth), whole(panelHeight)};
}

ScreenPoint ClipboardPanelPlacement::clamped(ScreenPoint origin, ScreenSize size, const ScreenRect& frame) {
    // The lower bound first: a window larger than the work area ends at its far edges.
    origin.x = std::min(std::max(origin.x, frame.minX()), frame.maxX() - size.width);
    origin.y = std::min(std::max(origin.y, frame.minY()), frame.maxY() - size.height);
    return origin;
}

ScreenPoint ClipboardPanelPlacement::centredOrigin(ScreenSize size, const ScreenRect& frame) {
    // Global coordinates grow downwards: the centre sits a third of the height below the top edge.
    const ScreenPoint origin{frame.midX() - size.width / 2,
                             frame.minY() + (frame.maxY() - frame.minY()) / 3 - size.height / 2};
    return clamped(origin, size, frame);
}

ScreenPoint ClipboardPanelPlacement::restoredOrigin(ScreenPoint origin, ScreenSize size,
                                                    const ScreenRect& frame) {
    const ScreenRect window{origin.x, origin.y, size.width, size.height};
    if (window.intersects(frame) || frame.contains(origin)) return clamped(origin, size, frame);
    return centredOrigin(size, frame);
}

std::optional<ScreenPoint> ClipboardPanelPlacement::savedPosition(const UserDefaults& userDefaults) {
    const auto stored = userDefaults.dictionaryValue(positionDefaultsKey);
    if (!stored) return std::nullopt;
    for (const auto& [key, value] : *stored) {
        if (!value.numberValue()) return std::nullopt;
    }
    const auto x = stored->find("x");
    const auto y = stored->find("y");
    if (x == stored->end() || y == stored->end()) return std::nullopt;
    const ScreenPoint point{*x->second.numberValue(), *y->second.numberValue()};
    if (!std::isfinite(point.x) || !std::isfinite(point.y)) return std::nullopt;
    return point;
}

void ClipboardPanelPlacement::savePosition(UserDefaults& userDefaults, ScreenPoint origin) {
    userDefaults.set(positionDefaultsKey,
                     DefaultsValue(DefaultsValue::Dictionary{{"x", DefaultsValue(origin.x)},
                                                             {"y", DefaultsValue(origin.y)}}));
}

void ClipboardPanelPlacement::forgetPosition(UserDefaults& userDefaults) {
    userDefaults.remove(positionDefaultsKey);
}

}  // namespace quorvane
