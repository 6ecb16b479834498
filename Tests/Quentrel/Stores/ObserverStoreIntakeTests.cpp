#include <gtest/gtest.h>

#include <limits>

#include "StoreHarness.h"

using namespace storetest;
using platform::Date;
using wendmark::DeviceSnapshot;
using wendmark::InventorySnapshot;
using wendmark::SessionEndReason;

namespace {

const std::string started(ObserverStore::appStartedEvent);
const std::string gone(ObserverStore::deviceDisappearedEvent);
const std::string appeared(ObserverStore::deviceAppearedEvent);
const std::string remounted(ObserverStore::volumeStateChangedEvent);

const Date t0{kStoreStart};

DeviceSnapshot twoVolumes(std::string id) {
    return device(std::move(id), t0, {volume("sdb1", true, "U-1", "One"), volume("sdb2", true, "U-2", "Two")});
}

}  // namespace

TEST(ObserverStoreIntake, revisionGuardDropsOnlyAnOlderRevision) {
    constexpr auto top = std::numeric_limits<std::uint64_t>::max();
    struct Case {
        std::optional<std::uint64_t> held, incoming;
        bool accepted;
    } cases[] = {{5, 4, false},       {5, 5, true},        {5, 6, true}, {std::nullopt, 1, true},
                 {5, std::nullopt, true}, {top, 0, false}, {1, top, true}};
    for (const auto& c : cases) {
        StoreHarness h;
        h.started();
        h.deliver(snapshot({}, t0, c.held));
        const Date later = t0.addingSeconds(1);
        EXPECT_EQ(h.signalsDuring([&] { h.deliver(snapshot({}, later, c.incoming)); }), c.accepted ? 1 : 0);
        EXPECT_EQ(h.store->snapshot().capturedAt, c.accepted ? later : t0);
    }
}

TEST(ObserverStoreIntake, deviceEventsCompareOnlyTwoSnapshotsWithTheSessionAvailable) {
    DeviceSnapshot a = twoVolumes("driver:1");
    DeviceSnapshot b = device("driver:2", t0);
    DeviceSnapshot c = device("driver:3", t0);
    auto with = [](DeviceSnapshot d, auto change) {
        change(d);
        return d;
    };
    struct Case {
        const char* name;
        std::vector<InventorySnapshot> next;
        std::vector<std::string> events;
    } cases[] = {
        {"nothing changed", {snapshot({a, b}, t0)}, {}},
        {"one gone, one new", {snapshot({a, c}, t0)}, {gone, appeared}},
        {"all gone first, then all new", {snapshot({c}, t0)}, {gone, gone, appeared}},
        {"unmounting one volume", {snapshot({with(a, [](auto& d) { d.volumes[1] = volume("sdb2", false); }), b}, t0)},
         {remounted}},
        {"renaming and moving a mounted volume",
         {snapshot({with(a,
                         [](auto& d) {
                             d.volumes[0].name = "Renamed";
                             d.volumes[0].mountPath = "/media/other";
                             d.volumes[0].volumeUUID = "U-9";
                         }),
                    b},
                   t0)},
         {}},
        {"an unmounted volume added", {snapshot({with(a, [](auto& d) { d.volumes.push_back(volume("sdb3", false)); }), b}, t0)},
         {}},
        {"session lost", {snapshot({}, t0, std::nullopt, false)}, {}},
        {"across a lost session", {snapshot({}, t0, std::nullopt, false), snapshot({c}, t0)}, {}},
        {"after a lost session", {snapshot({}, t0, std::nullopt, false), snapshot({c}, t0), snapshot({a}, t0)},
         {gone, appeared}},
    };
    for (const auto& test : cases) {
        StoreHarness h;
        h.started();
        h.deliver(snapshot({a, b}, t0));  // the first snapshot never logs its devices
        for (const auto& next : test.next) h.deliver(next);
        std::vector<std::string> expected{started};
        expected.insert(expected.end(), test.events.begin(), test.events.end());
        EXPECT_EQ(h.events(), expected) << test.name;
    }
}

TEST(ObserverStoreIntake, targetStatusFollowsTheMatchesOfTheRememberedDrive) {
    DeviceSnapshot target = device("driver:1", t0, {volume("sdb1", true, "U-1")});
    DeviceSnapshot twin = device("driver:2", t0, {volume("sdc1", true, "U-1")});
    DeviceSnapshot other = device("driver:3", t0, {volume("sdd1", true, "U-3")});
    struct Case {
        bool remembered;
        std::vector<DeviceSnapshot> devices;
        std::string_view status;
    } cases[] = {{false, {target}, ObserverStore::noTargetStatus},
                 {true, {target, other}, ObserverStore::targetFoundStatus},
                 {true, {other}, ObserverStore::targetWaitingStatus},
                 {true, {target, twin}, ObserverStore::targetAmbiguousStatus}};
    for (const auto& c : cases) {
        StoreHarness h;
        if (c.remembered) rememberInDefaults(*h.defaults, targetOf(target));
        h.started();
        h.deliver(snapshot(c.devices, t0));
        EXPECT_EQ(h.store->targetStatus(), c.status);
    }
}

TEST(ObserverStoreIntake, automaticSelectionKeepsWhatIsPresentAndTheUsersChoice) {
    DeviceSnapshot t = device("driver:1", t0, {volume("sdb1", true, "U-1")});
    DeviceSnapshot twin = device("driver:2", t0, {volume("sdc1", true, "U-1")});
    DeviceSnapshot a = device("driver:3", t0, {volume("sdd1", true, "U-3")});
    DeviceSnapshot b = device("driver:4", t0);
    struct Step {
        std::vector<DeviceSnapshot> devices;
        std::optional<std::string> userChoice;  // selectDevice after the snapshot
        std::optional<std::string> selected;
        bool sessionAvailable = true;
    };
    struct Case {
        const char* name;
        bool remembered;
        std::vector<Step> steps;
    } cases[] = {
        {"no target: the only device",
         false,
         {{{a}, {}, a.id}, {{a, b}, {}, a.id}, {{b, t}, {}, std::nullopt}}},
        {"target: its one match, withdrawn when ambiguous", true, {{{t, a}, {}, t.id}, {{t, twin, a}, {}, std::nullopt}}},
        {"target: the user's choice stays", true, {{{t, a}, a.id, a.id}, {{t, twin, a}, {}, a.id}, {{t, a}, {}, a.id}}},
        {"a lost disk session keeps the selection", false, {{{a}, {}, a.id}, {{}, {}, a.id, false}, {{a}, {}, a.id}}},
    };
    for (const auto& c : cases) {
        StoreHarness h;
        if (c.remembered) rememberInDefaults(*h.defaults, targetOf(t));
        h.started();
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            h.deliver(snapshot(step.devices, t0, std::nullopt, step.sessionAvailable));
            if (step.userChoice) h.store->selectDevice(*step.userChoice);
            EXPECT_EQ(h.store->selectedID(), step.selected) << c.name << " step " << i;
        }
    }
}

TEST(ObserverStoreIntake, selectDeviceTakesOnlyAPresentIdAndAlwaysMakesTheChoiceTheUsers) {
    DeviceSnapshot t = device("driver:1", t0, {volume("sdb1", true, "U-1")});
    DeviceSnapshot twin = device("driver:2", t0, {volume("sdc1", true, "U-1")});
    for (bool chosen : {false, true}) {
        StoreHarness h;
        rememberInDefaults(*h.defaults, targetOf(t));
        h.started();
        h.deliver(snapshot({t}, t0));
        ASSERT_EQ(h.store->selectedID(), t.id);  // selected by the store

        EXPECT_EQ(h.signalsDuring([&] { h.store->selectDevice("driver:9"); }), 0);
        // The same device chosen by the user.
        if (chosen) {
            EXPECT_EQ(h.signalsDuring([&] { h.store->selectDevice(t.id); }), 1);
        }
        EXPECT_EQ(h.store->selectedID(), t.id);

        // Once the remembered drive is no longer told apart only the store's own selection goes.
        h.deliver(snapshot({t, twin}, t0));
        EXPECT_EQ(h.store->selectedID(), chosen ? std::optional(t.id) : std::nullopt) << chosen;
    }
}

TEST(ObserverStoreIntake, workSessionsEndOnAnotherSelectionAndOnDisconnectionButNotOnALostSession) {
    DeviceSnapshot a = device("driver:1", t0);
    DeviceSnapshot b = device("driver:2", t0);
    struct Case {
        const char* name;
        std::function<void(StoreHarness&)> act;
        std::optional<SessionEndReason> reason;
    } cases[] = {
        {"selecting another device", [&](StoreHarness& h) { h.store->selectDevice(b.id); },
         SessionEndReason::selectionChanged},
        {"the device vanishing", [&](StoreHarness& h) { h.deliver(snapshot({b}, h.now())); },
         SessionEndReason::disconnected},
        {"the disk session lost", [&](StoreHarness& h) { h.deliver(snapshot({}, h.now(), std::nullopt, false)); },
         std::nullopt},
        {"selecting the same device", [&](StoreHarness& h) { h.store->selectDevice(a.id); }, std::nullopt},
    };
    for (const auto& c : cases) {
        StoreHarness h;
        h.started();
        h.show();
        h.deliver(snapshot({a, b}, h.now()));
        h.store->selectDevice(a.id);
        h.tick({a, b});
        h.tick({a, b});
        ASSERT_TRUE(h.store->sessionAccumulator().current()) << c.name;
        const auto open = *h.store->sessionAccumulator().current();
        const std::size_t writes = h.sessionWrites->count();

        c.act(h);
        h.time->runUntilIdle();
        if (!c.reason) {
            EXPECT_TRUE(h.store->completedSessions().empty()) << c.name;
            EXPECT_EQ(h.store->sessionAccumulator().current()->id, open.id) << c.name;
            continue;
        }
        ASSERT_EQ(h.store->completedSessions().size(), 1u) << c.name;
        const auto& ended = h.store->completedSessions().front();
        EXPECT_EQ(ended.id, open.id) << c.name;
        EXPECT_EQ(ended.endReason, c.reason) << c.name;
        EXPECT_EQ(ended.updatedAt, h.now()) << c.name;
        EXPECT_EQ(h.sessionWrites->count(), writes + 1) << c.name;  // the checkpoint, at once
        EXPECT_NE(h.sessionWrites->last().find(platform::json::encode(ended)), std::string::npos) << c.name;
    }
}

TEST(ObserverStoreIntake, oneSignalCoversEverythingASnapshotChanges) {
    StoreHarness h;
    h.started();
    h.show();
    DeviceSnapshot a = device("driver:1", t0, {volume("sdb1", true)});
    h.deliver(snapshot({a, device("driver:2", t0)}, h.now()));
    h.store->selectDevice(a.id);
    h.tick({a});
    ASSERT_TRUE(h.store->sessionAccumulator().current());
    // Three events, a finished session and its save, a new selection and new history.
    EXPECT_EQ(h.signalsDuring([&] { h.deliver(snapshot({device("driver:3", t0)}, h.now())); }), 1);
    EXPECT_EQ(h.store->completedSessions().size(), 1u);
    EXPECT_EQ(h.store->selectedID(), "driver:3");
}

TEST(ObserverStoreIntake, theFirstDeviceOfARepeatedIdWins) {
    StoreHarness h;
    h.started();
    DeviceSnapshot first = device("driver:1", t0, {volume("sdb1", true)}, "First");
    DeviceSnapshot second = device("driver:1", t0, {}, "Second");
    h.deliver(snapshot({first, second, device("driver:2", t0)}, t0));
    h.deliver(snapshot({second, first}, t0));
    ASSERT_EQ(h.store->snapshot().devices.size(), 1u);
    EXPECT_EQ(h.store->snapshot().devices[0].model, "Second");
    EXPECT_EQ(h.store->selectedID(), "driver:1");
    EXPECT_EQ(h.events(), (std::vector<std::string>{started, gone, remounted}));
}

TEST(ObserverStoreIntake, everySnapshotMakesTheIntervalMemoStale) {
    StoreHarness h;
    h.started();
    h.show();
    DeviceSnapshot a = device("driver:1", t0);
    h.deliver(snapshot({a}, h.now()));
    h.tick({a});
    const auto* memo = &h.store->selectedIntervals();
    ASSERT_EQ(memo->size(), 1u);
    EXPECT_EQ(&h.store->selectedIntervals(), memo);

    h.tick({a});
    EXPECT_EQ(h.store->selectedIntervals().size(), 2u);

    // Showing a second surface moves the reference date: recomputed without a snapshot.
    h.time->advance(400);
    h.show(2);
    EXPECT_TRUE(h.store->selectedIntervals().empty());
}

TEST(ObserverStoreIntake, anOpenSessionIsSavedEvery300MonotonicSeconds) {
    StoreHarness h;
    h.started();
    h.show();
    DeviceSnapshot a = device("driver:1", t0);
    h.deliver(snapshot({a}, h.now()));
    h.tick({a});
    h.tick({a});  // the session opens at monotonic 2
    ASSERT_TRUE(h.store->sessionAccumulator().current());
    const std::size_t writes = h.sessionWrites->count();
    for (int second = 3; second < 300; ++second) h.tick({a});
    EXPECT_EQ(h.sessionWrites->count(), writes);
    h.tick({a});  // monotonic 300
    EXPECT_EQ(h.sessionWrites->count(), writes + 1);
    for (int second = 301; second < 600; ++second) h.tick({a});
    EXPECT_EQ(h.sessionWrites->count(), writes + 1);
    h.tick({a});  // monotonic 600: 300 s after that save
    EXPECT_EQ(h.sessionWrites->count(), writes + 2);

    h.monotonicOverride = std::numeric_limits<double>::quiet_NaN();
    h.tick({a});
    h.tick({a});
    EXPECT_EQ(h.sessionWrites->count(), writes + 2);
}

TEST(ObserverStoreIntake, thePolicySeesOnlyNewMeasurementsWhileSampling) {
    StoreHarness h;
    h.started();
    DeviceSnapshot a = device("driver:1", t0);
    // The policy backs off from 1 s at its second idle sample in a row: a snapshot it counted, or
    // one that started the count afresh, would move that point.
    h.show();
    h.tick({a});
    EXPECT_EQ(h.store->sampling().interval, 1.0);
    h.deliver(h.store->snapshot());  // the same newest measurement again
    EXPECT_EQ(h.store->sampling().interval, 1.0);
    h.deliver(snapshot({}, h.now()));  // no devices
    h.tick({a});
    EXPECT_EQ(h.store->sampling().interval, 5.0);  // the policy backed off
    h.tick({a});
    EXPECT_EQ(h.store->sampling().interval, 5.0);
}
