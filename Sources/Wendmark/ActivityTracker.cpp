#include "ActivityTracker.h"

#include <iterator>

namespace wendmark {

ActivitySample ActivityTracker::sample(const std::string& id, const std::optional<IOCounters>& counters,
                                       double monotonic, platform::Date date, double maxGap) {
    if (!counters) {
        baselines_.erase(id);
        return ActivitySample::unmeasured(ActivityKind::unavailable, unreadableReason, date);
    }

    std::optional<Baseline> earlier;
    auto [it, inserted] = baselines_.try_emplace(id, Baseline{*counters, monotonic});
    if (!inserted) {
        earlier = it->second;
        it->second = Baseline{*counters, monotonic};
    }
    if (!earlier) return ActivitySample::unmeasured(ActivityKind::preparing, preparingReason, date);

    double dt = monotonic - earlier->monotonic;
    // Written so that a NaN dt fails the comparison.
    bool valid = dt > 0 && dt <= maxGap && counters->bytesRead >= earlier->counters.bytesRead &&
                 counters->bytesWritten >= earlier->counters.bytesWritten;
    if (!valid) return ActivitySample::unmeasured(ActivityKind::interrupted, interruptedReason, date);

    return ActivitySample::measured(dt, counters->bytesRead - earlier->counters.bytesRead,
                                    counters->bytesWritten - earlier->counters.bytesWritten, date);
}

void ActivityTracker::retainDevices(const std::unordered_set<std::string>& ids) {
    std::erase_if(baselines_, [&](const auto& entry) { return !ids.contains(entry.first); });
}

}  // namespace wendmark
