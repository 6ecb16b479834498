#pragma once

#include <optional>
#include <span>

#include "ActivityInterval.h"

namespace wendmark {

// The highest read and write rates among the intervals that can be trusted: a duration above 0
// and at most 45 s (the longest the activity history accepts), and both rates finite and not
// negative. Both peaks are absent together when no interval qualifies.
struct ObservedPeakRates {
    std::optional<double> read;
    std::optional<double> write;

    explicit ObservedPeakRates(std::span<const ActivityInterval> intervals);

    friend bool operator==(const ObservedPeakRates&, const ObservedPeakRates&) = default;
};

}  // namespace wendmark
