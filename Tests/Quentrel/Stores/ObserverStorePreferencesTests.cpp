#include <gtest/gtest.h>

#include "StoreHarness.h"

using namespace storetest;
using platform::Date;
using quentrel::ProductSettings;
using wendmark::DeviceSnapshot;

namespace {

const Date t0{kStoreStart};

// The stored value under `key`, without registered defaults.
std::optional<platform::PropertyValue> stored(StoreHarness& h, std::string_view key) {
    auto domain = h.defaults->persistentDomain("local.test.Kavrinet");
    if (!domain) return std::nullopt;
    auto it = domain->find(key);
    return it == domain->end() ? std::nullopt : std::optional(it->second);
}

DeviceSnapshot drive(std::string id = "driver:1", std::string uuid = "U-1") {
    return device(std::move(id), t0, {volume("sdb1", true, std::move(uuid))});
}

}  // namespace

TEST(ObserverStorePreferences, pauseAndResumeChangeSamplingOnlyOnAChangeOfValue) {
    StoreHarness h;
    h.started();
    h.show();
    h.deliver(snapshot({drive()}, h.now()));
    struct Step {
        bool paused;
        std::size_t newEvents;
        bool samplingOn;
    } steps[] = {{false, 0, true}, {true, 1, false}, {true, 0, false}, {false, 1, true}};
    for (const auto& step : steps) {
        h.tick({drive()});
        h.tick({drive()});  // two more idle samples while sampling: 5 s and no longer 1 s
        const std::size_t events = h.store->history().size();
        const std::size_t calls = h.inventory().calls.size();
        h.store->setPaused(step.paused);
        EXPECT_EQ(h.store->isPaused(), step.paused);
        EXPECT_EQ(h.store->history().size(), events + step.newEvents) << step.paused;
        EXPECT_EQ(h.store->sampling().enabled, step.samplingOn) << step.paused;
        // A change starts the policy afresh; the interval shows it while sampling runs.
        if (step.samplingOn) {
            EXPECT_EQ(h.store->sampling().interval, step.newEvents ? 1.0 : 5.0) << step.paused;
        }
        if (step.newEvents == 0) {
            EXPECT_EQ(h.inventory().calls.size(), calls) << "sampling untouched";
        }
    }
    EXPECT_EQ(h.eventCount(ObserverStore::pausedEvent), 1u);
    EXPECT_EQ(h.eventCount(ObserverStore::resumedEvent), 1u);
    EXPECT_FALSE(stored(h, "isPaused")) << "pause is kept in memory only";
}

TEST(ObserverStorePreferences, theTwoSwitchesStoreBooleansAndOnlyBackgroundPollingLogs) {
    StoreHarness h;
    h.started();
    for (bool on : {true, true, false}) {
        const std::size_t events = h.store->history().size();
        EXPECT_EQ(h.signalsDuring([&] { h.store->setShowStatusOnLaunch(on); }), 1);
        EXPECT_EQ(h.store->showStatusOnLaunch(), on);
        EXPECT_EQ(stored(h, "showStatusOnLaunch"), platform::PropertyValue(on));
        EXPECT_EQ(h.store->history().size(), events);

        // No window: background polling alone decides whether sampling runs (every 30 s).
        h.defaults->removeObject("backgroundPolling");
        h.store->setBackgroundPolling(on);
        EXPECT_EQ(h.store->backgroundPolling(), on);
        ASSERT_TRUE(stored(h, "backgroundPolling")) << "rewritten also for an unchanged value";
        EXPECT_TRUE(stored(h, "backgroundPolling")->is<bool>());
        EXPECT_EQ(h.store->sampling().enabled, on);
        EXPECT_EQ(h.store->history().front().message,
                  on ? ObserverStore::backgroundEnabledEvent : ObserverStore::backgroundDisabledEvent);
        EXPECT_EQ(h.store->history().size(), events + 1);
    }
    EXPECT_EQ(h.eventCount(ObserverStore::backgroundEnabledEvent), 2u);
}

TEST(ObserverStorePreferences, rememberingRefusesWhatCannotBeToldApartOrReadBack) {
    DeviceSnapshot manyUUIDs = device("driver:1", t0);
    for (int i = 0; i < 33; ++i) manyUUIDs.volumes.push_back(volume("sdb" + std::to_string(i), false, "V-" + std::to_string(i)));
    DeviceSnapshot longUUID = device("driver:1", t0, {volume("sdb1", true, std::string(129, 'a'))});
    DeviceSnapshot emptyUUID = device("driver:1", t0, {volume("sdb1", true, "")});
    DeviceSnapshot noModel = device("driver:1", t0, {volume("sdb1", true, "U-1")}, "");
    DeviceSnapshot longModel = device("driver:1", t0, {volume("sdb1", false, "U-1")}, std::string(513, 'm'));
    DeviceSnapshot longName = device("driver:1", t0, {volume("sdb1", true, "U-1", std::string(513, 'n'))});
    // 512 Hangul syllables are 512 characters, well over 512 bytes: within the limit.
    std::string hangul;
    for (int i = 0; i < 512; ++i) hangul += "가";
    DeviceSnapshot atTheLimits = device("driver:1", t0, {volume("sdb1", true, std::string(128, 'u'), hangul)}, hangul);
    DeviceSnapshot emptyName = device("driver:1", t0, {volume("sdb1", true, "U-1", "")});
    DeviceSnapshot noUUID = device("driver:1", t0, {volume("sdb1", true)});

    struct Case {
        const char* name;
        std::vector<DeviceSnapshot> devices;
        std::optional<std::string> select;
        bool remembered;
    } cases[] = {
        {"no selection", {drive("driver:1"), drive("driver:2", "U-2")}, std::nullopt, false},
        {"no volume UUID", {noUUID}, "driver:1", false},
        {"two drives that share a UUID", {drive("driver:1"), drive("driver:2")}, "driver:1", false},
        {"33 volume UUIDs", {manyUUIDs}, "driver:1", false},
        {"a UUID of 129 characters", {longUUID}, "driver:1", false},
        {"an empty UUID", {emptyUUID}, "driver:1", false},
        {"an empty model", {noModel}, "driver:1", false},
        {"a model of 513 characters", {longModel}, "driver:1", false},
        {"a display name of 513 characters", {longName}, "driver:1", false},
        {"every text at its limit", {atTheLimits}, "driver:1", true},
        {"an empty display name", {emptyName}, "driver:1", true},
        {"one of two distinct drives", {drive("driver:1"), drive("driver:2", "U-2")}, "driver:2", true},
    };
    const DeviceSnapshot earlier = drive("driver:9", "U-9");
    for (const auto& c : cases) {
        StoreHarness h;
        rememberInDefaults(*h.defaults, targetOf(earlier));
        const auto before = stored(h, "observationTarget");
        h.started();
        h.deliver(snapshot(c.devices, h.now()));
        if (c.select) h.store->selectDevice(*c.select);
        const std::size_t events = h.store->history().size();
        EXPECT_EQ(h.store->canRememberSelectedTarget(), c.remembered) << c.name;  // the pin button agrees
        h.store->rememberSelectedTarget();
        if (!c.remembered) {
            EXPECT_EQ(h.store->errorMessage(), ObserverStore::targetRefusedError) << c.name;
            EXPECT_EQ(h.store->rememberedTarget(), targetOf(earlier)) << c.name;
            EXPECT_EQ(stored(h, "observationTarget"), before) << c.name;
            EXPECT_EQ(h.store->history().size(), events) << c.name;
            EXPECT_EQ(h.store->targetStatus(), ObserverStore::targetWaitingStatus) << c.name;
            continue;
        }
        ASSERT_TRUE(h.store->rememberedTarget()) << c.name;
        EXPECT_EQ(h.store->rememberedTarget()->matchingIDs(h.store->snapshot().devices),
                  std::vector<std::string>{*c.select})
            << c.name;
        EXPECT_FALSE(h.store->errorMessage()) << c.name;
        EXPECT_EQ(h.store->targetStatus(), ObserverStore::targetRememberedStatus) << c.name;
        EXPECT_EQ(h.store->history().front().message, ObserverStore::targetRememberedEvent) << c.name;
        auto bytes = h.defaults->dataForKey("observationTarget");
        ASSERT_TRUE(bytes) << c.name;
        EXPECT_EQ(ProductSettings::validatedTarget(*bytes), h.store->rememberedTarget()) << c.name;
        EXPECT_EQ(h.store->rememberedTarget()->registeredAt(), h.now()) << c.name;
    }
}

TEST(ObserverStorePreferences, rememberingASecondDriveRestartsConnectionMonitoringFromScratch) {
    StoreHarness h;
    h.started();
    const DeviceSnapshot a = drive("driver:1", "U-1"), b = drive("driver:2", "U-2");
    h.deliver(snapshot({a, b}, h.now()));
    h.store->selectDevice(a.id);
    h.store->rememberSelectedTarget();
    h.time->advance(10);
    h.deliver(snapshot({b}, h.now()));  // the first drive is gone: a loss
    ASSERT_EQ(h.store->connectionStability().lossCount(), 1);

    h.store->selectDevice(b.id);
    h.store->rememberSelectedTarget();
    EXPECT_EQ(h.store->rememberedTarget()->matchingIDs({b}), std::vector<std::string>{b.id});
    EXPECT_EQ(h.store->connectionStability().lossCount(), 0);
    EXPECT_EQ(h.store->connectionStability().state(), wendmark::ConnectionStability::State::connected);
    // The second drive is the one followed now: still attached without its volume, it stays connected.
    h.time->advance(1);
    h.deliver(snapshot({device(b.id, h.now())}, h.now()));
    EXPECT_EQ(h.store->connectionStability().lossCount(), 0);
    EXPECT_EQ(h.store->connectionStability().baseline(), wendmark::TargetPresence::present(b.id));
}

TEST(ObserverStorePreferences, forgettingWorksAlsoWithNothingRemembered) {
    for (bool remembered : {true, false}) {
        StoreHarness h;
        if (remembered) rememberInDefaults(*h.defaults, targetOf(drive()));
        h.started();
        h.store->forgetTarget();
        EXPECT_FALSE(h.store->rememberedTarget());
        EXPECT_FALSE(stored(h, "observationTarget"));
        EXPECT_EQ(h.store->targetStatus(), ObserverStore::noTargetStatus);
        EXPECT_EQ(h.store->history().front().message, ObserverStore::targetForgottenEvent);
    }
}

TEST(ObserverStorePreferences, resetTurnsEverythingOffAndItsUndoPutsBackTheStoredBytes) {
    const DeviceSnapshot a = drive("driver:1", "U-1"), b = drive("driver:2", "U-2");
    StoreHarness h;
    h.defaults->set(true, "backgroundPolling");
    h.defaults->set(true, "showStatusOnLaunch");
    rememberInDefaults(*h.defaults, targetOf(a));
    const auto targetBytes = stored(h, "observationTarget");
    h.started();
    h.deliver(snapshot({a, b}, h.now()));
    ASSERT_EQ(h.store->selectedID(), a.id);  // picked by the remembered target
    ASSERT_TRUE(h.store->sampling().enabled);
    const std::size_t events = h.store->history().size();

    h.store->resetObservationPreferences();
    EXPECT_FALSE(h.store->backgroundPolling());
    EXPECT_FALSE(h.store->showStatusOnLaunch());
    EXPECT_FALSE(h.store->rememberedTarget());
    EXPECT_FALSE(stored(h, "observationTarget"));
    EXPECT_EQ(stored(h, "productSettingsSchemaVersion"), platform::PropertyValue(2));
    // The intake ran again: the status follows at once; the selected device is still attached.
    EXPECT_EQ(h.store->targetStatus(), ObserverStore::noTargetStatus);
    EXPECT_EQ(h.store->selectedID(), a.id);
    EXPECT_FALSE(h.store->sampling().enabled);
    EXPECT_TRUE(h.store->canUndoObservationReset());
    EXPECT_FALSE(h.store->dataActionFailed());
    EXPECT_EQ(h.store->dataActionMessage(), ObserverStore::preferencesResetMessage);
    EXPECT_EQ(h.store->history().size(), events + 0) << "reset logs nothing";

    h.store->undoObservationReset();
    EXPECT_EQ(stored(h, "observationTarget"), targetBytes);
    EXPECT_EQ(h.store->rememberedTarget(), targetOf(a));
    EXPECT_EQ(h.store->targetStatus(), ObserverStore::targetFoundStatus);
    EXPECT_EQ(h.store->selectedID(), a.id);
    EXPECT_TRUE(h.store->sampling().enabled);
    EXPECT_FALSE(h.store->canUndoObservationReset());
    EXPECT_EQ(h.store->dataActionMessage(), ObserverStore::preferencesRestoredMessage);

    // Nothing kept: nothing happens, the message stays.
    h.store->setShowStatusOnLaunch(false);
    EXPECT_EQ(h.signalsDuring([&] { h.store->undoObservationReset(); }), 0);
    EXPECT_FALSE(h.store->showStatusOnLaunch());
    EXPECT_EQ(h.store->dataActionMessage(), ObserverStore::preferencesRestoredMessage);
    EXPECT_EQ(h.store->history().size(), events);
}

TEST(ObserverStorePreferences, resetKeepsOnlyWhatAStrictReadOfTheStoredValuesGives) {
    struct Case {
        const char* name;
        platform::PropertyDictionary stored;
        bool twice;  // a second reset before the undo
        bool flags;
        bool target;
    };
    const auto bytes = [] {
        std::string json = platform::json::encode(targetOf(drive()));
        return platform::Data(json.begin(), json.end());
    }();
    const Case cases[] = {
        {"Booleans", {{"backgroundPolling", true}, {"showStatusOnLaunch", true}, {"observationTarget", bytes}}, false,
         true, true},
        {"texts and numbers read as false",
         {{"backgroundPolling", "true"}, {"showStatusOnLaunch", std::int64_t{1}}}, false, false, false},
        {"target bytes that do not validate", {{"observationTarget", platform::Data{'{', '}'}}}, false, false, false},
        {"a second reset keeps the all-off state",
         {{"backgroundPolling", true}, {"showStatusOnLaunch", true}, {"observationTarget", bytes}}, true, false, false},
    };
    for (const auto& c : cases) {
        StoreHarness h;
        h.defaults = std::make_shared<platform::MemoryDefaultsDatabase>("local.test.Kavrinet", c.stored);
        h.started();
        h.store->resetObservationPreferences();
        if (c.twice) h.store->resetObservationPreferences();
        h.store->undoObservationReset();
        EXPECT_EQ(stored(h, "backgroundPolling"), platform::PropertyValue(c.flags)) << c.name;
        EXPECT_EQ(stored(h, "showStatusOnLaunch"), platform::PropertyValue(c.flags)) << c.name;
        EXPECT_EQ(h.store->backgroundPolling(), c.flags) << c.name;
        EXPECT_EQ(h.store->showStatusOnLaunch(), c.flags) << c.name;
        EXPECT_EQ(h.store->rememberedTarget().has_value(), c.target) << c.name;
        EXPECT_EQ(stored(h, "observationTarget").has_value(), c.target) << c.name;
    }
}
