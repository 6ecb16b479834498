#include "QuickPanelPlacement.h"
#include "Platform/Desktop/WindowPlacement.h"

#include <climits>
#include <limits>

#include <gtest/gtest.h>

using namespace quentrel;

namespace {

// A 1440 × 900 primary screen with a 25-point bar on top, and a 1920 × 1080 screen to its right.
const ScreenGeometry primary{{0, 0, 1440, 900}, {0, 0, 1440, 875}};
const ScreenGeometry right{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}};
const std::vector<ScreenGeometry> twoScreens{primary, right};
constexpr double W = 360;
constexpr double H = 420;
constexpr double huge = 1e300;

}  // namespace

TEST(QuickPanelPlacement, thePanelHangsCentredUnderTheAnchorInsideTheVisibleFrame) {
    struct Case {
        const char* name;
        ScreenRect anchor;
        double width;
        std::vector<ScreenGeometry> screens;
        std::optional<std::size_t> main;
        double x, y;
    } cases[] = {
        {"centred, 6 points below", {700, 875, 24, 24}, W, twoScreens, 0, 532, 449},
        {"right edge kept", {1420, 875, 24, 24}, W, twoScreens, 0, 1080, 449},
        {"bottom edge kept", {700, 100, 24, 24}, W, twoScreens, 0, 532, 0},
        {"wider than the frame: left edge", {700, 875, 24, 24}, 2000, twoScreens, 0, 0, 449},
        {"the top edge kept: never over the bar", {700, 1950, 24, 24}, W, twoScreens, 0, 532, 455},
        {"an anchor in the bar: the panel below the bar", {700, 895, 4, 4}, W, twoScreens, 0, 522, 455},
        {"the screen under the anchor", {2000, 1050, 24, 24}, W, twoScreens, 0, 1832, 624},
        {"a touching edge is no hit: main screen", {2000, 1080, 24, 24}, W, twoScreens, 0, 1080, 455},
        {"on no screen: the main screen", {-5000, 500, 24, 24}, W, twoScreens, 1, 1440, 74},
        {"no main screen: the fallback frame", {-5000, 500, 24, 24}, W, twoScreens, std::nullopt, 0, 74},
        {"no screen at all: 1440 × 900", {1430, 900, 24, 24}, W, {}, std::nullopt, 1080, 474},
    };
    for (const Case& c : cases) {
        const ScreenRect frame = QuickPanelPlacement::frame(c.anchor, c.width, H, c.screens, c.main);
        EXPECT_EQ(frame, (ScreenRect{c.x, c.y, c.width, H})) << c.name;
    }
}

TEST(QuickPanelPlacement, hugeAnchorsAreClampedToTheIntRangeFirst) {
    const ScreenRect far = QuickPanelPlacement::frame({huge, huge, huge, huge}, W, H, twoScreens, 0);
    EXPECT_EQ(far, (ScreenRect{1080, 455, W, H}));
    const ScreenRect below = QuickPanelPlacement::frame({-huge, -huge, 24, 24}, W, H, twoScreens, 0);
    EXPECT_EQ(below, (ScreenRect{0, 0, W, H}));
    const QtRect qt = toQtRect({1080, INT_MAX - H - 6, W, H}, 900);
    EXPECT_EQ(qt, (QtRect{1080, 900 - (INT_MAX - 6), 360, 420}));
}

TEST(QuickPanelPlacement, theLocalAnchorSitsOnTheTopEdgeNearTheRight) {
    EXPECT_EQ(QuickPanelPlacement::localAnchor(primary.visibleFrame), (ScreenRect{1220, 875, 24, 24}));
    EXPECT_EQ(QuickPanelPlacement::localAnchor(std::nullopt), (ScreenRect{1220, 900, 24, 24}));
    // Opened from there, the panel's right edge meets the frame's.
    const ScreenRect anchor = QuickPanelPlacement::localAnchor(primary.visibleFrame);
    EXPECT_EQ(QuickPanelPlacement::frame(anchor, W, H, twoScreens, 0), (ScreenRect{1052, 449, W, H}));
}

// Without a work area (Wayland) the panel keeps room for a bar at the top and the bottom.
TEST(QuickPanelPlacement, withoutAWorkAreaThePanelLeavesRoomForTheDesktopsBars) {
    EXPECT_EQ(QuickPanelPlacement::room({0, 0, 1366, 768}, true), (ScreenRect{0, 0, 1366, 768}));
    EXPECT_EQ(QuickPanelPlacement::room({1440, 0, 1366, 768}, false), (ScreenRect{1440, 48, 1366, 672}));
    EXPECT_EQ(QuickPanelPlacement::room({0, 0, 800, 60}, false), (ScreenRect{0, 30, 800, 0})) << "never negative";
}

TEST(QuickPanelPlacement, rectanglesIntersectOnlyWithAnAreaInCommon) {
    const ScreenRect a{0, 0, 10, 10};
    EXPECT_TRUE(a.intersects({9, 9, 5, 5}));
    EXPECT_FALSE(a.intersects({10, 0, 5, 5})) << "a shared edge";
    EXPECT_FALSE(a.intersects({2, 2, 0, 5})) << "no width";
    EXPECT_FALSE((ScreenRect{2, 2, 5, 0}).intersects(a)) << "no height";
}

TEST(QtCoordinates, yFlipsAboutThePrimaryScreenHeightAndBack) {
    const ScreenRect screen{100, 200, 300, 400};
    const QtRect qt = toQtRect(screen, 900);
    EXPECT_EQ(qt, (QtRect{100, 300, 300, 400}));
    EXPECT_EQ(fromQtRect(qt, 900), screen);
    // A screen above the primary one has negative Qt y.
    EXPECT_EQ(fromQtRect({0, -1080, 1920, 1080}, 900), (ScreenRect{0, 900, 1920, 1080}));
}

TEST(QtCoordinates, numbersOutsideTheIntRangeAreClampedNotConverted) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(toQtRect({1e12, -1e12, 1e12, -5}, 900), (QtRect{INT_MAX, INT_MAX, INT_MAX, 0}));
    EXPECT_EQ(toQtRect({-1e12, 1e12, 10, 10}, 900), (QtRect{INT_MIN, 890 - INT_MAX, 10, 10})) << "flipped after clamping";
    EXPECT_EQ(toQtRect({nan, nan, nan, nan}, 900), (QtRect{0, 900, 0, 0}));
    EXPECT_EQ(clampedToIntRange(2.5), 2.5);
    EXPECT_EQ(clampedToIntRange(-huge), INT_MIN);
}

// On a 1366 × 768 screen under a 28-pixel panel, where a frame of that size opens and where a
// frame at that place is kept.
TEST(WindowPlacement, aFrameOpensCentredWhereItFitsAndMovesTheLeastWayBackInside) {
    const QRect area(0, 28, 1366, 740);
    struct Case {
        const char* name;
        QRect frame;
        QPoint opens, kept;
    } cases[] = {
        {"fits, inside", {100, 100, 480, 600}, {443, 98}, {100, 100}},
        {"grown past the bottom: up just enough", {443, 178, 480, 737}, {443, 29}, {443, 31}},
        {"odd room: the extra pixel below", {443, 40, 480, 739}, {443, 28}, {443, 29}},
        {"under the panel: down", {443, -2, 480, 600}, {443, 98}, {443, 28}},
        {"past the right edge: left", {1000, 100, 480, 600}, {443, 98}, {886, 100}},
        {"taller than the area: at its top", {367, -2, 632, 826}, {367, 28}, {367, 28}},
        {"wider, off the left edge: at the left edge", {-50, 100, 1400, 600}, {0, 98}, {0, 100}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::WindowPlacement::opening(c.frame.size(), area), c.opens) << c.name;
        EXPECT_EQ(platform::WindowPlacement::inside(c.frame, area), c.kept) << c.name;
    }
}
