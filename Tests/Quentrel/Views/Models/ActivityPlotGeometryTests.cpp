#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "Quentrel/Views/Models/ActivityPlotGeometry.h"

using quentrel::ActivityPlotGeometry;
using Line = ActivityPlotGeometry::Line;
using Segment = ActivityPlotGeometry::Segment;
using wendmark::ActivityInterval;

namespace {
constexpr double ref = 700'000'000;
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

ActivityInterval interval(std::uint64_t id, double startAgo, double endAgo, double read, double write) {
    return {id, platform::Date{ref - startAgo}, platform::Date{ref - endAgo}, read, write};
}

ActivityPlotGeometry plot(const std::vector<ActivityInterval>& intervals, std::optional<double> selectedAgo = {},
                          double width = 300, double height = 110) {
    std::optional<platform::Date> selected;
    if (selectedAgo) selected = platform::Date{ref - *selectedAgo};
    return ActivityPlotGeometry::make(intervals, platform::Date{ref}, selected, width, height);
}
}  // namespace

TEST(ActivityPlotGeometry, withoutIntervalsOnlyTheMarkerIsPlaced) {
    auto g = plot({}, 150.0);
    EXPECT_TRUE(g.segments.empty());
    EXPECT_EQ(g.scale, 1);
    EXPECT_EQ(g.windowStart, platform::Date{ref - 300});
    ASSERT_TRUE(g.markerX);
    EXPECT_DOUBLE_EQ(*g.markerX, 150);
    EXPECT_FALSE(plot({}).markerX);
}

TEST(ActivityPlotGeometry, eachIntervalGivesItsReadThenItsWriteSegmentWithoutJoins) {
    // 300 points for 300 s: one point a second. Height 110: baseline 106, usable 100.
    auto g = plot({interval(1, 300, 290, 200, 50), interval(2, 100, 99, 0, 100)});
    const std::vector<Segment> expected{
        {Line::read, 0, 10, 6},      // the peak touches the top inset
        {Line::write, 0, 10, 81},    // a quarter of the usable height above the baseline
        {Line::read, 200, 201, 106}, // a rate of 0 lies 4 points above the bottom
        {Line::write, 200, 201, 56},
    };
    EXPECT_EQ(g.scale, 200);
    EXPECT_EQ(g.segments, expected);
}

TEST(ActivityPlotGeometry, allZeroRatesUseScaleOneOnTheBaseline) {
    auto g = plot({interval(1, 10, 5, 0, 0), interval(2, 5, 0, 0.5, 0)});
    EXPECT_EQ(g.scale, 1);
    EXPECT_DOUBLE_EQ(g.segments[0].y, 106);
    EXPECT_DOUBLE_EQ(g.segments[2].y, 56);  // 0.5 of a scale of 1
}

TEST(ActivityPlotGeometry, theScaleCountsIntervalsOutsideTheWindow) {
    auto g = plot({interval(1, 900, 880, 1000, 0), interval(2, 10, 0, 500, 0)});
    EXPECT_EQ(g.scale, 1000);
    EXPECT_DOUBLE_EQ(g.segments[0].x1, -600);  // drawn from far left and clipped by the widget
    EXPECT_DOUBLE_EQ(g.segments[2].y, 56);
}

TEST(ActivityPlotGeometry, anIntervalStartingBeforeTheWindowStartsAtANegativeX) {
    auto g = plot({interval(1, 310, 290, 1, 1)}, std::nullopt, 600);
    EXPECT_DOUBLE_EQ(g.segments[0].x1, -20);
    EXPECT_DOUBLE_EQ(g.segments[0].x2, 20);
}

TEST(ActivityPlotGeometry, theMarkerBelongsToTheClosedWindow) {
    EXPECT_EQ(plot({}, 300.0).markerX, 0.0);
    EXPECT_EQ(plot({}, 0.0).markerX, 300.0);
    EXPECT_FALSE(plot({}, 300.001).markerX);
    EXPECT_FALSE(plot({}, -0.001).markerX);
}

TEST(ActivityPlotGeometry, aPlotLowerThanItsInsetsPutsEverySegmentOnTheBaseline) {
    auto g = plot({interval(1, 10, 0, 200, 50)}, std::nullopt, 300, 8);
    EXPECT_DOUBLE_EQ(g.segments[0].y, 4);
    EXPECT_DOUBLE_EQ(g.segments[1].y, 4);
}

TEST(ActivityPlotGeometry, nonFiniteRatesStayOutOfTheScaleAndTheirSegmentsAreSkipped) {
    auto g = plot({interval(1, 20, 10, notANumber, 100), interval(2, 10, 0, inf, -inf), interval(3, 5, 0, 50, 0)});
    EXPECT_EQ(g.scale, 100);
    const std::vector<Segment> expected{{Line::write, 280, 290, 6}, {Line::read, 295, 300, 56}, {Line::write, 295, 300, 106}};
    EXPECT_EQ(g.segments, expected);
    EXPECT_EQ(ActivityPlotGeometry::peakRate(std::vector{interval(1, 2, 1, notANumber, inf)}), 0);
}

TEST(ActivityPlotGeometry, segmentsWithNonFiniteTimesAreSkipped) {
    std::vector<ActivityInterval> intervals{interval(1, 20, 10, 1, 1), interval(2, 10, 0, 1, 1)};
    intervals[0].start = platform::Date{notANumber};
    intervals[1].end = platform::Date{inf};
    EXPECT_TRUE(plot(intervals).segments.empty());
    EXPECT_FALSE(ActivityPlotGeometry::make({}, platform::Date{ref}, platform::Date{notANumber}, 300, 110).markerX);
}

TEST(ActivityPlotGeometry, negativeRatesLieBelowTheBaseline) {
    auto g = plot({interval(1, 10, 0, -100, 100)});
    EXPECT_EQ(g.scale, 100);
    EXPECT_DOUBLE_EQ(g.segments[0].y, 206);
}

TEST(ActivityPlotGeometry, rebuildingIntoTheSameValueReplacesEverything) {
    auto g = plot({interval(1, 10, 0, 5, 5)}, 5.0);
    ActivityPlotGeometry::make({}, platform::Date{ref}, std::nullopt, 300, 110, g);
    EXPECT_TRUE(g.segments.empty());
    EXPECT_FALSE(g.markerX);
    EXPECT_EQ(g.scale, 1);
}
