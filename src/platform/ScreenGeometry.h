#pragma once

// Points, sizes and rectangles on the desktop, in Qt's global coordinates: origin at the top-left corner of
// the primary screen, y growing downwards, units of device-independent pixels. Plain values.

#include <algorithm>
#include <cmath>

namespace quorvane {

struct ScreenPoint {
    double x = 0;
    double y = 0;

    bool operator==(const ScreenPoint&) const = default;
};

struct ScreenSize {
    double width = 0;
    double height = 0;

    bool operator==(const ScreenSize&) const = default;
};

struct ScreenRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    bool operator==(const ScreenRect&) const = default;

    // A negative width or height counts from the far edge, so the extremes below hold for any rectangle.
    double minX() const { return std::min(x, x + width); }
    double maxX() const { return std::max(x, x + width); }
    double minY() const { return std::min(y, y + height); }
    double maxY() const { return std::max(y, y + height); }
    double midX() const { return (minX() + maxX()) / 2; }
    double midY() const { return (minY() + maxY()) / 2; }
    ScreenPoint origin() const { return {x, y}; }
    ScreenPoint mid() const { return {midX(), midY()}; }

    // The same area with a non-negative width and height.
    ScreenRect standardized() const { return {minX(), minY(), maxX() - minX(), maxY() - minY()}; }
    // Grown by `dx` and `dy` on each side (shrunk when negative).
    ScreenRect outset(double dx, double dy) const {
        const ScreenRect r = standardized();
        return {r.x - dx, r.y - dy, r.width + 2 * dx, r.height + 2 * dy};
    }
    // Half-open: the left and top edges belong to the rectangle, the right and bottom ones do not.
    bool contains(ScreenPoint point) const {
        return point.x >= minX() && point.x < maxX() && point.y >= minY() && point.y < maxY();
    }
    // True when the two share an area; rectangles that only touch do not intersect.
    bool intersects(const ScreenRect& other) const {
        return minX() < other.maxX() && other.minX() < maxX() && minY() < other.maxY() &&
               other.minY() < maxY();
    }
    bool isFinite() const {
        return std::isfinite(x) && std::isfinite(y) && std::isfinite(width) && std::isfinite(height);
    }
};

}  // namespace quorvane
