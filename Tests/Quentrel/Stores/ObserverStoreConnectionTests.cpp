#include <gtest/gtest.h>

#include "StoreHarness.h"

using namespace storetest;
using platform::Date;
using wendmark::ConnectionStability;
using wendmark::DeviceSnapshot;
using wendmark::InventorySnapshot;

namespace {

const Date t0{kStoreStart};

DeviceSnapshot drive() { return device("driver:1", t0, {volume("sdb1", true, "U-1")}); }

// A started store that remembers drive().
struct Remembering {
    StoreHarness h;
    explicit Remembering(bool notificationsOn = false) {
        rememberInDefaults(*h.defaults, targetOf(drive()));
        h.defaults->set(notificationsOn, "connectionNotifications");
        h.started();
    }
    // One snapshot a second later.
    void next(std::vector<DeviceSnapshot> devices, bool sessionAvailable = true) {
        h.time->advance(1);
        h.deliver(snapshot(std::move(devices), h.now(), std::nullopt, sessionAvailable));
    }
};

}  // namespace

TEST(ObserverStoreConnection, withoutARememberedDriveNothingIsFollowed) {
    StoreHarness h;
    h.started();
    h.deliver(snapshot({drive()}, t0));
    h.time->advance(1);
    h.deliver(snapshot({}, h.now()));
    EXPECT_EQ(h.store->connectionStability(), ConnectionStability());
    // No deadline is planned and no notice comes: the monitor never saw the drive.
    const std::size_t events = h.store->history().size();
    EXPECT_EQ(h.signalsDuring([&] { h.time->advance(10); }), 0);
    EXPECT_EQ(h.store->history().size(), events);
}

TEST(ObserverStoreConnection, noticesAreLoggedAlwaysAndPostedOnlyWhileAwakeWithATarget) {
    enum class Before { nothing, sleep, forget };
    struct Case {
        Before before;
        bool posted;
    } cases[] = {{Before::nothing, true}, {Before::sleep, false}, {Before::forget, false}};
    for (const auto& c : cases) {
        Remembering r(true);
        StoreHarness& h = r.h;
        for (int i = 0; i < 2; ++i) {
            r.next({drive()});
            r.next({});
        }
        // The third loss is a run of repeated changes; its delivery task comes after this one.
        h.time->advance(1);
        h.inventory().deliver(snapshot({drive()}, h.now()));
        h.time->advance(1);
        h.inventory().deliver(snapshot({}, h.now()));
        h.main->async([&] {
            if (c.before == Before::sleep) h.store->handleSystemSleep();
            if (c.before == Before::forget) h.store->forgetTarget();
        });
        h.time->runUntilIdle();
        EXPECT_EQ(h.eventCount("기억한 대상 반복 연결 변화 감지"), 1);
        EXPECT_EQ(h.submitted(wendmark::ConnectionNotice::repeatedChanges), c.posted ? 1u : 0u);
    }
}

TEST(ObserverStoreConnection, aConfirmedLossIsLoggedAndPostedWhenItsDeadlineComes) {
    Remembering r(true);
    StoreHarness& h = r.h;
    r.next({drive()});
    r.next({});
    h.time->advance(2.999);
    EXPECT_EQ(h.submitted(wendmark::ConnectionNotice::disconnected), 0u);
    h.time->advance(0.001);  // confirmed 3 s after the loss
    EXPECT_EQ(h.submitted(wendmark::ConnectionNotice::disconnected), 1u);
    // The notice, then the service's outcome through the store's result callback.
    const auto events = h.events();
    EXPECT_EQ(std::vector<std::string>(events.end() - 2, events.end()),
              (std::vector<std::string>{"기억한 대상 연결 해제 확인 · 원인 미확인",
                                        "연결 알림 제출 완료 · 화면 표시 여부 미확인"}));
}

TEST(ObserverStoreConnection, theSwitchNeedsARememberedDriveOnlyToTurnOn) {
    {
        StoreHarness h;
        h.started();
        h.backend->clearCalls();
        bool done = false;
        h.store->setConnectionNotifications(true, [&] { done = true; });
        h.time->runUntilIdle();
        EXPECT_TRUE(done);
        EXPECT_FALSE(h.store->connectionNotifications()->enabled());
        EXPECT_TRUE(h.backend->calls().empty());
    }
    {
        StoreHarness h;
        h.defaults->set(true, "connectionNotifications");
        h.started();
        h.store->setConnectionNotifications(false);
        h.time->runUntilIdle();
        EXPECT_FALSE(h.store->connectionNotifications()->enabled());
        EXPECT_EQ(h.defaults->object("connectionNotifications"), platform::PropertyValue(false));
    }
}

TEST(ObserverStoreConnection, switchingOnRebuildsTheMonitorFromTheHeldSnapshot) {
    Remembering r;
    StoreHarness& h = r.h;
    r.next({drive()});
    r.next({});  // a loss pending in the monitor
    const auto stability = h.store->connectionStability();
    int signals = 0;
    h.store->setConnectionNotifications(true);
    signals = h.signalsDuring([&] { h.time->runUntilIdle(); });
    EXPECT_TRUE(h.store->connectionNotifications()->enabled());
    EXPECT_EQ(h.store->connectionStability().lossCount(), stability.lossCount());  // the record is kept
    EXPECT_EQ(signals, 1);
    // The new monitor starts from the drive's absence: the loss pending before is never confirmed.
    h.time->advance(10);
    EXPECT_EQ(h.eventCount(ObserverStore::targetDisconnectedEvent), 0u);
}

TEST(ObserverStoreConnection, resettingStartsBothRecordsAfreshAndWithdrawsNotices) {
    for (bool sleeping : {false, true}) {
        Remembering r;
        StoreHarness& h = r.h;
        r.next({drive()});
        r.next({});
        if (sleeping) h.store->handleSystemSleep();
        const auto generation = h.store->connectionNotifications()->deliveryGeneration();
        h.store->forgetTarget();
        EXPECT_EQ(h.store->connectionStability().lossCount(), 0);
        EXPECT_EQ(h.store->connectionStability().state() == ConnectionStability::State::sleeping, sleeping);
        EXPECT_EQ(h.store->connectionNotifications()->deliveryGeneration(), generation + 1);
        // The pending loss's deadline went with the old records.
        EXPECT_EQ(h.signalsDuring([&] { h.time->advance(10); }), 0);
    }
}
