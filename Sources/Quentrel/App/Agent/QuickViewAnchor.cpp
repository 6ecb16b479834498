#include "QuickViewAnchor.h"

namespace quentrel {

ScreenRect QuickViewAnchor::fromTopLeftOrigin(const ScreenRect& rect, double primaryScreenHeight) {
    return {rect.x, primaryScreenHeight - (rect.y + rect.height), rect.width, rect.height};
}

std::vector<double> QuickViewAnchor::anchor(const std::optional<ScreenRect>& statusItemFrame,
                                            const std::optional<ScreenRect>& mainScreenVisibleFrame) {
    ScreenRect rect;
    if (statusItemFrame && !statusItemFrame->isEmpty()) {
        rect = *statusItemFrame;
    } else {
        const ScreenRect screen = mainScreenVisibleFrame.value_or(fallbackScreen);
        rect = {screen.maxX() - fallbackRightInset, screen.maxY(), fallbackSide, fallbackSide};
    }
    return {rect.x, rect.y, rect.width, rect.height};
}

}  // namespace quentrel
