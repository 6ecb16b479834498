#pragma once

#include <optional>
#include <vector>

#include "Quentrel/Services/ScreenRect.h"

namespace quentrel {

// Where the quick view opens: below the status item, in the bottom-left-origin global
// coordinates that presentations carry on the pipe.
struct QuickViewAnchor {
    // Without a main screen its visible frame is taken as this rectangle.
    static constexpr ScreenRect fallbackScreen{0, 0, 1440, 900};
    // Without a usable status-item frame the anchor is a square this far left of the visible
    // frame's right edge, on its top edge.
    static constexpr double fallbackRightInset = 220;
    static constexpr double fallbackSide = 24;

    // A rectangle of Qt's top-left-origin global coordinates in the bottom-left-origin ones, whose
    // y axis points up from the bottom of the primary screen.
    static ScreenRect fromTopLeftOrigin(const ScreenRect& rect, double primaryScreenHeight);

    // The anchor [x, y, width, height]: the status item's frame when it has one with a width and
    // a height above 0, else the fallback square at the top right of the main screen's visible
    // frame (of the fallback screen without one). Both frames bottom-left-origin.
    static std::vector<double> anchor(const std::optional<ScreenRect>& statusItemFrame,
                                      const std::optional<ScreenRect>& mainScreenVisibleFrame);
};

}  // namespace quentrel
