#pragma once

#include <optional>
#include <span>
#include <vector>

#include "Platform/Foundation/Date.h"
#include "Wendmark/ActivityInterval.h"

namespace quentrel {

// Where the five-minute plot puts its lines: one horizontal read segment and one write segment
// per interval, and the vertical marker of the inspected instant. A pure function of the
// intervals, the window's end, the selection and the plot's size; the widget only strokes it.
// Coordinates have the origin at the top left, y growing downwards.
struct ActivityPlotGeometry {
    // The window the plot shows ends at the reference date.
    static constexpr double windowSeconds = 300;
    // A rate of 0 lies this far above the bottom edge, the scale's top this far below the top.
    static constexpr double bottomInset = 4;
    static constexpr double topInset = 6;
    // The smallest scale, so that all-zero rates sit on the baseline.
    static constexpr double minimumScale = 1;

    // Strokes, in points. Read is solid, write and the marker dashed with phase 0.
    static constexpr double readLineWidth = 2.0;
    static constexpr double writeLineWidth = 1.5;
    static constexpr double markerLineWidth = 1.0;
    static constexpr double writeDashOn = 3, writeDashOff = 2;
    static constexpr double markerDashOn = 2, markerDashOff = 3;
    // The marker is the muted colour at this opacity.
    static constexpr double markerOpacity = 0.7;

    enum class Line { read, write };
    struct Segment {
        Line line;
        double x1;
        double x2;
        double y;
        friend bool operator==(const Segment&, const Segment&) = default;
    };

    platform::Date windowStart;
    // The rate drawn at the top inset: the largest finite rate of all intervals, at least 1.
    double scale = minimumScale;
    // In drawing order: each interval's read segment, then its write segment over it, interval
    // after interval. A segment with a non-finite coordinate is left out.
    std::vector<Segment> segments;
    // The x of the marker, from the top edge to the bottom edge; absent when nothing is selected
    // or the selection lies outside the window (both ends belong to it).
    std::optional<double> markerX;

    static ActivityPlotGeometry make(std::span<const wendmark::ActivityInterval> intervals, platform::Date referenceDate,
                                     std::optional<platform::Date> selectedDate, double width, double height);
    // The same into `into`, reusing its storage (a plot repaints at each sample).
    static void make(std::span<const wendmark::ActivityInterval> intervals, platform::Date referenceDate,
                     std::optional<platform::Date> selectedDate, double width, double height,
                     ActivityPlotGeometry& into);

    // The largest finite read or write rate over all intervals (also those outside the window),
    // 0 without any.
    static double peakRate(std::span<const wendmark::ActivityInterval> intervals);
};

}  // namespace quentrel
