#include <gtest/gtest.h>

#include "StoreHarness.h"

using namespace storetest;
using platform::Date;
using wendmark::DeviceSnapshot;

namespace {

const Date t0{kStoreStart};

std::vector<std::string> callsSince(const FakeInventory& inventory, std::size_t from) {
    return {inventory.calls.begin() + static_cast<std::ptrdiff_t>(from), inventory.calls.end()};
}

// A started store with one visible surface and an open work session on one device.
struct Observing {
    StoreHarness h;
    DeviceSnapshot a = device("driver:1", t0);
    Observing() {
        h.started();
        h.show();
        h.deliver(snapshot({a}, h.now()));
        h.tick({a});
        EXPECT_TRUE(h.store->sessionAccumulator().current());
    }
};

}  // namespace

TEST(ObserverStoreSampling, anUnchangedDecisionIsAppliedOnlyWhenForced) {
    StoreHarness h;
    h.started();
    EXPECT_EQ(h.inventory().calls, (std::vector<std::string>{"start", "setSampling(false,30)"}));
    const std::size_t lines = h.logLines().size();

    EXPECT_EQ(h.signalsDuring([&] { Access::updateSampling(*h.store, false); }), 0);
    EXPECT_EQ(h.inventory().calls.size(), 2u);
    EXPECT_EQ(h.logLines().size(), lines);

    EXPECT_EQ(h.signalsDuring([&] { Access::updateSampling(*h.store, true); }), 1);
    EXPECT_EQ(h.inventory().calls.back(), "setSampling(false,30)");
    EXPECT_EQ(h.logLines().back(), "Sampling enabled=false interval=30.000000");
}

TEST(ObserverStoreSampling, turningOffClosesThePeriodAndSavesTurningOnOpensOne) {
    Observing o;
    StoreHarness& h = o.h;
    h.time->advance(10);
    const std::size_t writes = h.sessionWrites->count();
    const std::size_t calls = h.inventory().calls.size();

    h.show(1, false);
    const Date off = h.now();
    EXPECT_FALSE(h.store->sampling().enabled);
    EXPECT_EQ(h.store->activityHistory().collectionStart(), std::nullopt);
    EXPECT_EQ(h.store->historyReferenceDate(), off);
    EXPECT_EQ(h.store->sessionAccumulator().current()->updatedAt, off);
    EXPECT_DOUBLE_EQ(h.store->sessionAccumulator().current()->elapsedSeconds, 11);
    EXPECT_EQ(h.sessionWrites->count(), writes + 1);
    EXPECT_EQ(callsSince(h.inventory(), calls), std::vector<std::string>{"setSampling(false,30)"});
    EXPECT_EQ(h.logLines().back(), "Sampling enabled=false interval=30.000000");

    h.time->advance(5);
    h.show();
    const Date on = h.now();
    EXPECT_EQ(h.store->observationStartedAt(), on);
    EXPECT_EQ(Access::lastResumedAt(*h.store), on);
    EXPECT_EQ(h.store->historyReferenceDate(), on);
    EXPECT_EQ(Access::queryCountAtResume(*h.store), 7u);
    EXPECT_EQ(h.store->activityHistory().collectionStart(), on);
    EXPECT_EQ(h.sessionWrites->count(), writes + 1);
    EXPECT_EQ(h.inventory().calls.back(), "setSampling(true,1)");
}

TEST(ObserverStoreSampling, anIntervalChangeAloneOnlyRetellsTheInventory) {
    Observing o;
    StoreHarness& h = o.h;
    const auto collection = h.store->activityHistory().collectionStart();
    const std::size_t writes = h.sessionWrites->count();
    h.tick({o.a});  // the second idle sample: back off to 5 s
    EXPECT_EQ(h.inventory().calls.back(), "setSampling(true,5)");
    EXPECT_EQ(h.logLines().back(), "Sampling enabled=true interval=5.000000");
    EXPECT_EQ(h.store->activityHistory().collectionStart(), collection);
    EXPECT_EQ(h.sessionWrites->count(), writes);
}

TEST(ObserverStoreSampling, sleepStopsObservationOnceAndWithdrawsNotices) {
    for (bool notificationsOn : {false, true}) {
        StoreHarness h;
        h.defaults->set(notificationsOn, "connectionNotifications");
        h.started();
        h.show();
        DeviceSnapshot a = device("driver:1", t0);
        h.deliver(snapshot({a}, h.now()));
        h.tick({a});
        h.store->handleSystemWake();  // plans the wake-grace deadline
        ASSERT_TRUE(Access::scheduledDeadline(*h.store));
        const auto generation = h.store->connectionNotifications()->deliveryGeneration();
        const std::size_t writes = h.sessionWrites->count();
        const std::size_t calls = h.inventory().calls.size();

        h.power->fireWillSleep();
        h.power->fireWillSleep();
        h.time->runUntilIdle();
        EXPECT_TRUE(h.store->isSystemSleeping());
        EXPECT_EQ(Access::scheduledDeadline(*h.store), std::nullopt);
        EXPECT_EQ(Access::deadlineTask(*h.store), nullptr);
        EXPECT_TRUE(Access::monitor(*h.store).sleeping());
        EXPECT_EQ(h.store->connectionStability().state(), wendmark::ConnectionStability::State::sleeping);
        EXPECT_EQ(h.store->connectionNotifications()->deliveryGeneration(), generation + 1);
        EXPECT_EQ(h.calls(StoreHarness::Call::cancelPending), notificationsOn ? 1u : 0u);
        EXPECT_EQ(h.store->sampling().reason, "시스템 잠자기 · 이벤트 대기");
        EXPECT_EQ(callsSince(h.inventory(), calls), std::vector<std::string>{"setSampling(false,30)"});
        EXPECT_EQ(h.sessionWrites->count(), writes + 1);
        EXPECT_EQ(h.eventCount("시스템 잠자기 · 관측 중지"), 1);
    }
}

TEST(ObserverStoreSampling, wakeAlwaysStartsAFreshPeriodAndResetsTheInventory) {
    for (bool slept : {false, true}) {
        Observing o;
        StoreHarness& h = o.h;
        if (slept) {
            h.power->fireWillSleep();
            h.time->sleep(600);
        }
        const std::size_t calls = h.inventory().calls.size();
        Access::policy(*h.store).observe(std::vector<wendmark::ActivityKind>{wendmark::ActivityKind::observedIdle});
        h.power->fireDidWake();
        h.time->runUntilIdle();
        const Date woke = h.now();
        EXPECT_FALSE(h.store->isSystemSleeping());
        EXPECT_EQ(Access::monitor(*h.store).wakeUntil(), h.monotonic() + 3.0);
        EXPECT_EQ(Access::policy(*h.store).idleSamples(), 0);
        EXPECT_EQ(h.store->activityHistory().collectionStart(), woke);
        EXPECT_EQ(h.store->observationStartedAt(), woke);
        std::vector<std::string> expected{"resetActivity", "refreshMetadata"};
        if (slept) expected.push_back("setSampling(true,1)");
        EXPECT_EQ(callsSince(h.inventory(), calls), expected);
        EXPECT_EQ(h.events().back(), "기상 · 새 관측 구간 시작");
        EXPECT_EQ(h.store->sessionAccumulator().current().has_value(), true);  // sessions stay open across sleep
    }
}

TEST(ObserverStoreSampling, sleepWhilePausedOnlyChangesTheReason) {
    Observing o;
    StoreHarness& h = o.h;
    Access::isPaused(*h.store) = true;
    Access::updateSampling(*h.store, false);
    h.time->runUntilIdle();
    EXPECT_EQ(h.store->sampling().reason, "통계 일시중지 · 연결 이벤트 확인");
    const std::size_t writes = h.sessionWrites->count();
    const Date reference = h.store->historyReferenceDate();
    h.time->advance(3);

    h.power->fireWillSleep();
    h.time->runUntilIdle();
    EXPECT_EQ(h.store->sampling(), (wendmark::SamplingConfiguration{false, 30.0, "시스템 잠자기 · 이벤트 대기"}));
    EXPECT_EQ(h.store->historyReferenceDate(), reference);
    EXPECT_EQ(h.sessionWrites->count(), writes);
    EXPECT_EQ(h.inventory().calls.back(), "setSampling(false,30)");
    EXPECT_EQ(h.logLines()[h.logLines().size() - 2], "Sampling enabled=false interval=30.000000");
}
