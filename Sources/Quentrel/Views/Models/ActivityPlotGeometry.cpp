#include "ActivityPlotGeometry.h"

#include <algorithm>
#include <cmath>

namespace quentrel {

double ActivityPlotGeometry::peakRate(std::span<const wendmark::ActivityInterval> intervals) {
    double peak = 0;
    // A non-finite rate would make the scale infinite or NaN and flatten or hide every line.
    for (const auto& interval : intervals) {
        if (std::isfinite(interval.readBytesPerSecond)) peak = std::max(peak, interval.readBytesPerSecond);
        if (std::isfinite(interval.writeBytesPerSecond)) peak = std::max(peak, interval.writeBytesPerSecond);
    }
    return peak;
}

ActivityPlotGeometry ActivityPlotGeometry::make(std::span<const wendmark::ActivityInterval> intervals,
                                                platform::Date referenceDate,
                                                std::optional<platform::Date> selectedDate, double width,
                                                double height) {
    ActivityPlotGeometry geometry;
    make(intervals, referenceDate, selectedDate, width, height, geometry);
    return geometry;
}

void ActivityPlotGeometry::make(std::span<const wendmark::ActivityInterval> intervals, platform::Date referenceDate,
                                std::optional<platform::Date> selectedDate, double width, double height,
                                ActivityPlotGeometry& into) {
    into.windowStart = referenceDate.addingSeconds(-windowSeconds);
    into.scale = std::max(peakRate(intervals), minimumScale);
    into.segments.clear();
    into.segments.reserve(intervals.size() * 2);
    into.markerX.reset();

    const platform::Date start = into.windowStart;
    const double usableHeight = std::max(0.0, height - (bottomInset + topInset));
    const double scale = into.scale;
    auto x = [&](platform::Date t) { return t.secondsSince(start) / windowSeconds * width; };
    auto y = [&](double rate) { return (height - bottomInset) - (rate / scale) * usableHeight; };
    auto add = [&](Line line, double x1, double x2, double rate) {
        const double level = y(rate);
        if (std::isfinite(x1) && std::isfinite(x2) && std::isfinite(level)) into.segments.push_back({line, x1, x2, level});
    };
    for (const auto& interval : intervals) {
        const double x1 = x(interval.start);
        const double x2 = x(interval.end);
        add(Line::read, x1, x2, interval.readBytesPerSecond);
        add(Line::write, x1, x2, interval.writeBytesPerSecond);
    }
    if (selectedDate && start <= *selectedDate && *selectedDate <= referenceDate) {
        const double marker = x(*selectedDate);
        if (std::isfinite(marker)) into.markerX = marker;
    }
}

}  // namespace quentrel
