#include "ObservedPeakRates.h"

#include <algorithm>
#include <cmath>

#include "ActivityHistory.h"

namespace wendmark {

namespace {

bool isUsableRate(double rate) { return std::isfinite(rate) && rate >= 0; }

}  // namespace

ObservedPeakRates::ObservedPeakRates(std::span<const ActivityInterval> intervals) {
    for (const auto& interval : intervals) {
        double seconds = interval.end.secondsSince(interval.start);
        if (!(seconds > 0 && seconds <= ActivityHistory::longestInterval)) continue;
        if (!isUsableRate(interval.readBytesPerSecond) || !isUsableRate(interval.writeBytesPerSecond)) continue;
        read = std::max(read.value_or(interval.readBytesPerSecond), interval.readBytesPerSecond);
        write = std::max(write.value_or(interval.writeBytesPerSecond), interval.writeBytesPerSecond);
    }
}

}  // namespace wendmark
