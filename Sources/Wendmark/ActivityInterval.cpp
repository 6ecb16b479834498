#include "ActivityInterval.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace wendmark {

std::optional<ActivityInterval> ActivityInterval::containing(platform::Date date,
                                                             std::span<const ActivityInterval> intervals) {
    for (const auto& interval : intervals)
        if (interval.start <= date && date <= interval.end) return interval;
    return std::nullopt;
}

double ActivityInterval::coveredSeconds(std::span<const ActivityInterval> intervals) {
    std::vector<std::pair<double, double>> spans;
    spans.reserve(intervals.size());
    // A start that is not a number cannot be ordered (and would break the sort); such an interval
    // covers nothing.
    for (const auto& interval : intervals)
        if (!std::isnan(interval.start.sinceReferenceDate))
            spans.emplace_back(interval.start.sinceReferenceDate, interval.end.sinceReferenceDate);
    std::sort(spans.begin(), spans.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    double covered = 0;
    double reached = -std::numeric_limits<double>::infinity();
    for (const auto& [start, end] : spans) {
        double added = end - std::max(start, reached);
        if (added > 0) covered += added;
        if (end > reached) reached = end;
    }
    return covered;
}

void ActivityInterval::encode(platform::json::ObjectEncoder& e) const {
    e.field("id", id)
        .field("start", start)
        .field("end", end)
        .field("readBytesPerSecond", readBytesPerSecond)
        .field("writeBytesPerSecond", writeBytesPerSecond);
}

ActivityInterval ActivityInterval::decode(const platform::json::ObjectDecoder& d) {
    return {d.required<std::uint64_t>("id"), d.required<platform::Date>("start"), d.required<platform::Date>("end"),
            d.required<double>("readBytesPerSecond"), d.required<double>("writeBytesPerSecond")};
}

}  // namespace wendmark
