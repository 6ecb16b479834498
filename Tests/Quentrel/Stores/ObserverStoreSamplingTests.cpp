#include <gtest/gtest.h>

#include "StoreHarness.h"
#include "Wendmark/ConnectionMonitor.h"

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
    h.show();
    const std::size_t calls = h.inventory().calls.size();
    const std::size_t lines = h.logLines().size();

    // With a window open, background polling leaves the decision as it is: it is not applied again.
    EXPECT_EQ(h.signalsDuring([&] { h.store->setBackgroundPolling(true); }), 2);  // the switch and its event
    EXPECT_EQ(h.inventory().calls.size(), calls);
    EXPECT_EQ(h.logLines().size(), lines + 1);
    EXPECT_EQ(h.logLines().back(), ObserverStore::backgroundEnabledEvent);

    // Started again, the store applies the same decision to its new inventory.
    h.store->stop();
    h.store->start();
    h.time->runUntilIdle();
    EXPECT_EQ(h.inventory().calls, (std::vector<std::string>{"start", "setSampling(true,1)"}));
    EXPECT_EQ(h.logLines()[h.logLines().size() - 2], "Sampling enabled=true interval=1.000000");
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
    EXPECT_EQ(h.store->historyReferenceDate(), on);
    EXPECT_EQ(h.store->activityHistory().collectionStart(), on);
    EXPECT_EQ(h.sessionWrites->count(), writes + 1);
    EXPECT_EQ(h.inventory().calls.back(), "setSampling(true,1)");
    const auto runtime = runtimeRecord(previewedReport(*h.store));
    EXPECT_EQ(runtime.lastSamplingResumedAt, on);
    EXPECT_EQ(runtime.queryCountBeforeLastResume, 7u);
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
        const auto generation = h.store->connectionNotifications()->deliveryGeneration();
        const std::size_t writes = h.sessionWrites->count();
        const std::size_t calls = h.inventory().calls.size();

        h.power->fireWillSleep();
        h.power->fireWillSleep();
        h.time->runUntilIdle();
        EXPECT_TRUE(h.store->isSystemSleeping());
        EXPECT_EQ(h.store->connectionStability().state(), wendmark::ConnectionStability::State::sleeping);
        EXPECT_EQ(h.store->connectionNotifications()->deliveryGeneration(), generation + 1);
        EXPECT_EQ(h.calls(StoreHarness::Call::cancelPending), notificationsOn ? 1u : 0u);
        EXPECT_EQ(h.store->sampling().reason, "시스템 잠자기 · 이벤트 대기");
        EXPECT_EQ(callsSince(h.inventory(), calls), std::vector<std::string>{"setSampling(false,30)"});
        EXPECT_EQ(h.sessionWrites->count(), writes + 1);
        EXPECT_EQ(h.eventCount("시스템 잠자기 · 관측 중지"), 1);
        // The wake-grace deadline was cancelled with its task.
        EXPECT_EQ(h.signalsDuring([&] { h.time->advance(wendmark::ConnectionMonitor::wakeGrace); }), 0);
    }
}

TEST(ObserverStoreSampling, wakeAlwaysStartsAFreshPeriodAndResetsTheInventory) {
    for (bool slept : {false, true}) {
        Observing o;
        StoreHarness& h = o.h;
        h.tick({o.a});  // the second idle sample: the policy backs off to 5 s
        ASSERT_EQ(h.store->sampling().interval, 5.0);
        if (slept) {
            h.power->fireWillSleep();
            h.time->sleep(600);
        }
        const std::size_t calls = h.inventory().calls.size();
        h.power->fireDidWake();
        h.time->runUntilIdle();
        const Date woke = h.now();
        EXPECT_FALSE(h.store->isSystemSleeping());
        EXPECT_EQ(h.store->sampling().interval, 1.0);  // the policy starts afresh
        EXPECT_EQ(h.store->activityHistory().collectionStart(), woke);
        EXPECT_EQ(h.store->observationStartedAt(), woke);
        EXPECT_EQ(callsSince(h.inventory(), calls),
                  (std::vector<std::string>{"resetActivity", "refreshMetadata", "setSampling(true,1)"}));
        EXPECT_EQ(h.events().back(), "기상 · 새 관측 구간 시작");
        EXPECT_EQ(h.store->sessionAccumulator().current().has_value(), true);  // sessions stay open across sleep
        // The wake grace: its deadline task runs as it ends, and not before.
        EXPECT_EQ(h.signalsDuring([&] { h.time->advance(2.999); }), 0);
        EXPECT_EQ(h.signalsDuring([&] { h.time->advance(0.001); }), 1);
    }
}

TEST(ObserverStoreSampling, sleepWhilePausedOnlyChangesTheReason) {
    Observing o;
    StoreHarness& h = o.h;
    h.store->setPaused(true);
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
