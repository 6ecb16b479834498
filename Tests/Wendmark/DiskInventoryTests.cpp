#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <utility>

#include "InventoryHarness.h"
#include "Wendmark/ActivityHistory.h"
#include "Wendmark/SessionAccumulator.h"

using platform::Date;
using wendmark::ActivityKind;
using wendmark::ActivityTracker;
using wendmark::DiskInventory;
using wendmark::InventorySnapshot;
using wendmark::IOCounters;

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

platform::DiskDescription mountedVolume(const std::string& name, std::uint8_t seed) {
    return FakeExternalDrives::volumeDescription(1000, name, "/Volumes/" + name, seed);
}

}  // namespace

TEST(DiskInventory, aSessionThatCannotBeOpenedGivesOneFailureSnapshot) {
    InventoryHarness h;
    h.drives.addDrive("disk4");
    h.arbitration->setFailSessionCreation(true);
    h.inventory->start();
    h.time->runUntilIdle();

    ASSERT_EQ(h.snapshots.size(), 1u);
    const InventorySnapshot failure = h.snapshots[0];
    EXPECT_TRUE(failure.devices.empty());
    EXPECT_FALSE(failure.sessionAvailable);
    EXPECT_EQ(failure.externalMediaCount, 0);
    EXPECT_EQ(failure.statisticsQueryCount, std::nullopt);
    EXPECT_EQ(failure.revision, std::nullopt);
    EXPECT_EQ(failure.status, "Disk Arbitration 연결 실패 · 접근 권한 또는 서비스 상태 확인 필요");
    EXPECT_EQ(failure.capturedAt, Date{h.time->wall()});
    EXPECT_TRUE(h.handlerOnQueue);

    // Not running: no timer, no debounce, and the operations that need a session do nothing.
    h.inventory->refresh();
    h.inventory->refreshMetadata();
    h.inventory->setSampling(true, 2);
    h.time->advance(120);
    EXPECT_EQ(h.snapshots.size(), 1u);
    EXPECT_EQ(h.inventory->samplingTimer(), nullptr);

    // A later start tries again; the failure snapshot was no rebuild, so revisions start at 1.
    h.arbitration->setFailSessionCreation(false);
    const InventorySnapshot first = h.started();
    EXPECT_TRUE(first.sessionAvailable);
    EXPECT_EQ(first.revision, 1u);
    EXPECT_EQ(first.devices.size(), 1u);
    EXPECT_EQ(first.status, "외장 장치 관측 중");
    ASSERT_TRUE(h.inventory->samplingTimer());
    EXPECT_EQ(h.inventory->samplingTimer()->repeatInterval(), 2.0);  // the stored setting
}

TEST(DiskInventory, aBurstOfDiskEventsGivesOneSnapshot200msAfterTheLast) {
    InventoryHarness h;
    h.inventory->start();
    h.time->runUntilIdle();
    const double started = h.time->uptime();
    h.time->advance(0.199);
    EXPECT_TRUE(h.snapshots.empty());
    h.time->advance(0.001);

    // Even with no disk at all, the start gives a snapshot.
    ASSERT_EQ(h.snapshots.size(), 1u);
    EXPECT_DOUBLE_EQ(h.arrivals[0], started + 0.2);
    EXPECT_TRUE(h.snapshots[0].devices.empty());
    EXPECT_TRUE(h.snapshots[0].sessionAvailable);
    EXPECT_EQ(h.snapshots[0].status, "외장 장치가 관측되지 않았습니다. 연결 상태 또는 접근 제한을 확인하세요.");
    EXPECT_EQ(h.snapshots[0].externalMediaCount, 0);
    EXPECT_EQ(h.snapshots[0].revision, 1u);
    EXPECT_EQ(h.snapshots[0].statisticsQueryCount, 0u);

    // Ten disk events, 50 ms apart.
    auto drive = h.drives.addDrive("disk4");
    for (int i = 1; i <= 9; ++i) {
        h.time->advance(0.05);
        h.drives.addPartition(drive, "disk4s" + std::to_string(i), mountedVolume("V" + std::to_string(i), 0));
    }
    const double lastEvent = h.time->uptime();
    h.time->advance(0.199);
    EXPECT_EQ(h.snapshots.size(), 1u);
    h.time->advance(0.001);
    ASSERT_EQ(h.snapshots.size(), 2u);
    EXPECT_DOUBLE_EQ(h.arrivals[1], lastEvent + 0.2);
    EXPECT_EQ(h.snapshots[1].revision, 2u);
    EXPECT_EQ(h.snapshots[1].externalMediaCount, 10);
    EXPECT_EQ(h.snapshots[1].devices.size(), 1u);

    // A second start while running does nothing.
    h.inventory->start();
    h.time->advance(5);
    EXPECT_EQ(h.snapshots.size(), 2u);
    EXPECT_EQ(h.arbitration->sessionsCreated(), 1u);
    EXPECT_TRUE(h.handlerOnQueue);

    // A description change counts as an appearance; one that makes the disk internal drops it.
    auto internal = FakeExternalDrives::description(true, 1000);
    internal.set(platform::DescriptionKey::deviceInternal, platform::Value::boolean(true));
    h.arbitration->changeDisk("disk4", internal, {platform::DescriptionKey::deviceInternal});
    h.time->advance(0.2);
    ASSERT_EQ(h.snapshots.size(), 3u);
    EXPECT_EQ(h.snapshots[2].externalMediaCount, 9);
    EXPECT_FALSE(h.snapshots[2].devices.at(0).topologyVerified);  // the partitions lost their whole disk
}

TEST(DiskInventory, theSamplingTimerKeepsItsIntervalFloorAndLeeway) {
    InventoryHarness h;
    h.drives.addDrive("disk4");
    h.started();
    auto timer = h.inventory->samplingTimer();
    ASSERT_TRUE(timer);  // sampling is on from the start, every 30 seconds
    EXPECT_EQ(timer->repeatInterval(), 30.0);
    EXPECT_EQ(timer->leeway(), 1.0);

    // Only the interval changes: no snapshot now, the timer is set up again.
    h.inventory->setSampling(true, 0.2);
    h.time->runUntilIdle();
    EXPECT_EQ(h.snapshots.size(), 1u);
    timer = h.inventory->samplingTimer();
    ASSERT_TRUE(timer);
    EXPECT_EQ(timer->repeatInterval(), 1.0);
    EXPECT_EQ(timer->leeway(), 0.1);
    const double scheduled = h.time->uptime();

    // The same call again changes nothing: same timer, same deadlines.
    h.time->advance(0.5);
    h.inventory->setSampling(true, 0.2);
    h.time->runUntilIdle();
    EXPECT_EQ(h.inventory->samplingTimer(), timer);
    h.time->advance(2.5);
    ASSERT_EQ(h.snapshots.size(), 4u);
    EXPECT_DOUBLE_EQ(h.arrivals[1], scheduled + 1);
    EXPECT_DOUBLE_EQ(h.arrivals[2], scheduled + 2);
    EXPECT_DOUBLE_EQ(h.arrivals[3], scheduled + 3);

    const double nan = std::nan("");
    for (auto [interval, repeat, leeway] :
         {std::tuple{29.9, 29.9, 0.1}, std::tuple{30.0, 30.0, 1.0}, std::tuple{nan, 1.0, 0.1},
          std::tuple{-5.0, 1.0, 0.1}, std::tuple{1e300, 1e300, 1.0}, std::tuple{infinity, infinity, 1.0}}) {
        h.inventory->setSampling(true, interval);
        h.time->runUntilIdle();
        ASSERT_TRUE(h.inventory->samplingTimer()) << interval;
        EXPECT_EQ(h.inventory->samplingTimer()->repeatInterval(), repeat) << interval;
        EXPECT_EQ(h.inventory->samplingTimer()->leeway(), leeway) << interval;
    }

    // An infinite interval never fires, and nothing overflows on the way.
    const auto count = h.snapshots.size();
    h.time->advance(1e8);
    EXPECT_EQ(h.snapshots.size(), count);
    h.inventory->setSampling(true, 2);
    h.time->advance(2);
    EXPECT_EQ(h.snapshots.size(), count + 1);

    // Sampling off: no timer.
    h.inventory->setSampling(false, 2);
    h.time->runUntilIdle();
    EXPECT_EQ(h.inventory->samplingTimer(), nullptr);
    h.time->advance(60);
    EXPECT_EQ(h.snapshots.size(), count + 1);
}

TEST(DiskInventory, baselinesSurviveIntervalChangesButNotSwitchingSampling) {
    InventoryHarness h;
    auto drive = h.drives.addDrive("disk4");
    const auto key = InventoryHarness::driverKey(drive);
    h.drives.setCounters(drive, 1000, 2000);

    // The debounced rebuild of the start reads counters, since sampling starts out on.
    const InventorySnapshot first = h.started();
    auto device = *InventoryHarness::device(first, key);
    EXPECT_EQ(device.activity.kind, ActivityKind::preparing);
    EXPECT_EQ(device.activity.reason, ActivityTracker::preparingReason);
    EXPECT_EQ(device.counters, (IOCounters{1000, 2000}));
    EXPECT_EQ(first.statisticsQueryCount, 1u);

    h.inventory->setSampling(true, 5);
    h.drives.setCounters(drive, 5096, 2000);
    h.time->advance(5);
    ASSERT_EQ(h.snapshots.size(), 2u);
    device = *InventoryHarness::device(h.last(), key);
    EXPECT_EQ(device.activity.kind, ActivityKind::observedIO);
    EXPECT_EQ(device.activity.intervalSeconds, 5.0);
    EXPECT_EQ(device.activity.bytesRead, 4096u);
    EXPECT_EQ(device.activity.bytesWritten, 0u);

    h.inventory->setSampling(true, 2);  // the baseline stays
    h.time->advance(2);
    device = *InventoryHarness::device(h.last(), key);
    EXPECT_EQ(device.activity.kind, ActivityKind::observedIdle);
    EXPECT_EQ(device.activity.intervalSeconds, 2.0);

    // Off: no snapshot, and later rebuilds read nothing.
    h.inventory->setSampling(false, 2);
    h.time->advance(60);
    EXPECT_EQ(h.snapshots.size(), 3u);
    EXPECT_EQ(h.refreshed().statisticsQueryCount, 3u);

    // On again: a snapshot at once, starting over.
    h.inventory->setSampling(true, 2);
    h.time->runUntilIdle();
    ASSERT_EQ(h.snapshots.size(), 5u);
    EXPECT_EQ(h.last().statisticsQueryCount, 4u);
    EXPECT_EQ(InventoryHarness::device(h.last(), key)->activity.kind, ActivityKind::preparing);

    // Long intervals allow gaps of 1.5 intervals; a fixed 45-second gap would interrupt.
    h.inventory->setSampling(true, 100);
    h.time->advance(100);
    device = *InventoryHarness::device(h.last(), key);
    EXPECT_EQ(device.activity.kind, ActivityKind::observedIdle);
    EXPECT_EQ(device.activity.intervalSeconds, 100.0);
}

TEST(DiskInventory, stopSilencesEverythingAndARestartContinuesTheCounts) {
    InventoryHarness h;
    auto drive = h.drives.addDrive("disk4");
    const auto key = InventoryHarness::driverKey(drive);
    h.drives.addPartition(drive, "disk4s1", mountedVolume("Work", 1));
    h.started();
    h.inventory->setSampling(true, 1);
    h.time->advance(2);
    ASSERT_EQ(h.snapshots.size(), 3u);
    const auto revision = *h.last().revision;
    const auto queries = *h.last().statisticsQueryCount;

    // Stop while a debounced rebuild is pending; afterwards disk events, the timer, refreshes
    // and the debounce all stay silent.
    h.drives.addPartition(drive, "disk4s2", mountedVolume("Photos", 2));
    h.time->advance(0.1);
    h.inventory->stop();
    h.time->runUntilIdle();
    h.drives.addPartition(drive, "disk4s3", mountedVolume("Music", 3));
    h.arbitration->removeDisk("disk4s1");
    h.inventory->refresh();
    h.inventory->refreshMetadata();
    h.time->advance(100);
    EXPECT_EQ(h.snapshots.size(), 3u);
    EXPECT_EQ(h.inventory->samplingTimer(), nullptr);
    auto calls = h.arbitration->calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(std::vector(calls.end() - 4, calls.end()),
              (std::vector<std::string>{"unregisterCallback", "unregisterCallback", "unregisterCallback",
                                        "setDispatchQueue(null)"}));
    EXPECT_EQ(h.arbitration->sessionsAlive(), 0u);

    // Restart with sampling off: the tables were emptied, the settings and counts kept.
    h.inventory->setSampling(false, 1);
    const InventorySnapshot again = h.started();
    EXPECT_EQ(again.revision, revision + 1);
    EXPECT_EQ(again.statisticsQueryCount, queries);
    EXPECT_EQ(again.externalMediaCount, 3);  // disk4, disk4s2 and disk4s3
    auto device = *InventoryHarness::device(again, key);
    EXPECT_EQ(device.activity.kind, ActivityKind::preparing);
    EXPECT_EQ(device.activity.reason, DiskInventory::notSampledReason);
    EXPECT_EQ(device.statisticsAccess, std::nullopt);
    EXPECT_EQ(device.counters, std::nullopt);

    h.inventory->setSampling(true, 1);
    h.time->runUntilIdle();
    device = *InventoryHarness::device(h.last(), key);
    EXPECT_EQ(device.activity.kind, ActivityKind::preparing);  // the tracker started over
    EXPECT_EQ(device.activity.reason, ActivityTracker::preparingReason);
    EXPECT_EQ(h.inventory->samplingTimer()->repeatInterval(), 1.0);
}

TEST(DiskInventory, aRunningInventoryKeepsItselfAliveUntilStopped) {
    InventoryHarness h;
    h.drives.addDrive("disk4");
    h.started();
    std::weak_ptr<DiskInventory> weak = h.inventory;
    h.inventory.reset();
    h.time->runUntilIdle();
    ASSERT_FALSE(weak.expired());
    h.time->advance(30);  // the timer still samples
    EXPECT_EQ(h.snapshots.size(), 2u);

    weak.lock()->stop();
    h.time->runUntilIdle();
    EXPECT_TRUE(weak.expired());
    h.time->advance(60);
    EXPECT_EQ(h.snapshots.size(), 2u);

    // One that never ran goes with its owner.
    auto idle = h.make();
    std::weak_ptr<DiskInventory> weakIdle = idle;
    idle->refresh();
    idle.reset();
    h.time->runUntilIdle();
    EXPECT_TRUE(weakIdle.expired());
}

TEST(DiskInventory, refreshMetadataRecapturesAtOnceWithoutReadingCounters) {
    InventoryHarness h;
    h.inventory->refreshMetadata();
    h.inventory->refresh();
    h.time->runUntilIdle();
    EXPECT_TRUE(h.snapshots.empty());  // before start: nothing

    // The model comes from the registry, since the description's is blank.
    auto drive = h.drives.addDrive("disk4", FakeExternalDrives::description(true, 1000, "   "), "Old Name");
    const auto key = InventoryHarness::driverKey(drive);
    h.drives.addPartition(drive, "disk4s1", mountedVolume("Work", 1));
    auto other = h.drives.addDrive("disk5");
    const InventorySnapshot first = h.started();
    EXPECT_EQ(InventoryHarness::device(first, key)->model, "Old Name");
    EXPECT_EQ(first.externalMediaCount, 3);

    // Changes the disk service raised no event for.
    h.drives.registry().setProperty(
        drive.unit, "Device Characteristics",
        platform::Value::dictionary({{"Product Name", platform::Value::string("New Name")}}));
    h.arbitration->setCreateFromBSDNameFails("disk5", true);
    h.inventory->refreshMetadata();
    h.time->runUntilIdle();
    ASSERT_EQ(h.snapshots.size(), 2u);
    const InventorySnapshot& refreshed = h.last();
    EXPECT_EQ(refreshed.revision, 2u);
    EXPECT_EQ(refreshed.statisticsQueryCount, first.statisticsQueryCount);
    EXPECT_EQ(refreshed.externalMediaCount, 2);
    EXPECT_EQ(InventoryHarness::device(refreshed, key)->model, "New Name");
    EXPECT_EQ(InventoryHarness::device(refreshed, InventoryHarness::driverKey(other)), nullptr);
}

TEST(DiskInventory, resetActivityAndDisappearingDevicesDropWhatWasLearnt) {
    InventoryHarness h;
    h.inventory->resetActivity();  // before start: harmless
    auto drive = h.drives.addDrive("disk4");
    const auto key = InventoryHarness::driverKey(drive);
    h.started();
    h.inventory->setSampling(true, 1);
    h.time->advance(1);
    EXPECT_EQ(InventoryHarness::device(h.last(), key)->activity.kind, ActivityKind::observedIdle);

    // Reset sends nothing; the next sampling read starts over.
    const auto count = h.snapshots.size();
    h.inventory->resetActivity();
    h.time->runUntilIdle();
    EXPECT_EQ(h.snapshots.size(), count);
    EXPECT_EQ(InventoryHarness::device(h.refreshed(), key)->activity.kind, ActivityKind::preparing);

    // A device that goes and comes back before the rebuild loses its baseline all the same.
    h.time->advance(1);
    EXPECT_EQ(InventoryHarness::device(h.last(), key)->activity.kind, ActivityKind::observedIdle);
    h.arbitration->removeDisk("disk4");
    h.arbitration->addDisk({"disk4", FakeExternalDrives::description(true, 1000), drive.whole});
    h.time->advance(0.2);
    auto device = *InventoryHarness::device(h.last(), key);
    EXPECT_EQ(device.activity.kind, ActivityKind::preparing);

    // Gone for good.
    h.arbitration->removeDisk("disk4");
    h.time->advance(0.2);
    EXPECT_TRUE(h.last().devices.empty());
    EXPECT_EQ(h.last().externalMediaCount, 0);

    // With sampling off, a device that goes and comes back loses its sample and access too.
    h.arbitration->addDisk({"disk4", FakeExternalDrives::description(true, 1000), drive.whole});
    h.time->advance(0.2);
    h.inventory->setSampling(false, 1);
    h.time->runUntilIdle();
    h.arbitration->removeDisk("disk4");
    h.arbitration->addDisk({"disk4", FakeExternalDrives::description(true, 1000), drive.whole});
    h.time->advance(0.2);
    device = *InventoryHarness::device(h.last(), key);
    EXPECT_EQ(device.activity.reason, DiskInventory::notSampledReason);
    EXPECT_EQ(device.statisticsAccess, std::nullopt);

    // Reset with sampling off: no sample and no access until counters are read again.
    h.inventory->refresh();
    h.time->runUntilIdle();
    h.inventory->setSampling(true, 1);
    h.time->runUntilIdle();
    h.inventory->setSampling(false, 1);
    h.inventory->resetActivity();
    device = *InventoryHarness::device(h.refreshed(), key);
    EXPECT_EQ(device.activity.kind, ActivityKind::preparing);
    EXPECT_EQ(device.activity.reason, DiskInventory::notSampledReason);
    EXPECT_EQ(device.statisticsAccess, std::nullopt);
    EXPECT_EQ(device.counters, std::nullopt);
}

TEST(DiskInventory, aStallWhileReadingCountersLosesNoObservedByte) {
    for (const double interval : {1.0, 10.0}) {
        for (const double stall : {0.025, 0.1}) {
            InventoryHarness h;
            const auto drive = h.drives.addDrive("disk4");
            const auto key = InventoryHarness::driverKey(drive);
            wendmark::ActivityHistory history;
            wendmark::SessionAccumulator session;
            history.beginCollection(Date{h.time->wall()});
            session.select(key, Date{h.time->wall()}, 0);
            h.drives.setCounters(drive, 0, 0);
            h.inventory->setSampling(true, interval);
            h.started();  // the baseline
            std::uint64_t pass = 0;  // the fourth pass stalls while it reads the drive's counters
            h.drives.registry().setPropertiesHook(
                [&](std::uint64_t id) { h.stalled += (id == drive.driver && pass == 4) ? stall : 0; });
            std::uint64_t written = 0;
            for (pass = 1; pass <= 7; ++pass) {
                h.drives.setCounters(drive, 0, written += 1'000'000u * pass);
                h.time->advance(interval);
                for (const auto& accepted : history.ingest(h.last(), key)) session.ingest(accepted, h.time->uptime());
            }
            double graphed = 0;
            for (const auto& point : history.intervals(key, h.last().capturedAt))
                graphed += point.writeBytesPerSecond * point.end.secondsSince(point.start);
            EXPECT_NEAR(graphed, double(written), 1) << interval << " s, stall " << stall;
            EXPECT_EQ(session.current().value().bytesWritten, written) << interval << " s, stall " << stall;
        }
    }
}

TEST(DiskInventory, aStallBetweenTheTwoClockReadingsLosesNoSample) {
    for (const double interval : {1.0, 10.0}) {
        InventoryHarness h;
        const auto drive = h.drives.addDrive("disk4");
        const auto key = InventoryHarness::driverKey(drive);
        wendmark::ActivityHistory history;
        history.beginCollection(Date{h.time->wall()});
        h.drives.setCounters(drive, 0, 0);
        h.inventory->setSampling(true, interval);
        h.started();  // the baseline
        bool stall = false;  // the next wall-clock reading is followed by a 100 ms stall
        h.afterWallClock = [&] { h.stalled += std::exchange(stall, false) ? 0.1 : 0; };
        std::uint64_t written = 0, kept = 0;
        int samples = 0;
        for (std::uint64_t pass = 1; pass < 50; ++pass) {
            stall = pass % 5 == 3;
            h.drives.setCounters(drive, 0, written += 1'000'000u * pass);
            h.time->advance(interval);
            for (const auto& accepted : history.ingest(h.last(), key)) ++samples, kept += accepted.bytesWritten;
        }
        EXPECT_EQ(samples, 49) << interval;
        EXPECT_EQ(kept, written) << interval;
    }
}
