#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "Quentrel/App/Agent/QuickViewAnchor.h"

namespace {

using quentrel::QuickViewAnchor;
using quentrel::ScreenRect;

TEST(QuickViewAnchor, TopLeftRectanglesBecomeBottomLeftOnesOfThePrimaryScreen) {
    struct Row {
        ScreenRect qt;
        double screenHeight;
        ScreenRect expected;
    };
    const std::vector<Row> rows = {
        {{1, 1, 22, 24}, 800, {1, 775, 22, 24}},        // a tray icon at the top edge
        {{0, 0, 1280, 800}, 800, {0, 0, 1280, 800}},    // the whole screen
        {{100, 776, 24, 24}, 800, {100, 0, 24, 24}},    // at the bottom edge
        {{1300, -30, 24, 24}, 800, {1300, 806, 24, 24}},  // above the primary screen
        {{5, 1000, 24, 24}, 800, {5, -224, 24, 24}},    // on a screen below it
    };
    for (const Row& row : rows) EXPECT_EQ(QuickViewAnchor::fromTopLeftOrigin(row.qt, row.screenHeight), row.expected);
}

TEST(QuickViewAnchor, AFrameWithoutAreaGivesTheFallbackSquare) {
    const ScreenRect visible{0, 0, 1920, 1048};
    const std::vector<double> fallback{1700, 1048, 24, 24};
    EXPECT_EQ(QuickViewAnchor::anchor(ScreenRect{1800, 1056, 22, 24}, visible),
              (std::vector<double>{1800, 1056, 22, 24}));
    EXPECT_EQ(QuickViewAnchor::anchor(std::nullopt, visible), fallback);
    EXPECT_EQ(QuickViewAnchor::anchor(ScreenRect{10, 10, 0, 0}, visible), fallback);
    EXPECT_EQ(QuickViewAnchor::anchor(ScreenRect{10, 10, 22, 0}, visible), fallback);
    EXPECT_EQ(QuickViewAnchor::anchor(ScreenRect{10, 10, -4, 24}, visible), fallback);
    // A visible frame that does not start at the origin: the square keys on its right and top edges.
    EXPECT_EQ(QuickViewAnchor::anchor(std::nullopt, ScreenRect{1920, 32, 1280, 992}),
              (std::vector<double>{2980, 1024, 24, 24}));
    EXPECT_EQ(QuickViewAnchor::anchor(std::nullopt, std::nullopt), (std::vector<double>{1220, 900, 24, 24}));
}

}  // namespace
