#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "Quentrel/Services/ScreenRect.h"

namespace quentrel {

// One screen: its whole frame and the part windows may use (without panels and docks).
struct ScreenGeometry {
    ScreenRect frame;
    ScreenRect visibleFrame;
};

// A rectangle as Qt takes it: integer device-independent pixels, origin at the top left.
struct QtRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const QtRect&, const QtRect&) = default;
};

// Where the quick panel opens. Pure functions of the anchor, the panel's size and the screens, so
// the rule holds whatever content the panel gets.
struct QuickPanelPlacement {
    // The panel's top sits this far below the anchor.
    static constexpr double anchorGap = 6;
    // The screen frame assumed when there is no screen at all.
    static constexpr ScreenRect fallbackFrame{0, 0, 1440, 900};
    // The anchor of a quick view opened by the UI app itself: this far left of the screen's right
    // edge, on its top edge, this many points square.
    static constexpr double localAnchorInset = 220;
    static constexpr double localAnchorSide = 24;
    // Where the platform does not tell what the desktop's panels take of a screen (Wayland has no
    // protocol for it: Qt's available area there is the whole output), the panel keeps this far
    // from the screen's top and bottom edges, so that it fits beside a bar along each: as tall as
    // the tallest usual ones (GNOME's top bar is 32, Plasma's panel 44, a dock along the bottom
    // 48). The compositor places the panel where it fits whole.
    static constexpr double unknownPanelsMargin = 48;

    // The anchor for the UI app's own quick view on a screen with `visibleFrame` (none: the
    // fallback frame).
    static ScreenRect localAnchor(const std::optional<ScreenRect>& visibleFrame);

    // The part of a screen with `visibleFrame` that the panel keeps within: all of it when the
    // platform knows the screen's work area, else less `unknownPanelsMargin` at the top and bottom.
    static ScreenRect room(const ScreenRect& visibleFrame, bool workAreaKnown);

    // The visible frame the panel keeps within: that of the first screen whose frame intersects
    // the anchor, else of `mainScreen`, else the fallback frame. The anchor's numbers are first
    // clamped to the int range, so a finite but huge anchor cannot overflow the arithmetic.
    static ScreenRect visibleFrame(const ScreenRect& anchor, const std::vector<ScreenGeometry>& screens,
                                   std::optional<std::size_t> mainScreen);

    // The panel's frame for a panel of `width` × `height` under `anchor`: centred under it,
    // `anchorGap` below it, kept inside the visible frame on every side, so that it never covers
    // the panel or bar that holds the anchor. The left edge wins when the panel is wider than the
    // frame, the bottom edge when it is taller (the panel's height is capped at the frame's, its
    // content scrolling, so that happens only without that cap).
    static ScreenRect frame(const ScreenRect& anchor, double width, double height,
                            const std::vector<ScreenGeometry>& screens, std::optional<std::size_t> mainScreen);
};

// The numbers of `value` kept within the int range (NaN counts as 0).
double clampedToIntRange(double value);
ScreenRect clampedToIntRange(const ScreenRect& rect);

// The one conversion at the Qt boundary, both ways: y flips about the height of the primary
// screen (qtY = primaryScreenHeight - (y + height)); x is the same in both. Every number is
// clamped to the int range (a width or height also to 0 and above) before it becomes an int.
QtRect toQtRect(const ScreenRect& rect, double primaryScreenHeight);
ScreenRect fromQtRect(const QtRect& rect, double primaryScreenHeight);

}  // namespace quentrel
