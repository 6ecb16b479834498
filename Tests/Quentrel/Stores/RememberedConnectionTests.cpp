#include <gtest/gtest.h>

#include "Quentrel/Stores/RememberedConnection.h"
#include "StoreHarness.h"

using namespace storetest;
using platform::Date;
using quentrel::RememberedConnection;
using wendmark::ConnectionStability;
using wendmark::DeviceSnapshot;
using wendmark::TargetPresence;

namespace {

const Date t0{kStoreStart};

DeviceSnapshot drive(std::string id = "driver:1", bool withVolume = true) {
    return device(std::move(id), t0, withVolume ? std::vector{volume("sdb1", true, "U-1")} : std::vector<wendmark::VolumeSnapshot>{});
}

// The connection of drive() on virtual time, its monotonic clock at 0 (plus `offset`) to begin
// with. The deadline handler does what the store does: advance, then plan the next deadline.
struct Following {
    std::shared_ptr<platform::VirtualTime> time = platform::VirtualTime::make(kStoreStart, 1000, 1000);
    double offset = 0;
    RememberedConnection connection{time->makeQueue("main"), [this] { return time->continuous() - 1000 + offset; }};
    const wendmark::ObservationTarget target = targetOf(drive());
    int deadlines = 0;

    Following() {
        connection.setDeadlineHandler([this] {
            ++deadlines;
            connection.advance();
            connection.scheduleDeadline();
        });
    }
    void receive(std::vector<DeviceSnapshot> devices, bool sessionAvailable = true) {
        connection.receive(target, snapshot(std::move(devices), Date{time->wall()}, std::nullopt, sessionAvailable));
    }
    // The drive seen, then gone a second later: a loss pending in both records.
    void lose() {
        receive({drive()});
        time->advance(1);
        receive({});
    }
};

}  // namespace

TEST(RememberedConnection, presenceOfTheRememberedDrive) {
    DeviceSnapshot unverified = device("driver:7", t0);
    unverified.topologyVerified = false;
    struct Case {
        const char* name;
        std::vector<DeviceSnapshot> devices;
        bool sessionAvailable;
        std::optional<TargetPresence> baseline;  // absent: unknown
    } cases[] = {
        {"one match", {drive("driver:5"), device("driver:2", t0)}, true, TargetPresence::present("driver:5")},
        {"no match, the tracked device still attached", {drive("driver:1", false)}, true,
         TargetPresence::present("driver:1")},
        {"no match, the tracked device gone", {device("driver:2", t0)}, true, TargetPresence::absent()},
        {"two matches", {drive("driver:1"), drive("driver:2")}, true, std::nullopt},
        {"no disk session", {drive("driver:1")}, false, std::nullopt},
        {"no match and an unverified device", {drive("driver:1", false), unverified}, true, std::nullopt},
    };
    for (const auto& c : cases) {
        Following f;
        f.receive({drive("driver:1")});
        ASSERT_EQ(f.connection.trackedID(), "driver:1");
        f.time->advance(1);
        f.receive(c.devices, c.sessionAvailable);
        EXPECT_EQ(f.connection.stability().baseline(), c.baseline) << c.name;
        if (!c.baseline) {
            EXPECT_EQ(f.connection.stability().state(), ConnectionStability::State::unavailable);
        }
    }
}

TEST(RememberedConnection, oneDeadlineTaskWaitsForTheEarliestDeadline) {
    Following f;
    RememberedConnection& c = f.connection;
    c.wake();  // the record settles at 3
    f.time->advance(2);
    c.restartMonitor(false);
    f.receive({drive()});
    f.receive({});  // the new monitor confirms this loss at 5
    c.scheduleDeadline();
    EXPECT_EQ(c.scheduledDeadline(), 3);
    const auto* task = c.deadlineTask();
    c.scheduleDeadline();
    EXPECT_EQ(c.deadlineTask(), task);  // the same deadline keeps its task

    f.time->advance(0.999);
    EXPECT_EQ(c.scheduledDeadline(), 3);
    f.time->advance(0.001);
    EXPECT_EQ(f.deadlines, 1);
    EXPECT_EQ(c.stability().nextDeadline(), std::nullopt);
    EXPECT_EQ(c.scheduledDeadline(), 5);
    f.time->advance(2);
    EXPECT_EQ(c.monitor().nextDeadline(), std::nullopt);
    EXPECT_EQ(c.scheduledDeadline(), std::nullopt);
    EXPECT_EQ(f.time->pendingCount(), 0u);
}

TEST(RememberedConnection, aPastDeadlineFiresAfterTheMinimumDelay) {
    Following f;
    f.offset = -10;
    f.connection.wake();
    f.offset = 0;
    f.connection.scheduleDeadline();
    f.time->advance(0.009);
    EXPECT_TRUE(f.connection.scheduledDeadline());
    f.time->advance(0.001);
    EXPECT_EQ(f.connection.scheduledDeadline(), std::nullopt);
}

TEST(RememberedConnection, noDeadlineLeftCancelsTheTask) {
    Following f;
    f.lose();
    f.connection.scheduleDeadline();
    ASSERT_TRUE(f.connection.deadlineTask());
    f.connection.restartMonitor(false);  // the only deadline was the monitor's
    f.connection.scheduleDeadline();
    EXPECT_EQ(f.connection.scheduledDeadline(), std::nullopt);
    EXPECT_EQ(f.connection.deadlineTask(), nullptr);
    f.time->advance(10);
    EXPECT_EQ(f.deadlines, 0);
}

TEST(RememberedConnection, resettingStartsBothRecordsAfreshAsTheSystemIs) {
    for (bool sleeping : {false, true}) {
        Following f;
        f.lose();
        f.connection.scheduleDeadline();
        if (sleeping) {
            f.connection.sleep();
            EXPECT_TRUE(f.connection.monitor().sleeping());
        }
        f.connection.reset(sleeping);
        EXPECT_EQ(f.connection.scheduledDeadline(), std::nullopt);
        EXPECT_EQ(f.connection.deadlineTask(), nullptr);
        EXPECT_EQ(f.connection.trackedID(), std::nullopt);
        EXPECT_EQ(f.connection.stability().lossCount(), 0);
        EXPECT_EQ(f.connection.stability().state() == ConnectionStability::State::sleeping, sleeping);
        EXPECT_EQ(f.connection.monitor().sleeping(), sleeping);
        EXPECT_EQ(f.connection.monitor().baseline(), std::nullopt);
    }
}

TEST(RememberedConnection, aRestartedMonitorTakesItsBaselineFromTheNextSnapshot) {
    Following f;
    f.lose();
    ASSERT_TRUE(f.connection.monitor().pendingSince());
    const ConnectionStability stability = f.connection.stability();
    f.connection.restartMonitor(false);
    f.receive({});
    EXPECT_EQ(f.connection.monitor().baseline(), TargetPresence::absent());
    EXPECT_EQ(f.connection.monitor().pendingSince(), std::nullopt);
    EXPECT_EQ(f.connection.stability().lossCount(), stability.lossCount());  // the record is kept
}
