#include <gtest/gtest.h>

#include "Quentrel/Services/UIStateFixture.h"
#include "StoreHarness.h"

using namespace storetest;
using platform::Date;
using quentrel::EventStorageStatus;
using quentrel::ObserverUICommand;
using wendmark::DeviceSnapshot;
using wendmark::SessionEndReason;

namespace {

const Date t0{kStoreStart};

}  // namespace

TEST(ObserverStore, constructionReadsTheSettingsAndSendsNoSignal) {
    DeviceSnapshot drive = device("driver:1", t0, {volume("sdb1", true, "U-1")});
    std::string json = platform::json::encode(targetOf(drive));
    struct Case {
        const char* name;
        platform::PropertyDictionary stored;
        bool flags;
        bool target;
    } cases[] = {
        {"nothing stored", {}, false, false},
        {"all stored",
         {{"backgroundPolling", true},
          {"showStatusOnLaunch", true},
          {"onboardingCompleted", true},
          {"observationTarget", platform::Data(json.begin(), json.end())}},
         true,
         true},
        {"target data that does not validate", {{"observationTarget", platform::Data{'{', '}'}}}, false, false},
        {"a target stored as text", {{"observationTarget", json}}, false, false},
    };
    for (const auto& c : cases) {
        StoreHarness h;
        h.defaults = std::make_shared<platform::MemoryDefaultsDatabase>("local.test.Kavrinet", c.stored);
        ObserverStore& store = h.build();
        EXPECT_EQ(store.publicationCount(), 2u) << c.name;  // only the two file stores' first reports
        EXPECT_EQ(store.backgroundPolling(), c.flags) << c.name;
        EXPECT_EQ(store.showStatusOnLaunch(), c.flags) << c.name;
        EXPECT_EQ(store.onboardingCompleted(), c.flags) << c.name;
        EXPECT_EQ(store.rememberedTarget().has_value(), c.target) << c.name;
        EXPECT_EQ(store.sampling(), (wendmark::SamplingConfiguration{false, 30.0, "시작 중"})) << c.name;
        EXPECT_EQ(store.snapshot().status, "장치 이벤트를 기다립니다.") << c.name;
        EXPECT_EQ(store.targetStatus(), "기억된 관측 대상 없음") << c.name;
        EXPECT_EQ(store.eventStorageStatus(), EventStorageStatus::available) << c.name;
        EXPECT_EQ(store.sessionStorageStatus(), EventStorageStatus::available) << c.name;
    }
}

TEST(ObserverStore, aStatusChangeOfAFileStoreReachesTheStoreOnTheMainQueue) {
    StoreHarness h;
    h.started();
    h.eventWrites->failing = true;
    h.store->startNewSession();
    EXPECT_EQ(h.signalsDuring([&] { h.time->advance(quentrel::RecentEventLog::writeDelaySeconds); }), 1);
    EXPECT_EQ(h.store->eventStorageStatus(), EventStorageStatus::writeFailed);
}

TEST(ObserverStore, aMirrorForwardsEachOperationAndChangesNothing) {
    platform::UUID surface;
    surface.bytes[0] = 7;
    using Case = ObserverUICommand::Case;
    struct Row {
        std::function<void(ObserverStore&)> act;
        std::optional<ObserverUICommand> command;  // none: nothing is sent
    } rows[] = {
        {[](ObserverStore& s) { s.selectDevice("driver:1"); }, ObserverUICommand::select("driver:1")},
        {[&](ObserverStore& s) { s.surfaceVisibilityChanged(surface, true); }, ObserverUICommand::surface(surface, true)},
        {[](ObserverStore& s) { s.setConnectionNotifications(true); }, ObserverUICommand::withFlag(Case::notifications, true)},
        {[](ObserverStore& s) { s.setConnectionNotifications(false); },
         ObserverUICommand::withFlag(Case::notifications, false)},
        {[](ObserverStore& s) { s.completeOnboarding(); }, ObserverUICommand::make(Case::completeOnboarding)},
        {[](ObserverStore& s) { s.startNewSession(); }, ObserverUICommand::make(Case::newSession)},
        {[](ObserverStore& s) { s.setPaused(true); }, ObserverUICommand::withFlag(Case::pause, true)},
        {[](ObserverStore& s) { s.setBackgroundPolling(false); }, ObserverUICommand::withFlag(Case::background, false)},
        {[](ObserverStore& s) { s.setShowStatusOnLaunch(true); }, ObserverUICommand::withFlag(Case::showOnLaunch, true)},
        {[](ObserverStore& s) { s.rememberSelectedTarget(); }, ObserverUICommand::make(Case::remember)},
        {[](ObserverStore& s) { s.forgetTarget(); }, ObserverUICommand::make(Case::forget)},
        {[](ObserverStore& s) { s.resetObservationPreferences(); }, ObserverUICommand::make(Case::reset)},
        {[](ObserverStore& s) { s.undoObservationReset(); }, ObserverUICommand::make(Case::undoReset)},
        {[](ObserverStore& s) { EXPECT_TRUE(s.clearEventHistory()); }, ObserverUICommand::make(Case::clearEvents)},
        {[](ObserverStore& s) { EXPECT_TRUE(s.undoHistoryClear()); }, ObserverUICommand::make(Case::undoEvents)},
        {[](ObserverStore& s) { EXPECT_TRUE(s.clearSessionHistory()); }, ObserverUICommand::make(Case::clearSessions)},
        {[](ObserverStore& s) { EXPECT_TRUE(s.undoSessionClear()); }, ObserverUICommand::make(Case::undoSessions)},
        {[](ObserverStore& s) { s.prepareDiagnostics(); }, ObserverUICommand::make(Case::prepareDiagnostics)},
        {[](ObserverStore& s) { s.discardDiagnosticsPreview(); }, ObserverUICommand::make(Case::discardDiagnostics)},
        {[](ObserverStore& s) { s.copyDiagnostics(); }, ObserverUICommand::make(Case::copyDiagnostics)},
        {[](ObserverStore& s) { s.saveDiagnostics(); }, ObserverUICommand::make(Case::saveDiagnostics)},
        {[](ObserverStore& s) { s.revealSelectedVolume(); }, ObserverUICommand::make(Case::revealVolume)},
        {[](ObserverStore& s) { s.handleUICommand(ObserverUICommand::select("driver:1")); }, std::nullopt},
        {[](ObserverStore& s) { s.uiProcessEnded(); }, std::nullopt},
    };
    StoreHarness h;
    ObserverStore& mirror = h.build(true);
    mirror.start();
    mirror.stop();
    h.time->runUntilIdle();
    EXPECT_TRUE(h.inventories->empty());
    EXPECT_EQ(h.power->subscriptionCount(), 0u);
    EXPECT_FALSE(h.store->connectionNotifications()->onResult);
    for (const auto& row : rows) {
        h.commands.clear();
        EXPECT_EQ(h.signalsDuring([&] { row.act(mirror); }), 0);
        EXPECT_EQ(h.commands, row.command ? std::vector<ObserverUICommand>{*row.command}
                                          : std::vector<ObserverUICommand>{});
    }
    h.time->runUntilIdle();
    EXPECT_TRUE(mirror.history().empty());
    EXPECT_EQ(mirror.visibleSurfaceCount(), 0);
    EXPECT_FALSE(mirror.onboardingCompleted());
    EXPECT_FALSE(mirror.isPaused());
    EXPECT_FALSE(mirror.showStatusOnLaunch());
    EXPECT_FALSE(mirror.diagnosticPreview());
    EXPECT_FALSE(mirror.dataActionMessage());
    EXPECT_FALSE(mirror.errorMessage());
    EXPECT_TRUE(h.defaults->persistentDomain("local.test.Kavrinet").value_or(platform::PropertyDictionary{}).empty());
    EXPECT_TRUE(h.backend->calls().empty());
    EXPECT_EQ(h.eventWrites->count() + h.sessionWrites->count(), 0u);
}

TEST(ObserverStore, aMirrorTakesEachStateWholeInOneBatch) {
    StoreHarness h;
    ObserverStore& mirror = h.build(true);
    quentrel::ObserverUIState state = uistate::richState();
    EXPECT_EQ(h.signalsDuring([&] { mirror.applyUIState(state); }), 1);
    EXPECT_EQ(mirror.snapshot().devices.size(), 8u);
    EXPECT_EQ(mirror.selectedID(), state.selectedID);
    EXPECT_EQ(mirror.sampling(), state.sampling);
    EXPECT_EQ(mirror.rememberedTarget(), state.rememberedTarget);
    EXPECT_EQ(mirror.history(), state.recentEvents);
    EXPECT_EQ(mirror.connectionStability(), state.connectionStability);
    EXPECT_EQ(&mirror.selectedIntervals(), &mirror.selectedIntervals());
    EXPECT_EQ(mirror.selectedIntervals(), state.intervals);
    EXPECT_EQ(mirror.sessionSummaries(), state.sessions);
    EXPECT_EQ(mirror.currentSession(), state.currentSession);
    EXPECT_TRUE(mirror.completedSessions().empty());  // kept only in the mirrored state
    EXPECT_TRUE(mirror.loginItem()->enabled());
    EXPECT_EQ(mirror.connectionNotifications()->deliveryStatus(), "알림 허용됨");

    // The same state again is applied again; an empty event list empties the history.
    state.recentEvents.clear();
    state.awaitingFreshSample = true;
    EXPECT_EQ(h.signalsDuring([&] { mirror.applyUIState(state); }), 1);
    EXPECT_TRUE(mirror.history().empty());
    EXPECT_TRUE(mirror.isAwaitingFreshSample());
    EXPECT_TRUE(h.commands.empty());
}

TEST(ObserverStore, theAgentIgnoresAState) {
    StoreHarness h;
    h.started();
    EXPECT_EQ(h.signalsDuring([&] { h.store->applyUIState(uistate::richState()); }), 0);
    EXPECT_TRUE(h.store->snapshot().devices.empty());
    EXPECT_EQ(h.store->sessionSummaries().size(), 0u);
}

TEST(ObserverStore, completeOnboardingPublishesAndStoresEvenWhenAlreadyDone) {
    StoreHarness h;
    h.build();
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(h.signalsDuring([&] { h.store->completeOnboarding(); }), 1);
        EXPECT_TRUE(h.store->onboardingCompleted());
        EXPECT_TRUE(h.defaults->persistentDomain("local.test.Kavrinet")->contains("onboardingCompleted"));
    }
}

TEST(ObserverStore, awaitingAFreshSampleWhileTheSelectedDeviceHasNoneOfThisPeriod) {
    struct Case {
        const char* name;
        bool visible;
        std::vector<DeviceSnapshot> devices;
        bool awaiting;
    } cases[] = {
        {"sampling off", false, {device("driver:1", t0.addingSeconds(-5))}, false},
        {"nothing selected", true, {device("driver:1", t0), device("driver:2", t0)}, true},
        {"measured exactly at the start", true, {device("driver:1", t0)}, false},
        {"measured before the start", true, {device("driver:1", t0.addingSeconds(-0.5))}, true},
    };
    for (const auto& c : cases) {
        StoreHarness h;
        h.started();
        if (c.visible) h.show();
        h.deliver(snapshot(c.devices, t0));
        EXPECT_EQ(h.store->isAwaitingFreshSample(), c.awaiting) << c.name;
    }
}

TEST(ObserverStore, aDeviceCanBeRememberedOnlyWhenItIsRecognisedAsExactlyOne) {
    DeviceSnapshot drive = device("driver:1", t0, {volume("sdb1", true, "U-1")});
    DeviceSnapshot twin = device("driver:2", t0, {volume("sdc1", false, "U-1")});
    DeviceSnapshot bare = device("driver:3", t0, {volume("sdd1", true)});
    struct Case {
        std::vector<DeviceSnapshot> devices;
        std::optional<std::string> select;
        bool can;
    } cases[] = {{{drive}, {}, true}, {{bare}, {}, false}, {{drive, twin}, drive.id, false}, {{drive, bare}, {}, false}};
    for (const auto& c : cases) {
        StoreHarness h;
        h.started();
        h.deliver(snapshot(c.devices, t0));
        if (c.select) h.store->selectDevice(*c.select);
        EXPECT_EQ(h.store->canRememberSelectedTarget(), c.can) << c.devices.size();
    }
}

TEST(ObserverStore, theNewSessionActionEndsTheOpenSessionAndTheNextIntervalOpensAnother) {
    StoreHarness h;
    h.started();
    h.show();
    DeviceSnapshot a = device("driver:1", t0);
    h.deliver(snapshot({a}, h.now()));

    // With no open session: nothing saved, the event still logged.
    std::size_t writes = h.sessionWrites->count();
    h.store->startNewSession();
    EXPECT_TRUE(h.store->completedSessions().empty());
    EXPECT_EQ(h.sessionWrites->count(), writes);
    EXPECT_EQ(h.store->history().front().message, ObserverStore::sessionRestartedEvent);

    h.tick({a});
    h.tick({a}, 1, 4096, 512);
    const auto first = *h.store->sessionAccumulator().current();
    h.store->startNewSession();
    h.time->runUntilIdle();
    ASSERT_EQ(h.store->completedSessions().size(), 1u);
    EXPECT_EQ(h.store->completedSessions()[0].endReason, SessionEndReason::newSession);
    EXPECT_EQ(h.store->completedSessions()[0].bytesRead, 4096u);
    EXPECT_EQ(h.sessionWrites->count(), writes + 1);
    EXPECT_EQ(h.store->sessionAccumulator().current(), std::nullopt);

    h.tick({a});
    ASSERT_TRUE(h.store->sessionAccumulator().current());
    const auto second = *h.store->sessionAccumulator().current();
    EXPECT_NE(second.id, first.id);
    auto summaries = h.store->sessionSummaries();
    ASSERT_EQ(summaries.size(), 2u);
    EXPECT_EQ(summaries[0], second);
    EXPECT_EQ(summaries[1].id, first.id);
}

TEST(ObserverStore, theDefaultMonotonicClockStartsNearZeroAndNeverGoesBack) {
    const double first = ObserverStore::continuousClockSeconds();
    const double second = ObserverStore::continuousClockSeconds();
    EXPECT_GE(first, 0);
    EXPECT_LT(first, 1.0);
    EXPECT_GE(second, first);
}
