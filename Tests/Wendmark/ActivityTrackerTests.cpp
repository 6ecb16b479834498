#include "Wendmark/ActivityTracker.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace wendmark;
using platform::Date;

namespace {
constexpr double maxGap = 45;
IOCounters counters(std::uint64_t r, std::uint64_t w) { return {r, w}; }
}  // namespace

TEST(ActivityTracker, FirstReadingPreparesAndTheNextMeasures) {
    ActivityTracker t;
    auto first = t.sample("driver:1", counters(1000, 50), 100, Date{1}, maxGap);
    EXPECT_EQ(first.kind, ActivityKind::preparing);
    EXPECT_EQ(first.reason, ActivityTracker::preparingReason);
    EXPECT_EQ(first.intervalSeconds, std::nullopt);
    EXPECT_EQ(first.measuredAt, Date{1});

    auto second = t.sample("driver:1", counters(5096, 50), 101, Date{2}, maxGap);
    EXPECT_EQ(second.kind, ActivityKind::observedIO);
    EXPECT_EQ(second.intervalSeconds, 1.0);
    EXPECT_EQ(second.bytesRead, 4096u);
    EXPECT_EQ(second.bytesWritten, 0u);
    EXPECT_EQ(second.reason, std::nullopt);

    auto idle = t.sample("driver:1", counters(5096, 50), 102, Date{3}, maxGap);
    EXPECT_EQ(idle.kind, ActivityKind::observedIdle);
    EXPECT_EQ(idle.bytesRead, 0u);
    EXPECT_EQ(idle.bytesWritten, 0u);

    // Devices are independent.
    EXPECT_EQ(t.sample("driver:2", counters(0, 0), 102, Date{3}, maxGap).kind, ActivityKind::preparing);
}

TEST(ActivityTracker, GapBoundsAreInclusiveAtMaxGapAndExclusiveAtZero) {
    ActivityTracker t;
    t.sample("d", counters(0, 0), 0, Date{}, maxGap);
    EXPECT_EQ(t.sample("d", counters(0, 0), 45, Date{}, maxGap).kind, ActivityKind::observedIdle);
    auto late = t.sample("d", counters(0, 0), 90.001, Date{}, maxGap);
    EXPECT_EQ(late.kind, ActivityKind::interrupted);
    EXPECT_EQ(late.reason, ActivityTracker::interruptedReason);
    // The interrupted reading became the baseline.
    EXPECT_EQ(t.sample("d", counters(10, 0), 91, Date{}, maxGap).intervalSeconds, 91 - 90.001);

    EXPECT_EQ(t.sample("d", counters(10, 0), 91, Date{}, maxGap).kind, ActivityKind::interrupted);  // dt == 0
    EXPECT_EQ(t.sample("d", counters(10, 0), 90, Date{}, maxGap).kind, ActivityKind::interrupted);  // backwards
    EXPECT_EQ(t.sample("d", counters(10, 0), NAN, Date{}, maxGap).kind, ActivityKind::interrupted);
    EXPECT_EQ(t.sample("d", counters(10, 0), 92, Date{}, maxGap).kind, ActivityKind::interrupted);  // after NaN
    EXPECT_EQ(t.sample("d", counters(10, 0), 93, Date{}, NAN).kind, ActivityKind::interrupted);
}

TEST(ActivityTracker, CountersThatGoDownRestartWithoutWrapping) {
    ActivityTracker t;
    t.sample("d", counters(100, 100), 0, Date{}, maxGap);
    auto s = t.sample("d", counters(200, 99), 1, Date{}, maxGap);
    EXPECT_EQ(s.kind, ActivityKind::interrupted);
    EXPECT_EQ(s.bytesRead, std::nullopt);
    EXPECT_EQ(s.bytesWritten, std::nullopt);
    EXPECT_EQ(t.sample("d", counters(300, 99), 2, Date{}, maxGap).bytesRead, 100u);
    EXPECT_EQ(t.sample("d", counters(0, 99), 3, Date{}, maxGap).kind, ActivityKind::interrupted);

    t.sample("max", counters(0, 0), 0, Date{}, maxGap);
    auto huge = t.sample("max", counters(18446744073709551615u, 1), 1, Date{}, maxGap);
    EXPECT_EQ(huge.bytesRead, 18446744073709551615u);
}

TEST(ActivityTracker, MissingCountersDropTheBaseline) {
    ActivityTracker t;
    t.sample("d", counters(1, 1), 0, Date{}, maxGap);
    auto s = t.sample("d", std::nullopt, 1, Date{7}, maxGap);
    EXPECT_EQ(s.kind, ActivityKind::unavailable);
    EXPECT_EQ(s.reason, ActivityTracker::unreadableReason);
    EXPECT_EQ(s.measuredAt, Date{7});
    EXPECT_EQ(t.sample("d", counters(2, 2), 2, Date{}, maxGap).kind, ActivityKind::preparing);
}

TEST(ActivityTracker, RetainAndReset) {
    ActivityTracker t;
    t.sample("a", counters(0, 0), 0, Date{}, maxGap);
    t.sample("b", counters(0, 0), 0, Date{}, maxGap);
    t.retainDevices({"a", "unknown"});
    EXPECT_EQ(t.sample("a", counters(0, 0), 1, Date{}, maxGap).kind, ActivityKind::observedIdle);
    EXPECT_EQ(t.sample("b", counters(0, 0), 1, Date{}, maxGap).kind, ActivityKind::preparing);
    t.retainDevices({});
    EXPECT_EQ(t.sample("a", counters(0, 0), 2, Date{}, maxGap).kind, ActivityKind::preparing);
    t.reset();
    EXPECT_EQ(t.sample("a", counters(0, 0), 3, Date{}, maxGap).kind, ActivityKind::preparing);
}
