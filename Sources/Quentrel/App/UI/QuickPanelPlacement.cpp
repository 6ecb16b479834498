#include "QuickPanelPlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quentrel {

namespace {

constexpr double intMinimum = std::numeric_limits<int>::min();
constexpr double intMaximum = std::numeric_limits<int>::max();

int toInt(double value) { return static_cast<int>(clampedToIntRange(value)); }

int toLength(double value) { return std::max(0, toInt(value)); }

}  // namespace

double clampedToIntRange(double value) {
    if (std::isnan(value)) return 0;
    // Whole numbers only past the ends, so the result always converts to int without overflow.
    return std::clamp(value, intMinimum, intMaximum);
}

ScreenRect clampedToIntRange(const ScreenRect& rect) {
    return {clampedToIntRange(rect.x), clampedToIntRange(rect.y), clampedToIntRange(rect.width),
            clampedToIntRange(rect.height)};
}

ScreenRect QuickPanelPlacement::localAnchor(const std::optional<ScreenRect>& visibleFrame) {
    const ScreenRect f = visibleFrame.value_or(fallbackFrame);
    return {f.maxX() - localAnchorInset, f.maxY(), localAnchorSide, localAnchorSide};
}

ScreenRect QuickPanelPlacement::room(const ScreenRect& visibleFrame, bool workAreaKnown) {
    if (workAreaKnown) return visibleFrame;
    const double margin = std::min(unknownPanelsMargin, visibleFrame.height / 2);
    return {visibleFrame.x, visibleFrame.y + margin, visibleFrame.width, visibleFrame.height - 2 * margin};
}

ScreenRect QuickPanelPlacement::visibleFrame(const ScreenRect& anchorIn, const std::vector<ScreenGeometry>& screens,
                                             std::optional<std::size_t> mainScreen) {
    const ScreenRect anchor = clampedToIntRange(anchorIn);
    const auto hit = std::find_if(screens.begin(), screens.end(),
                                  [&](const ScreenGeometry& s) { return s.frame.intersects(anchor); });
    if (hit != screens.end()) return hit->visibleFrame;
    if (mainScreen && *mainScreen < screens.size()) return screens[*mainScreen].visibleFrame;
    return fallbackFrame;
}

ScreenRect QuickPanelPlacement::frame(const ScreenRect& anchorIn, double width, double height,
                                      const std::vector<ScreenGeometry>& screens,
                                      std::optional<std::size_t> mainScreen) {
    const ScreenRect anchor = clampedToIntRange(anchorIn);
    const ScreenRect visible = visibleFrame(anchor, screens, mainScreen);
    const double x = std::max(visible.minX(), std::min(visible.maxX() - width, anchor.midX() - width * 0.5));
    const double y = std::max(visible.minY(), std::min(visible.maxY() - height, anchor.minY() - height - anchorGap));
    return {x, y, width, height};
}

QtRect toQtRect(const ScreenRect& rect, double primaryScreenHeight) {
    const ScreenRect r = clampedToIntRange(rect);
    return {toInt(r.x), toInt(clampedToIntRange(primaryScreenHeight) - (r.y + r.height)), toLength(r.width),
            toLength(r.height)};
}

ScreenRect fromQtRect(const QtRect& rect, double primaryScreenHeight) {
    const double y = primaryScreenHeight - (static_cast<double>(rect.y) + rect.height);
    return {static_cast<double>(rect.x), y, static_cast<double>(rect.width), static_cast<double>(rect.height)};
}

}  // namespace quentrel
