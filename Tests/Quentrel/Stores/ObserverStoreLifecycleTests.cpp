#include <gtest/gtest.h>

#include "StoreHarness.h"

using namespace storetest;
using platform::Date;
using wendmark::DeviceSnapshot;
using wendmark::SessionEndReason;

namespace {

const Date t0{kStoreStart};

platform::UUID surfaceID(unsigned n) {
    platform::UUID id;
    id.bytes[14] = static_cast<std::uint8_t>(n >> 8);
    id.bytes[15] = static_cast<std::uint8_t>(n);
    return id;
}

}  // namespace

TEST(ObserverStoreLifecycle, startRunsOnceInTheAgent) {
    StoreHarness h;
    h.started();
    h.store->start();
    h.time->runUntilIdle();
    ASSERT_EQ(h.inventories->size(), 1u);
    EXPECT_EQ(h.inventory().calls, (std::vector<std::string>{"start", "setSampling(false,30)"}));
    EXPECT_EQ(h.power->liveCount(), 1u);
    EXPECT_EQ(h.events(), std::vector<std::string>{std::string(ObserverStore::appStartedEvent)});
    EXPECT_EQ(h.calls(StoreHarness::Call::permission), 1u);  // the permission refresh
}

TEST(ObserverStoreLifecycle, stopEndsTheSessionAndLeavesBothFilesComplete) {
    StoreHarness h;
    h.started();
    h.show();
    DeviceSnapshot a = device("driver:1", t0);
    h.deliver(snapshot({a}, h.now()));
    h.tick({a}, 1, 1024, 0);
    h.store->startNewSession();  // an event whose write is still waiting
    h.tick({a}, 1, 2048, 0);
    h.store->stop();  // no runUntilIdle: stop itself must finish the writes

    EXPECT_EQ(h.inventory().calls.back(), "stop");
    EXPECT_EQ(h.power->liveCount(), 0u);
    ASSERT_EQ(h.store->completedSessions().size(), 2u);
    EXPECT_EQ(h.store->completedSessions()[0].endReason, SessionEndReason::appQuit);
    EXPECT_EQ(h.sessionWrites->last(), platform::json::encode(h.store->sessionSummaries()));
    EXPECT_EQ(h.eventWrites->last(), platform::json::encode(h.store->history()));
    EXPECT_EQ(h.calls(StoreHarness::Call::cancelPending), 0u);  // notifications are off

    // Stopped: a late snapshot still arrives, and a second stop does nothing.
    const std::size_t writes = h.sessionWrites->count() + h.eventWrites->count();
    h.store->stop();
    h.time->advance(1);
    EXPECT_EQ(h.sessionWrites->count() + h.eventWrites->count(), writes);
}

TEST(ObserverStoreLifecycle, stopWithoutStartDoesNothing) {
    StoreHarness h;
    h.build();
    h.store->stop();
    h.time->advance(1);
    EXPECT_EQ(h.sessionWrites->count() + h.eventWrites->count(), 0u);
    EXPECT_TRUE(h.store->history().empty());
}

TEST(ObserverStoreLifecycle, snapshotTasksAndCallbacksDoNothingOnceTheStoreIsGone) {
    StoreHarness h;
    h.started();
    auto inventory = h.inventories->back();
    std::weak_ptr<ObserverStore> weak = h.store;
    h.connection.disconnect();
    h.store.reset();
    EXPECT_TRUE(weak.expired());
    inventory->deliver(snapshot({device("driver:1", t0)}, t0));
    h.power->fireWillSleep();
    h.power->fireDidWake();
    h.time->advance(1);
    EXPECT_EQ(inventory->calls.size(), 2u);  // nothing more reached it
}

TEST(ObserverStoreLifecycle, visibilityCountsSurfacesUpToTheCap) {
    StoreHarness h;
    h.started();
    // The first surface: the count, the reference date, then the flip to sampling.
    const int first = h.signalsDuring([&] { h.store->surfaceVisibilityChanged(surfaceID(0), true); });
    EXPECT_GT(first, 2);
    EXPECT_EQ(h.logLines().end()[-2], "Visible surfaces: 1");
    EXPECT_EQ(h.signalsDuring([&] { h.store->surfaceVisibilityChanged(surfaceID(0), true); }), 0);
    EXPECT_EQ(h.signalsDuring([&] { h.store->surfaceVisibilityChanged(surfaceID(500), false); }), 0);
    // Another surface while sampling already runs: count and reference date only.
    EXPECT_EQ(h.signalsDuring([&] { h.store->surfaceVisibilityChanged(surfaceID(1), true); }), 2);

    for (unsigned n = 2; n < 70; ++n) h.store->surfaceVisibilityChanged(surfaceID(n), true);
    EXPECT_EQ(h.store->visibleSurfaceCount(), 64);
    h.store->surfaceVisibilityChanged(surfaceID(5), true);  // already visible: accepted, no change
    EXPECT_EQ(h.store->visibleSurfaceCount(), 64);
    h.store->surfaceVisibilityChanged(surfaceID(5), false);
    h.store->surfaceVisibilityChanged(surfaceID(69), true);  // room again
    EXPECT_EQ(h.store->visibleSurfaceCount(), 64);
}

TEST(ObserverStoreLifecycle, thePolicyStartsAfreshOnlyWhenTheUIAppearsOrDisappears) {
    struct Step {
        unsigned surface;
        bool visible;
        bool resets;
    } steps[] = {{1, true, true}, {2, true, false}, {2, false, false}, {1, false, true}};
    StoreHarness h;
    h.started();
    h.store->setBackgroundPolling(true);  // the policy is fed with no window too
    const DeviceSnapshot a = device("driver:1", t0);
    h.deliver(snapshot({a}, h.now()));
    for (const auto& step : steps) {
        h.tick({a});
        h.tick({a});  // two more idle samples: with a window, 5 s and no longer 1 s
        h.time->advance(1);
        h.store->surfaceVisibilityChanged(surfaceID(step.surface), step.visible);
        // While a window shows, the interval tells whether the idle samples still count; with
        // none, the background interval holds whatever the policy counted.
        if (h.store->visibleSurfaceCount() > 0) {
            EXPECT_EQ(h.store->sampling().interval, step.resets ? 1.0 : 5.0) << step.surface;
        }
        EXPECT_EQ(h.store->historyReferenceDate(), h.now()) << step.surface;
    }
}
