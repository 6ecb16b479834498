#pragma once

namespace quentrel {

// A rectangle in the global coordinates of presentations: points, origin at the bottom left of
// the primary screen, y growing upwards. The agent's status-item anchor and the UI app's panel
// placement both work in it.
struct ScreenRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double maxX() const { return x + width; }
    double midX() const { return x + width * 0.5; }
    double minY() const { return y; }
    double maxY() const { return y + height; }
    // Written so that a NaN side counts as empty.
    bool isEmpty() const { return !(width > 0 && height > 0); }

    // True only when both rectangles have an area and they overlap in more than an edge.
    bool intersects(const ScreenRect& other) const {
        if (isEmpty() || other.isEmpty()) return false;
        return minX() < other.maxX() && other.minX() < maxX() && minY() < other.maxY() && other.minY() < maxY();
    }

    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

}  // namespace quentrel
