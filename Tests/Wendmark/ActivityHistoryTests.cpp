#include "Wendmark/ActivityHistory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace wendmark;
using platform::Date;

namespace {

ActivitySample io(double measuredAt, double seconds = 1, std::uint64_t read = 100, std::uint64_t written = 0) {
    return ActivitySample::measured(seconds, read, written, Date{measuredAt});
}

DeviceSnapshot device(const std::string& id, const ActivitySample& activity) {
    DeviceSnapshot d{};
    d.id = id;
    d.model = "Drive";
    d.activity = activity;
    return d;
}

InventorySnapshot snapshot(double capturedAt, std::vector<DeviceSnapshot> devices) {
    InventorySnapshot s{};
    s.devices = std::move(devices);
    s.capturedAt = Date{capturedAt};
    return s;
}

// Ingests one device's sample, captured at its measurement time.
std::vector<ObservedInterval> feed(ActivityHistory& h, const std::string& id, const ActivitySample& sample,
                                   std::optional<std::string_view> preferred = std::nullopt) {
    return h.ingest(snapshot(sample.measuredAt.sinceReferenceDate, {device(id, sample)}), preferred);
}

bool accepted(ActivityHistory& h, const ActivitySample& sample) { return feed(h, "d", sample).size() == 1; }

constexpr double inf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(ActivityHistory, CollectsOnlyInsideACollectionPeriodAndNumbersEveryInterval) {
    ActivityHistory h;
    EXPECT_TRUE(feed(h, "d", io(1)).empty());
    EXPECT_EQ(h.retainedDeviceCount(), 0);

    h.beginCollection(Date{0});
    auto first = h.ingest(snapshot(2, {device("b", io(2, 2, 1000, 500)), device("a", io(2, 1, 0, 0))}), "a");
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0], (ObservedInterval{1, "b", Date{0}, Date{2}, 2.0, 1000, 500}));
    EXPECT_EQ(first[1].sequence, 2u);
    EXPECT_EQ(first[1].deviceID, "a");
    EXPECT_EQ(h.intervals("b", Date{2}), (std::vector<ActivityInterval>{{1, Date{0}, Date{2}, 500.0, 250.0}}));
    EXPECT_EQ(h.retainedSampleCount(), 2);
    EXPECT_EQ(h.retainedDeviceCount(), 2);

    // Ending keeps what was collected; ingesting then adds nothing.
    h.endCollection(Date{2});
    EXPECT_FALSE(h.collectionStart());
    EXPECT_TRUE(feed(h, "b", io(4, 2)).empty());
    EXPECT_EQ(h.retainedSampleCount(), 2);

    // The running number goes on across periods.
    h.beginCollection(Date{10});
    EXPECT_EQ(feed(h, "b", io(11)).at(0).sequence, 3u);
    EXPECT_EQ(h.sequence(), 3u);
}

TEST(ActivityHistory, FirstSampleOfAPeriodMustStartAtItsBeginning) {
    ActivityHistory h;
    h.beginCollection(Date{100});
    // Starts 0.5 s before the period: rejected, and the boundary moves to its measurement time.
    EXPECT_FALSE(accepted(h, io(100.5)));
    EXPECT_TRUE(accepted(h, io(101.5)));

    // The moved boundary holds: a successor that passes the continuity test but starts 0.03 s
    // before it starts at it.
    ActivityHistory moved;
    moved.beginCollection(Date{100});
    EXPECT_FALSE(accepted(moved, io(100.5)));
    EXPECT_EQ(feed(moved, "d", io(101.46, 0.99)).at(0).start, Date{100.5});

    ActivityHistory tolerant;
    tolerant.beginCollection(Date{200});
    EXPECT_TRUE(accepted(tolerant, io(200.995)));  // 0.005 s early is within the tolerance

    // A restart forgets the last sample and sets every boundary, so the old sequence cannot join.
    tolerant.beginCollection(Date{205});
    EXPECT_FALSE(accepted(tolerant, io(205.5)));
    EXPECT_TRUE(accepted(tolerant, io(206.5)));
}

TEST(ActivityHistory, SamplesMustFollowTheirPredecessorWithoutGapOrOverlap) {
    auto follows = [](double firstSeconds, double secondEnd, double secondSeconds) {
        ActivityHistory h;
        h.beginCollection(Date{0});
        EXPECT_TRUE(accepted(h, io(firstSeconds, firstSeconds)));
        return accepted(h, io(secondEnd, secondSeconds));
    };
    EXPECT_TRUE(follows(1, 2.04, 1));    // 0.04 s late: within 0.05 s
    EXPECT_FALSE(follows(1, 2.06, 1));   // 0.06 s late: a gap
    EXPECT_FALSE(follows(1, 1.94, 1));   // 0.06 s early: an overlap
    EXPECT_TRUE(follows(30, 60.29, 30)); // a 30 s sample tolerates 0.3 s
    EXPECT_FALSE(follows(30, 60.31, 30));
    // Continuity holds (0.04 s) though the start lies 0.04 s inside the last interval.
    EXPECT_TRUE(follows(1, 1.96, 1));

    // After a rejected sample the next one joins up again when it follows without a gap.
    ActivityHistory h;
    h.beginCollection(Date{0});
    EXPECT_TRUE(accepted(h, io(1)));
    EXPECT_FALSE(accepted(h, io(3)));
    EXPECT_TRUE(accepted(h, io(4)));
    EXPECT_EQ(h.retainedSampleCount(), 2);
}

TEST(ActivityHistory, AFollowingSampleThatStartsEarlyStartsWhereTheLastEndedWithAllItsBytes) {
    const struct {
        double firstEnd, firstSeconds, end, seconds;
        std::optional<double> start;  // absent: rejected
    } cases[] = {
        {1, 1, 1.975, 1, 1},         // 25 ms early at 1 s
        {10, 10, 19.92, 10, 10},     // 80 ms early at 10 s (tolerance 0.1 s)
        {1, 1, 1.94, 1, {}},         // 60 ms: fails the continuity test, as before
        {1, 1, 1, 0.02, {}},         // nothing left after the last interval's end
        {1, 1, 1.9921875, 1, 0.9921875},  // within the start tolerance: unchanged
    };
    for (const auto& c : cases) {
        ActivityHistory h;
        h.beginCollection(Date{0});
        ASSERT_TRUE(accepted(h, io(c.firstEnd, c.firstSeconds)));
        const auto taken = feed(h, "d", io(c.end, c.seconds, 3000, 600));
        ASSERT_EQ(taken.size(), c.start ? 1u : 0u) << c.end;
        if (!c.start) continue;
        const double seconds = c.end - *c.start;  // the graph's area and the session keep every byte
        EXPECT_EQ(taken[0], (ObservedInterval{2, "d", Date{*c.start}, Date{c.end}, seconds, 3000, 600})) << c.end;
        EXPECT_EQ(h.intervals("d", Date{c.end}).back(),
                  (ActivityInterval{2, Date{*c.start}, Date{c.end}, 3000 / seconds, 600 / seconds}));
    }
}

TEST(ActivityHistory, OnlyMeasuredSamplesOfAtMost45SecondsAreAccepted) {
    ActivityHistory h;
    h.beginCollection(Date{0});
    EXPECT_TRUE(accepted(h, io(45, 45)));
    EXPECT_FALSE(accepted(h, io(90.5, 45.5)));
    EXPECT_FALSE(accepted(h, io(90.5, 0)));
    EXPECT_FALSE(accepted(h, io(91.5, -1)));
    EXPECT_FALSE(accepted(h, io(92.5, NAN)));
    EXPECT_FALSE(accepted(h, io(93.5, inf)));
    EXPECT_FALSE(accepted(h, ActivitySample::unmeasured(ActivityKind::preparing, "wait", Date{94.5})));
    EXPECT_FALSE(accepted(h, ActivitySample::unmeasured(ActivityKind::interrupted, "gap", Date{95})));

    // A sample that claims a measurement kind but lacks its byte counts is rejected too.
    ActivitySample partial = io(96);
    partial.bytesWritten.reset();
    EXPECT_FALSE(accepted(h, partial));

    // An interval so short that the rate overflows is rejected.
    EXPECT_FALSE(accepted(h, io(97, 1e-320, 1000)));

    // Each rejection moved the boundary forward: only a sample after the last one joins.
    EXPECT_TRUE(accepted(h, io(98)));
    EXPECT_EQ(h.intervals("d", Date{98}).back().start, Date{97});
}

TEST(ActivityHistory, RepeatedSampleAddsNothingAndKeepsTheSequence) {
    ActivityHistory h;
    h.beginCollection(Date{0});
    EXPECT_TRUE(accepted(h, io(1)));
    // Snapshots built while the inventory does not sample carry the last sample again.
    for (double capturedAt : {1.5, 2.5, 3.5})
        EXPECT_TRUE(h.ingest(snapshot(capturedAt, {device("d", io(1))}), std::nullopt).empty());
    EXPECT_EQ(h.retainedSampleCount(), 1);
    // The next new sample is still compared with the repeated one and joins up.
    EXPECT_EQ(h.ingest(snapshot(3.5, {device("d", io(2))}), std::nullopt).size(), 1u);

    // A repeat does not move the boundary: after the clock stepped back 30 ms (dropping the
    // interval ending at 10), a successor starting 0.04 s early still joins.
    ActivityHistory back;
    back.beginCollection(Date{0});
    EXPECT_TRUE(accepted(back, io(10)));
    EXPECT_TRUE(back.ingest(snapshot(9.97, {device("d", io(10))}), std::nullopt).empty());
    EXPECT_EQ(back.retainedSampleCount(), 0);
    EXPECT_EQ(back.ingest(snapshot(11, {device("d", io(10.96))}), std::nullopt).size(), 1u);
}

TEST(ActivityHistory, DeviceMissingFromASnapshotStartsOverAfterIt) {
    ActivityHistory h;
    h.beginCollection(Date{0});
    h.ingest(snapshot(1, {device("a", io(1)), device("b", io(1))}), std::nullopt);
    h.ingest(snapshot(2, {device("a", io(2)), device("b", io(2))}), std::nullopt);
    h.ingest(snapshot(3, {}), std::nullopt);
    EXPECT_EQ(h.retainedSampleCount(), 4);

    // Back at 5: no continuity test against the sample at 2, but the start must not lie before 3.
    auto back = h.ingest(snapshot(5, {device("a", io(5, 2)), device("b", io(5, 2.5))}), std::nullopt);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].deviceID, "a");
    EXPECT_EQ(back[0].start, Date{3});
    EXPECT_EQ(h.ingest(snapshot(6, {device("b", io(6))}), std::nullopt).size(), 1u);
}

TEST(ActivityHistory, ClockSetBackDropsFutureIntervalsAndMovesTheBoundaryBack) {
    ActivityHistory h;
    h.beginCollection(Date{0});
    EXPECT_TRUE(accepted(h, io(9)));
    EXPECT_TRUE(accepted(h, io(10)));
    // Captured and measured at 5: both intervals now lie in the future and go.
    EXPECT_FALSE(accepted(h, io(5)));
    EXPECT_EQ(h.retainedSampleCount(), 0);
    EXPECT_TRUE(accepted(h, io(6)));
    EXPECT_EQ(h.intervals("d", Date{6}).at(0).start, Date{5});

    // A sample measured later than its capture (beyond 0.05 s) is rejected.
    EXPECT_TRUE(h.ingest(snapshot(6.94, {device("d", io(7))}), std::nullopt).empty());
    EXPECT_EQ(h.ingest(snapshot(7.96, {device("d", io(8))}), std::nullopt).size(), 1u);
}

TEST(ActivityHistory, NonFiniteTimesNeitherCrashNorBlockTheStream) {
    ActivityHistory h;
    h.beginCollection(Date{NAN});
    EXPECT_FALSE(h.collectionStart());
    h.beginCollection(Date{0});
    EXPECT_TRUE(accepted(h, io(1)));

    // A snapshot without a usable capture time is ignored as a whole: it does not count as the
    // device's absence and creates no stream.
    EXPECT_TRUE(h.ingest(snapshot(NAN, {device("other", io(2))}), std::nullopt).empty());
    EXPECT_EQ(h.retainedDeviceCount(), 1);
    EXPECT_TRUE(accepted(h, io(2)));
    h.beginCollection(Date{inf});
    EXPECT_TRUE(accepted(h, io(3)));

    // A sample measured at NaN joins nothing; the one after it fails continuity, then all is well.
    EXPECT_TRUE(h.ingest(snapshot(4, {device("d", io(NAN))}), std::nullopt).empty());
    EXPECT_FALSE(accepted(h, io(5)));
    EXPECT_TRUE(accepted(h, io(6)));
    // Likewise one measured at infinity.
    EXPECT_TRUE(h.ingest(snapshot(7, {device("d", io(inf))}), std::nullopt).empty());
    EXPECT_FALSE(accepted(h, io(8)));
    EXPECT_TRUE(accepted(h, io(9)));

    EXPECT_TRUE(h.intervals("d", Date{NAN}).empty());
    EXPECT_EQ(h.retainedSampleCount(), 5);
}

TEST(ActivityHistory, KeepsAt300IntervalsPerDevice) {
    ActivityHistory h;
    h.beginCollection(Date{0});
    for (int i = 1; i <= 301; ++i) ASSERT_TRUE(accepted(h, io(i * 0.5, 0.5)));
    auto points = h.intervals("d", Date{150.5});
    ASSERT_EQ(points.size(), 300u);
    EXPECT_EQ(points.front().id, 2u);
    EXPECT_EQ(points.back().id, 301u);
    EXPECT_EQ(h.retainedSampleCount(), 300);
}

TEST(ActivityHistory, KeepsThe300SecondWindowAndClipsItsLeftEdge) {
    ActivityHistory h;
    h.beginCollection(Date{-1});
    for (int end = 1; end <= 399; end += 2) ASSERT_TRUE(accepted(h, io(end, 2)));
    // At 399 the window starts at 99: [97, 99] is gone, [99, 101] stays.
    EXPECT_EQ(h.retainedSampleCount(), 150);
    auto atCapture = h.intervals("d", Date{399});
    EXPECT_EQ(atCapture.front().start, Date{99});

    auto later = h.intervals("d", Date{400});
    ASSERT_EQ(later.size(), 150u);
    EXPECT_EQ(later.front().start, Date{100});  // clipped
    EXPECT_EQ(later.front().end, Date{101});
    EXPECT_EQ(later.front().id, atCapture.front().id);
    EXPECT_EQ(later.front().readBytesPerSecond, 50.0);

    // An earlier end leaves out what lies after it.
    EXPECT_EQ(h.intervals("d", Date{398}).back().end, Date{397});
    EXPECT_TRUE(h.intervals("unknown", Date{399}).empty());
}

TEST(ActivityHistory, PrunesIntervalsThatEndBeforeTheirPredecessor) {
    ActivityHistory h;
    h.beginCollection(Date{0});
    EXPECT_TRUE(accepted(h, io(10)));
    // After a restart the start tolerance lets a tiny interval end before the last one.
    h.beginCollection(Date{10});
    EXPECT_EQ(h.ingest(snapshot(10, {device("d", io(9.999, 0.005))}), std::nullopt).size(), 1u);
    h.ingest(snapshot(309.9995, {}), std::nullopt);
    EXPECT_EQ(h.retainedSampleCount(), 1);
    EXPECT_EQ(h.intervals("d", Date{309.9995}).at(0).end, Date{10});
    h.ingest(snapshot(310, {}), std::nullopt);
    EXPECT_EQ(h.retainedSampleCount(), 0);
}

TEST(ActivityHistory, UnseenStreamGoesOnlyOnceEmptyAndUnseenFor300Seconds) {
    ActivityHistory h;
    h.beginCollection(Date{0});
    EXPECT_TRUE(accepted(h, io(10)));
    h.ingest(snapshot(310, {}), std::nullopt);  // its last interval ends at the cutoff and goes
    EXPECT_EQ(h.retainedSampleCount(), 0);
    EXPECT_EQ(h.retainedDeviceCount(), 1);  // seen at the cutoff: not before it
    h.endCollection(Date{310.5});
    EXPECT_EQ(h.retainedDeviceCount(), 0);
}

TEST(ActivityHistory, EvictsTheDeviceSeenLongestAgoButNeverThePreferredOne) {
    auto eightSeen = [] {
        ActivityHistory h;
        h.beginCollection(Date{0});
        for (int i = 0; i < 8; ++i) feed(h, "d" + std::to_string(i), io(i + 1));
        return h;
    };
    ActivityHistory plain = eightSeen();
    feed(plain, "d8", io(9));
    EXPECT_EQ(plain.retainedDeviceCount(), 8);
    EXPECT_TRUE(plain.intervals("d0", Date{9}).empty());
    EXPECT_EQ(plain.intervals("d1", Date{9}).size(), 1u);

    ActivityHistory preferred = eightSeen();
    feed(preferred, "d8", io(9), "d0");
    EXPECT_EQ(preferred.intervals("d0", Date{9}).size(), 1u);
    EXPECT_TRUE(preferred.intervals("d1", Date{9}).empty());

    // Ten new devices seen at once: the keys that sort first go (plain string order), except
    // the preferred one; the intervals of this snapshot are all returned.
    ActivityHistory crowd;
    crowd.beginCollection(Date{0});
    std::vector<DeviceSnapshot> devices;
    for (int i = 1; i <= 10; ++i) devices.push_back(device("driver:" + std::to_string(i), io(1)));
    auto result = crowd.ingest(snapshot(1, devices), "driver:1");
    EXPECT_EQ(result.size(), 10u);
    EXPECT_EQ(crowd.retainedDeviceCount(), 8);
    EXPECT_EQ(crowd.intervals("driver:1", Date{1}).size(), 1u);   // preferred, sorts first
    EXPECT_TRUE(crowd.intervals("driver:10", Date{1}).empty());   // "driver:10" < "driver:2"
    EXPECT_TRUE(crowd.intervals("driver:2", Date{1}).empty());
    EXPECT_EQ(crowd.intervals("driver:3", Date{1}).size(), 1u);
    EXPECT_EQ(crowd.intervals("driver:9", Date{1}).size(), 1u);
}

TEST(ActivityHistory, AnEarlyStartIsClippedOnlyByTheContinuityTolerance) {
    const struct {
        double begin, carried, end, seconds;
        std::optional<double> start;  // absent: rejected
    } cases[] = {
        {10, 9.5, 10.001, 0.501, {}},   // 0.5 s before the period: never a 1 ms interval
        {10, 9.96, 10.5, 0.54, 10},     // 40 ms early, within 0.05 s
        {10, 9.94, 10.5, 0.56, {}},     // 60 ms early
        {10, 9.91, 19.91, 10, 10},      // 90 ms early at 10 s (tolerance 0.1 s)
        {10, 9.89, 19.89, 10, {}},      // 110 ms early at 10 s
    };
    for (const auto& c : cases) {
        ActivityHistory h;
        h.beginCollection(Date{c.begin});
        ASSERT_FALSE(accepted(h, io(c.carried)));  // carried from before the period
        const auto taken = feed(h, "d", io(c.end, c.seconds, 0, 50'000'000));
        ASSERT_EQ(taken.size(), c.start ? 1u : 0u) << c.carried;
        if (c.start) {
            EXPECT_EQ(taken[0].start, Date{*c.start}) << c.carried;
        }
        // Rejected or not, the next sample that follows joins up.
        EXPECT_TRUE(accepted(h, io(c.end + 1))) << c.carried;
    }
}
