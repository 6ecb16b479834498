#include <gtest/gtest.h>

#include "ClientTestSupport.h"
#include "Quentrel/Services/UIStateFixture.h"

using namespace uiclient;
using quentrel::ObserverUICommand;
using quentrel::ObserverUIMessage;
using quentrel::ObserverWindowPresenter;

namespace {

std::string commandJSON(const ObserverUICommand& command) {
    return platform::json::encode(ObserverUIMessage::command(command));
}

}  // namespace

TEST(ObserverUIClient, launchingPreparesThePresenterStartsTheChannelAndSaysReadyFirst) {
    ClientHarness h;
    EXPECT_TRUE(h.channel->started);
    EXPECT_EQ(h.channel->sent, std::vector<std::string>{R"({"ready":{"_0":1}})"});
    EXPECT_EQ(h.presenter->prepared, 1);
    EXPECT_TRUE(h.store().isMirror());
    EXPECT_FALSE(h.client->receivedState());

    // The quick view opens here and sends nothing; quit goes to the agent.
    ObserverWindowPresenter::requestQuickView();
    EXPECT_EQ(h.presenter->localQuickViews, 1);
    EXPECT_FALSE(h.client->quittingProduct());
    ObserverWindowPresenter::requestQuit();
    EXPECT_TRUE(h.client->quittingProduct());
    EXPECT_EQ(h.sentAfterReady(), std::vector<std::string>{commandJSON(ObserverUICommand::make(ObserverUICommand::Case::quit))});
    EXPECT_EQ(h.terminations, 0) << "the UI app ends only on stop or the end of the channel";
}

TEST(ObserverUIClient, onlyAStateWithAGreaterRevisionIsAppliedWithOneSignalEach) {
    ClientHarness h;
    int signals = 0;
    auto connection = h.store().objectWillChange().connect([&] { ++signals; });
    struct Step {
        std::uint64_t revision;
        bool applied;
    } steps[] = {{0, false}, {1, true}, {1, false}, {5, true}, {4, false}, {5, false}, {6, true}};
    std::uint64_t expectedRevision = 0;
    for (const Step& step : steps) {
        quentrel::ObserverUIState state = uistate::richState();
        state.targetStatus = "revision " + std::to_string(step.revision);
        const int before = signals;
        h.deliver(ObserverUIMessage::state(step.revision, state));
        if (step.applied) expectedRevision = step.revision;
        EXPECT_EQ(signals - before, step.applied ? 1 : 0) << step.revision;
        EXPECT_EQ(h.client->revision(), expectedRevision) << step.revision;
        if (step.applied) {
            EXPECT_EQ(h.store().targetStatus(), state.targetStatus);
        }
    }
    EXPECT_TRUE(h.client->receivedState());
    EXPECT_EQ(h.sentAfterReady(), std::vector<std::string>{});
}

TEST(ObserverUIClient, presentationsBreakingTheProtocolEndTheSession) {
    const std::vector<double> anchor{100, 800, 24, 24};
    struct Case {
        const char* name;
        bool stateFirst;
        ObserverUIMessage message;
    } cases[] = {
        {"a present before any state", false, ObserverUIMessage::present(presentation("status"))},
        {"an unknown window", true, ObserverUIMessage::present(presentation("dashboard"))},
        {"an anchor of three numbers", true,
         ObserverUIMessage::present(presentation("quick-view", std::vector<double>{1, 2, 3}))},
        {"an anchor without width", true, ObserverUIMessage::present(presentation("quick-view", std::vector<double>{1, 2, 0, 4}))},
        {"ready", true, ObserverUIMessage::ready(1)},
        {"a command", true, ObserverUIMessage::command(ObserverUICommand::make(ObserverUICommand::Case::refresh))},
        {"retry", true, ObserverUIMessage::retry(presentation("status"))},
        {"closing", true, ObserverUIMessage::closing()},
    };
    for (const Case& c : cases) {
        ClientHarness h;
        if (c.stateFirst) h.deliverState(1);
        h.deliver(c.message);
        EXPECT_TRUE(h.channel->finished) << c.name;
        EXPECT_TRUE(h.presenter->presented.empty()) << c.name;
        EXPECT_EQ(h.terminations, 1) << c.name;

        // What the channel still hands over after it ended is ignored.
        h.deliver(ObserverUIMessage::present(presentation("status")));
        h.deliverState(9);
        EXPECT_TRUE(h.presenter->presented.empty()) << c.name;
        EXPECT_EQ(h.client->revision(), c.stateFirst ? 1u : 0u) << c.name;
    }
}

TEST(ObserverUIClient, validPresentationsAreShownAfterTheFirstState) {
    ClientHarness h;
    h.deliverState(1);
    const auto quick = presentation("quick-view", std::vector<double>{100, 800, 24, 24});
    h.deliver(ObserverUIMessage::present(quick));
    h.deliver(ObserverUIMessage::present(presentation("about")));
    ASSERT_EQ(h.presenter->presented.size(), 2u);
    EXPECT_EQ(h.presenter->presented[0], quick);
    EXPECT_EQ(h.presenter->presented[1].window, "about");
    EXPECT_FALSE(h.channel->finished);
}

TEST(ObserverUIClient, closingIsSentOnceATurnAfterTheLastSurfaceClosed) {
    ClientHarness h;
    // Before the first state nothing ends the session.
    h.presenter->closeSurface();
    h.time->runUntilIdle();
    EXPECT_TRUE(h.sentAfterReady().empty());

    h.deliverState(1);
    h.deliver(ObserverUIMessage::present(presentation("status")));
    h.presenter->closeSurface();
    EXPECT_TRUE(h.sentAfterReady().empty()) << "the check runs one turn later";
    h.presenter->closeSurface();
    h.time->runUntilIdle();
    EXPECT_EQ(h.sentAfterReady(), std::vector<std::string>{closingJSON});
    EXPECT_TRUE(h.client->closing());

    // Never again in this process, whatever opens and closes.
    h.presenter->shown = true;
    h.presenter->closeSurface();
    h.client->applicationDidHide();
    h.time->runUntilIdle();
    EXPECT_EQ(h.sentAfterReady(), std::vector<std::string>{closingJSON});
}

TEST(ObserverUIClient, aSurfaceThatClosesWhileAnotherOpensInTheSameTurnSendsNothing) {
    ClientHarness h;
    h.deliverState(1);
    h.deliver(ObserverUIMessage::present(presentation("quick-view", std::vector<double>{1, 2, 3, 4})));
    h.presenter->closeSurface();  // the panel closes as a window opens from it
    h.presenter->shown = true;
    h.time->runUntilIdle();
    EXPECT_TRUE(h.sentAfterReady().empty());
    EXPECT_FALSE(h.client->closing());
}

TEST(ObserverUIClient, afterClosingStatesAreIgnoredPresentationsComeBackAsRetryAndCommandsAreDropped) {
    ClientHarness h;
    h.deliverState(1);
    h.presenter->closeSurface();
    h.time->runUntilIdle();
    ASSERT_TRUE(h.client->closing());

    h.deliverState(2);
    EXPECT_EQ(h.client->revision(), 1u);
    const auto late = presentation("activity-log");
    h.deliver(ObserverUIMessage::present(late));
    EXPECT_TRUE(h.presenter->presented.empty());
    // The agent would take a command now as a protocol error and drop the queued windows.
    h.store().setPaused(true);
    h.store().surfaceVisibilityChanged(platform::UUID::random(), false);
    h.store().loginItem()->refresh();
    ObserverWindowPresenter::requestQuit();
    EXPECT_TRUE(h.client->quittingProduct());
    EXPECT_EQ(h.sentAfterReady(),
              (std::vector<std::string>{closingJSON, platform::json::encode(ObserverUIMessage::retry(late))}));
    EXPECT_FALSE(h.channel->finished);
}

TEST(ObserverUIClient, hidingClosesEverythingAndThenSendsClosing) {
    ClientHarness h;
    h.deliverState(1);
    h.deliver(ObserverUIMessage::present(presentation("status")));
    h.presenter->onHide();
    EXPECT_EQ(h.presenter->closedAll, 1);
    h.time->runUntilIdle();
    EXPECT_EQ(h.sentAfterReady(), std::vector<std::string>{closingJSON});
}

TEST(ObserverUIClient, stopTerminatesOnceTheQueueIsWritten) {
    ClientHarness h;
    h.deliverState(1);
    h.deliver(ObserverUIMessage::stop());
    EXPECT_EQ(h.terminations, 0);
    ASSERT_EQ(h.channel->flushActions.size(), 1u);
    h.channel->flushActions.front()();  // on the writer, once all is written
    EXPECT_EQ(h.terminations, 0) << "termination runs on the main queue";
    h.time->runUntilIdle();
    EXPECT_EQ(h.terminations, 1);
}

TEST(ObserverUIClient, theEndOfTheChannelTerminatesAndSilencesTheSink) {
    ClientHarness h;
    h.deliverState(1);
    h.channel->ended();  // end of input: the agent has gone
    h.store().setPaused(true);
    h.time->runUntilIdle();
    EXPECT_EQ(h.terminations, 1);
    EXPECT_TRUE(h.sentAfterReady().empty());
}

// Every mutator of the client's mirror and of its two services is one command on the channel, and
// nothing of the mirror changes until the agent's next state.
TEST(ObserverUIClient, theMirrorForwardsEveryMutatorAsOneCommand) {
    using Case = ObserverUICommand::Case;
    using quentrel::ObserverStore;
    const platform::UUID surface = uistate::uuid(7);
    struct Row {
        std::function<void(ObserverStore&)> act;
        ObserverUICommand command;
    } rows[] = {
        {[](ObserverStore& s) { s.selectDevice("driver:4294968001"); }, ObserverUICommand::select("driver:4294968001")},
        {[&](ObserverStore& s) { s.surfaceVisibilityChanged(surface, true); }, ObserverUICommand::surface(surface, true)},
        {[](ObserverStore& s) { s.setPaused(true); }, ObserverUICommand::withFlag(Case::pause, true)},
        {[](ObserverStore& s) { s.setBackgroundPolling(true); }, ObserverUICommand::withFlag(Case::background, true)},
        {[](ObserverStore& s) { s.setShowStatusOnLaunch(true); }, ObserverUICommand::withFlag(Case::showOnLaunch, true)},
        {[](ObserverStore& s) { s.setConnectionNotifications(false); }, ObserverUICommand::withFlag(Case::notifications, false)},
        {[](ObserverStore& s) { s.completeOnboarding(); }, ObserverUICommand::make(Case::completeOnboarding)},
        {[](ObserverStore& s) { s.rememberSelectedTarget(); }, ObserverUICommand::make(Case::remember)},
        {[](ObserverStore& s) { s.forgetTarget(); }, ObserverUICommand::make(Case::forget)},
        {[](ObserverStore& s) { s.resetObservationPreferences(); }, ObserverUICommand::make(Case::reset)},
        {[](ObserverStore& s) { s.undoObservationReset(); }, ObserverUICommand::make(Case::undoReset)},
        {[](ObserverStore& s) { s.clearEventHistory(); }, ObserverUICommand::make(Case::clearEvents)},
        {[](ObserverStore& s) { s.undoHistoryClear(); }, ObserverUICommand::make(Case::undoEvents)},
        {[](ObserverStore& s) { s.clearSessionHistory(); }, ObserverUICommand::make(Case::clearSessions)},
        {[](ObserverStore& s) { s.undoSessionClear(); }, ObserverUICommand::make(Case::undoSessions)},
        {[](ObserverStore& s) { s.prepareDiagnostics(); }, ObserverUICommand::make(Case::prepareDiagnostics)},
        {[](ObserverStore& s) { s.discardDiagnosticsPreview(); }, ObserverUICommand::make(Case::discardDiagnostics)},
        {[](ObserverStore& s) { s.copyDiagnostics(); }, ObserverUICommand::make(Case::copyDiagnostics)},
        {[](ObserverStore& s) { s.saveDiagnostics(); }, ObserverUICommand::make(Case::saveDiagnostics)},
        {[](ObserverStore& s) { s.revealSelectedVolume(); }, ObserverUICommand::make(Case::revealVolume)},
        {[](ObserverStore& s) { s.startNewSession(); }, ObserverUICommand::make(Case::newSession)},
        {[](ObserverStore& s) { s.loginItem()->setEnabled(true); }, ObserverUICommand::withFlag(Case::login, true)},
        {[](ObserverStore& s) { s.loginItem()->refresh(); }, ObserverUICommand::make(Case::refreshLogin)},
        {[](ObserverStore& s) { s.connectionNotifications()->setEnabled(true); },
         ObserverUICommand::withFlag(Case::notifications, true)},
        {[](ObserverStore& s) { s.connectionNotifications()->refreshPermission(); },
         ObserverUICommand::make(Case::refreshNotifications)},
        {[](ObserverStore& s) { s.connectionNotifications()->sendTest(); }, ObserverUICommand::make(Case::testNotification)},
    };
    ClientHarness h;
    h.deliverState(1);
    h.deliver(ObserverUIMessage::state(2, uistate::richState()));
    ObserverStore& mirror = h.store();
    const std::string before = platform::json::encode(mirror.makeUIState());
    int signals = 0;
    auto connection = mirror.objectWillChange().connect([&] { ++signals; });
    for (const Row& row : rows) {
        h.channel->sent.clear();
        row.act(mirror);
        h.time->runUntilIdle();
        EXPECT_EQ(h.channel->sent, std::vector<std::string>{commandJSON(row.command)})
            << ObserverUICommand::caseName(row.command.kind);
    }
    EXPECT_EQ(signals, 0);
    EXPECT_EQ(platform::json::encode(mirror.makeUIState()), before);
}
