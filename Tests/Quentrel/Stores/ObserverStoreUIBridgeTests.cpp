#include <gtest/gtest.h>

#include <algorithm>

#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "StoreHarness.h"

using namespace storetest;
using platform::Date;
using quentrel::ObserverUICommand;
using quentrel::ObserverUIState;
using quentrel::ObserverWindowPresenter;
using wendmark::DeviceSnapshot;
using Case = ObserverUICommand::Case;
using LoginCall = FakeLoginItemRegistry::Call;
using NoticeCall = FakeConnectionNotificationBackend::Call;

namespace {

const Date t0{kStoreStart};
const DeviceSnapshot drive = device("driver:1", t0, {volume("sdb1", true, "U-1")});
const DeviceSnapshot other = device("driver:2", t0, {volume("sdc1", true, "U-2")});

platform::UUID surfaceID(std::uint8_t n) {
    platform::UUID id;
    id.bytes[15] = n;
    return id;
}

// Counts the quick-view and quit hooks; puts the hooks back afterwards.
struct Hooks {
    int quickViews = 0;
    int quits = 0;
    Hooks() {
        ObserverWindowPresenter::quickView = [this] { ++quickViews; };
        ObserverWindowPresenter::quit = [this] { ++quits; };
        ObserverWindowPresenter::show = [](const std::string&) {};
    }
    ~Hooks() { ObserverWindowPresenter::resetToDefaults(); }
};

}  // namespace

TEST(ObserverStoreUIBridge, everyCommandReachesItsOperation) {
    struct Row {
        ObserverUICommand command;
        std::function<void(StoreHarness&)> before;
        std::function<bool(StoreHarness&, const Hooks&)> done;
    };
    auto none = [](StoreHarness&) {};
    const Row rows[] = {
        {ObserverUICommand::select(other.id), none, [](StoreHarness& h, auto&) { return h.store->selectedID() == other.id; }},
        {ObserverUICommand::make(Case::completeOnboarding), none,
         [](StoreHarness& h, auto&) { return h.store->onboardingCompleted(); }},
        {ObserverUICommand::surface(surfaceID(3), true), none,
         [](StoreHarness& h, auto&) { return h.store->visibleSurfaceCount() == 2; }},
        {ObserverUICommand::withFlag(Case::pause, true), none, [](StoreHarness& h, auto&) { return h.store->isPaused(); }},
        {ObserverUICommand::make(Case::refresh), none,
         [](StoreHarness& h, auto&) { return h.inventory().calls.back() == "refresh"; }},
        {ObserverUICommand::withFlag(Case::background, true), none,
         [](StoreHarness& h, auto&) { return h.store->backgroundPolling(); }},
        {ObserverUICommand::withFlag(Case::showOnLaunch, true), none,
         [](StoreHarness& h, auto&) { return h.store->showStatusOnLaunch(); }},
        {ObserverUICommand::make(Case::remember), [](StoreHarness& h) { h.store->selectDevice(drive.id); },
         [](StoreHarness& h, auto&) { return h.store->rememberedTarget().has_value(); }},
        {ObserverUICommand::make(Case::forget), none,
         [](StoreHarness& h, auto&) { return h.store->history().front().message == ObserverStore::targetForgottenEvent; }},
        {ObserverUICommand::make(Case::reset), none,
         [](StoreHarness& h, auto&) { return h.store->canUndoObservationReset(); }},
        {ObserverUICommand::make(Case::undoReset), [](StoreHarness& h) { h.store->resetObservationPreferences(); },
         [](StoreHarness& h, auto&) { return h.store->dataActionMessage() == ObserverStore::preferencesRestoredMessage; }},
        {ObserverUICommand::make(Case::clearEvents), none, [](StoreHarness& h, auto&) { return h.store->history().empty(); }},
        {ObserverUICommand::make(Case::undoEvents), [](StoreHarness& h) { h.store->clearEventHistory(); },
         [](StoreHarness& h, auto&) { return !h.store->history().empty() && !h.store->canUndoHistoryClear(); }},
        {ObserverUICommand::make(Case::clearSessions), [](StoreHarness& h) { h.store->startNewSession(); },
         [](StoreHarness& h, auto&) { return h.store->canUndoSessionClear(); }},
        {ObserverUICommand::make(Case::undoSessions),
         [](StoreHarness& h) {
             h.store->startNewSession();
             h.store->clearSessionHistory();
         },
         [](StoreHarness& h, auto&) { return h.store->completedSessions().size() == 1; }},
        {ObserverUICommand::make(Case::newSession), none,
         [](StoreHarness& h, auto&) {
             return h.store->completedSessions().size() == 1 &&
                    h.store->history().front().message == ObserverStore::sessionRestartedEvent;
         }},
        {ObserverUICommand::withFlag(Case::notifications, true), none,
         [](StoreHarness& h, auto&) { return h.store->connectionNotifications()->enabled(); }},
        {ObserverUICommand::make(Case::refreshNotifications), [](StoreHarness& h) { h.backend->clearCalls(); },
         [](StoreHarness& h, auto&) { return h.calls(NoticeCall::permission) == 1; }},
        {ObserverUICommand::make(Case::testNotification),
         [](StoreHarness& h) {
             h.store->setConnectionNotifications(true);
             h.time->runUntilIdle();
         },
         [](StoreHarness& h, auto&) { return h.calls(NoticeCall::submitTest) == 1; }},
        {ObserverUICommand::withFlag(Case::login, true), none,
         [](StoreHarness& h, auto&) { return h.loginItems->count(LoginCall::registerMainApp) == 1; }},
        {ObserverUICommand::make(Case::refreshLogin), [](StoreHarness& h) { h.loginItems->calls.clear(); },
         [](StoreHarness& h, auto&) { return h.loginItems->count(LoginCall::status) == 1; }},
        {ObserverUICommand::make(Case::approvalSettings), none,
         [](StoreHarness& h, auto&) { return h.loginItems->count(LoginCall::openLoginItemsSettings) == 1; }},
        {ObserverUICommand::make(Case::prepareDiagnostics), none,
         [](StoreHarness& h, auto&) { return h.store->diagnosticPreview().has_value(); }},
        {ObserverUICommand::make(Case::discardDiagnostics), [](StoreHarness& h) { h.store->prepareDiagnostics(); },
         [](StoreHarness& h, auto&) { return !h.store->diagnosticPreview(); }},
        {ObserverUICommand::make(Case::copyDiagnostics), [](StoreHarness& h) { h.store->prepareDiagnostics(); },
         [](StoreHarness& h, auto&) { return h.pasteboard->contents.has_value(); }},
        {ObserverUICommand::make(Case::saveDiagnostics), [](StoreHarness& h) { h.store->prepareDiagnostics(); },
         [](StoreHarness& h, auto&) { return h.panels->made.size() == 1; }},
        {ObserverUICommand::make(Case::revealVolume), none,
         [](StoreHarness& h, auto&) { return h.browser->opened == std::vector<std::string>{"/media/user/Data"}; }},
        {ObserverUICommand::make(Case::quickView), none, [](StoreHarness&, const Hooks& k) { return k.quickViews == 1; }},
        {ObserverUICommand::make(Case::quit), none, [](StoreHarness&, const Hooks& k) { return k.quits == 1; }},
    };
    ASSERT_EQ(std::size(rows), 29u);
    for (const auto& row : rows) {
        const std::string name(ObserverUICommand::caseName(row.command.kind));
        Hooks hooks;
        StoreHarness h;
        rememberInDefaults(*h.defaults, targetOf(drive));
        h.started();
        h.show();
        h.deliver(snapshot({drive, other}, h.now(), ++h.revision));
        h.tick({drive, other}, 1, 4096);
        h.tick({drive, other}, 1, 4096);
        row.before(h);
        h.store->handleUICommand(row.command);
        h.time->runUntilIdle();
        EXPECT_TRUE(row.done(h, hooks)) << name;
        EXPECT_EQ(hooks.quickViews, row.command.kind == Case::quickView ? 1 : 0) << name;
        EXPECT_EQ(hooks.quits, row.command.kind == Case::quit ? 1 : 0) << name;
    }
}

TEST(ObserverStoreUIBridge, refreshRunsOnlyWhileObservingAwakeAndUnpaused) {
    const struct {
        const char* name;
        bool start, paused, asleep, refreshes;
    } cases[] = {
        {"observing", true, false, false, true},
        {"paused", true, true, false, false},
        {"asleep", true, false, true, false},
        {"not started", false, false, false, false},
    };
    for (const auto& c : cases) {
        StoreHarness h;
        c.start ? h.started() : h.build();
        if (c.paused) h.store->setPaused(true);
        if (c.asleep) h.store->handleSystemSleep();
        const std::size_t events = h.store->history().size();
        h.store->handleUICommand(ObserverUICommand::make(ObserverUICommand::Case::refresh));
        const std::ptrdiff_t refreshes =
            h.inventories->empty() ? 0 : std::count(h.inventory().calls.begin(), h.inventory().calls.end(), "refresh");
        EXPECT_EQ(refreshes, c.refreshes ? 1 : 0) << c.name;
        EXPECT_EQ(h.store->history().size(), events) << c.name;
    }
}

TEST(ObserverStoreUIBridge, anEndedUIAppLeavesNoVisibleSurfaceNoPreviewAndNoProcessID) {
    StoreHarness h;
    h.started();
    h.show(1);
    h.show(2);
    ASSERT_TRUE(h.store->sampling().enabled);
    h.store->recordUIProcessLaunch(t0);
    h.store->setUIProcessID(4242);
    h.store->prepareDiagnostics();
    h.store->saveDiagnostics();

    h.store->uiProcessEnded();
    EXPECT_EQ(h.store->visibleSurfaceCount(), 0);
    EXPECT_FALSE(h.store->sampling().enabled);
    EXPECT_EQ(h.inventory().calls.back(), "setSampling(false,30)");
    EXPECT_FALSE(h.store->diagnosticPreview());
    EXPECT_EQ(h.panels->last()->cancelCount, 1);
    EXPECT_FALSE(h.store->uiProcessID());
    EXPECT_EQ(h.store->uiProcessLaunchCount(), 1);
    EXPECT_EQ(h.store->lastUIProcessStartedAt(), t0);

    // A surface the old UI app reports again counts anew.
    h.show(1);
    EXPECT_EQ(h.store->visibleSurfaceCount(), 1);
}

TEST(ObserverStoreUIBridge, theStateCarriesEveryFieldAndTheRunningSessionTwice) {
    StoreHarness h;
    h.loginItems->currentStatus = platform::LoginItemRegistry::enabled;
    h.started();
    h.store->resetObservationPreferences();  // undoable for the rest of the run
    h.show();
    h.deliver(snapshot({drive}, h.now(), ++h.revision));
    h.store->rememberSelectedTarget();
    h.store->setShowStatusOnLaunch(true);
    h.store->setBackgroundPolling(true);
    h.store->completeOnboarding();
    h.store->setConnectionNotifications(true);
    h.tick({drive}, 1, 4096);
    h.tick({drive}, 1, 4096);
    h.store->startNewSession();
    ASSERT_TRUE(h.store->clearSessionHistory());
    ASSERT_TRUE(h.store->clearEventHistory());
    h.tick({drive}, 1, 4096);
    h.tick({drive}, 1, 4096);
    h.store->startNewSession();
    h.tick({drive}, 1, 4096);
    h.store->prepareDiagnostics();
    h.pasteboard->refuses = true;
    h.store->copyDiagnostics();
    h.time->runUntilIdle();

    const ObserverStore& s = *h.store;
    const ObserverUIState state = s.makeUIState();
    EXPECT_EQ(platform::json::encode(state.snapshot), platform::json::encode(s.snapshot()));
    EXPECT_EQ(state.snapshot.revision, h.revision);
    EXPECT_EQ(state.selectedID, drive.id);
    EXPECT_EQ(state.isPaused, s.isPaused());
    EXPECT_EQ(state.isSystemSleeping, s.isSystemSleeping());
    EXPECT_EQ(state.errorMessage, ObserverStore::diagnosticCopyFailedError);
    EXPECT_EQ(state.sampling, s.sampling());
    EXPECT_EQ(state.visibleSurfaceCount, 1);
    EXPECT_EQ(state.rememberedTarget, s.rememberedTarget());
    EXPECT_TRUE(state.rememberedTarget);
    EXPECT_EQ(state.targetStatus, s.targetStatus());
    EXPECT_TRUE(state.backgroundPolling);
    EXPECT_TRUE(state.showStatusOnLaunch);
    EXPECT_TRUE(state.onboardingCompleted);
    EXPECT_EQ(state.historyReferenceDate, s.historyReferenceDate());
    EXPECT_EQ(state.diagnosticPreview, s.diagnosticPreview());
    EXPECT_TRUE(state.diagnosticPreview);
    EXPECT_EQ(state.eventStorageStatus, s.eventStorageStatus());
    EXPECT_TRUE(state.canUndoHistoryClear);
    EXPECT_TRUE(state.canUndoObservationReset);
    EXPECT_EQ(state.dataActionMessage, ObserverStore::eventsClearedMessage);
    EXPECT_EQ(state.dataActionFailed, s.dataActionFailed());
    EXPECT_EQ(state.recentEvents, s.history());
    EXPECT_FALSE(state.recentEvents.empty());
    EXPECT_EQ(state.intervals, s.selectedIntervals());
    EXPECT_FALSE(state.intervals.empty());
    ASSERT_TRUE(state.currentSession);
    ASSERT_EQ(state.sessions.size(), 2u);
    EXPECT_EQ(state.sessions.front(), *state.currentSession);
    EXPECT_EQ(state.sessions[1], s.completedSessions().front());
    EXPECT_EQ(state.sessionStorageStatus, s.sessionStorageStatus());
    EXPECT_TRUE(state.canUndoSessionClear);
    EXPECT_EQ(state.connectionStability, s.connectionStability());
    EXPECT_EQ(state.awaitingFreshSample, s.isAwaitingFreshSample());
    EXPECT_TRUE(state.loginEnabled);
    EXPECT_EQ(state.loginRequiresApproval, s.loginItem()->requiresApproval());
    EXPECT_EQ(state.loginBusy, s.loginItem()->isBusy());
    EXPECT_EQ(state.loginStatus, s.loginItem()->statusText());
    EXPECT_EQ(state.loginError, s.loginItem()->error());
    EXPECT_TRUE(state.noticesEnabled);
    EXPECT_EQ(state.noticesBusy, s.connectionNotifications()->busy());
    EXPECT_EQ(state.noticePermission, quentrel::NoticePermission::allowed);
    EXPECT_EQ(state.noticeStatus, s.connectionNotifications()->deliveryStatus());

    // Through the pipe's coding into a mirror and out again: nothing lost on the way.
    const std::string json = platform::json::encode(state);
    const ObserverUIState received = platform::json::decode<ObserverUIState>(json);
    StoreHarness ui;
    ObserverStore& mirror = ui.build(true);
    mirror.applyUIState(received);
    EXPECT_EQ(platform::json::encode(mirror.makeUIState()), json);
}

TEST(ObserverStoreUIBridge, aNewSessionCommandLogsItsEventAlsoWithNoSessionRunning) {
    StoreHarness h;
    h.started();
    ASSERT_FALSE(h.store->currentSession());
    const std::size_t writes = h.sessionWrites->count();
    h.store->handleUICommand(ObserverUICommand::make(ObserverUICommand::Case::newSession));
    h.time->runUntilIdle();
    EXPECT_EQ(h.store->history().front().message, ObserverStore::sessionRestartedEvent);
    EXPECT_TRUE(h.store->completedSessions().empty());
    EXPECT_EQ(h.sessionWrites->count(), writes);
}
