#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Doubles/FakeSessionChannel.h"
#include "Doubles/FakeUIProcessSpawner.h"
#include "Quentrel/App/Agent/ObserverBackgroundDelegate.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Stores/StoreHarness.h"

namespace {

using quentrel::ObserverBackgroundDelegate;
using quentrel::ObserverUICommand;
using quentrel::ObserverUIMessage;
using quentrel::ObserverUIPresentation;
using quentrel::ScreenRect;
using Case = ObserverUIMessage::Case;

ObserverUIMessage pauseCommand() {
    return ObserverUIMessage::command(ObserverUICommand::withFlag(ObserverUICommand::Case::pause, true));
}
ObserverUIMessage refreshCommand() {
    return ObserverUIMessage::command(ObserverUICommand::make(ObserverUICommand::Case::refresh));
}

class FixedStatusItem final : public quentrel::AgentStatusItem {
public:
    explicit FixedStatusItem(std::optional<ScreenRect>* frame) : frame_(frame) {}
    std::optional<ScreenRect> buttonFrame() const override { return *frame_; }

private:
    std::optional<ScreenRect>* frame_;
};

// The delegate on the store harness (virtual time), a fake spawner and fake channels.
struct DelegateHarness {
    storetest::StoreHarness store;
    std::shared_ptr<FakeUIProcessSpawner> spawner = std::make_shared<FakeUIProcessSpawner>();
    std::vector<std::shared_ptr<FakeSessionChannel>> channels;
    int alerts = 0;
    int terminations = 0;
    bool withStatusItem = true;
    bool hasDisplay = true;
    std::optional<ScreenRect> buttonFrame;
    std::optional<ScreenRect> visibleFrame = ScreenRect{0, 0, 1280, 776};
    wendmark::AppLaunchCause cause = wendmark::AppLaunchCause::loginItem;
    std::shared_ptr<ObserverBackgroundDelegate> delegate;

    DelegateHarness() {
        quentrel::ApplicationTermination::terminate = [this] { ++terminations; };
    }
    ~DelegateHarness() {
        delegate.reset();
        quentrel::ObserverWindowPresenter::resetToDefaults();
        quentrel::ApplicationTermination::terminate = quentrel::ApplicationTermination::exitProcess;
    }

    ObserverBackgroundDelegate& launch() {
        store.build();
        ObserverBackgroundDelegate::Environment environment;
        environment.store = store.store;
        environment.mainQueue = store.main;
        environment.spawner = spawner;
        environment.uiExecutable = ObserverBackgroundDelegate::uiExecutable("/opt/Kavrinet.app");
        environment.makeChannel = [this](int input, int output, auto receive, auto ended) {
            channels.push_back(std::make_shared<FakeSessionChannel>(store.main, input, output, std::move(receive),
                                                                    std::move(ended)));
            return channels.back();
        };
        if (withStatusItem)
            environment.makeStatusItem = [this](quentrel::AgentStatusItem::Events) {
                return std::make_unique<FixedStatusItem>(&buttonFrame);
            };
        environment.hasDisplay = hasDisplay;
        environment.log = platform::Logger("test", "UISession");  // into the store harness's capture
        environment.mainScreenVisibleFrame = [this] { return visibleFrame; };
        environment.showLaunchFailure = [this] { ++alerts; };
        environment.launchCause = [this] { return cause; };
        environment.now = [this] { return store.now(); };
        delegate = ObserverBackgroundDelegate::make(std::move(environment));
        delegate->applicationDidFinishLaunching();
        run();
        return *delegate;
    }

    void run() { store.time->runUntilIdle(); }
    FakeSessionChannel& channel() { return *channels.back(); }
    FakeUIProcess& process() { return *spawner->processes.back(); }
    void fromUI(const ObserverUIMessage& message) {
        channel().deliver(message);
        run();
    }
    void ready() { fromUI(ObserverUIMessage::ready(1)); }
    // The UI app's pipe ends (it exited).
    void uiEnds() {
        channel().finish();
        run();
    }
    void present(const std::string& window) {
        quentrel::ObserverWindowPresenter::requestShow(window);
        run();
    }
    // Windows of the present messages sent on `c`, in order.
    static std::vector<std::string> presented(const FakeSessionChannel& c) {
        std::vector<std::string> windows;
        for (const auto& m : c.sent)
            if (auto p = m.get<ObserverUIMessage::Present>()) windows.push_back(p->presentation.window);
        return windows;
    }
    static std::vector<std::uint64_t> revisions(const FakeSessionChannel& c) {
        std::vector<std::uint64_t> out;
        for (const auto& m : c.sent)
            if (auto s = m.get<ObserverUIMessage::State>()) out.push_back(s->revision);
        return out;
    }
};

TEST(ObserverBackgroundDelegate, ALoginLaunchStartsObservingSilentlyAndAManualFirstLaunchStartsTheUIAppWithWelcome) {
    DelegateHarness login;
    login.launch();
    EXPECT_TRUE(login.store.store->onDemandUIEnabled());
    EXPECT_EQ(login.store.inventory().calls.front(), "start");
    EXPECT_TRUE(login.spawner->executables.empty());
    EXPECT_NE(login.delegate->statusItem(), nullptr);

    DelegateHarness manual;
    manual.cause = wendmark::AppLaunchCause::manualOrUnknown;
    manual.launch();
    ASSERT_EQ(manual.spawner->executables.size(), 1u);
    EXPECT_EQ(manual.spawner->executables[0],
              "/opt/Kavrinet.app/Contents/Helpers/KavrinetUI.app/Contents/MacOS/KavrinetUI");
    EXPECT_EQ(manual.channel().starts, 1);
    EXPECT_EQ(manual.channel().input, 102);  // the spawner's descriptors
    EXPECT_EQ(manual.channel().output, 103);
    EXPECT_EQ(manual.store.store->uiProcessLaunchCount(), 1);
    EXPECT_EQ(manual.store.store->uiProcessID(), 4000);
    EXPECT_EQ(manual.store.store->lastUIProcessStartedAt(), manual.store.now());
    EXPECT_TRUE(manual.channel().sent.empty());  // nothing before ready
    ASSERT_EQ(manual.delegate->pending().size(), 1u);
    EXPECT_EQ(manual.delegate->pending()[0].window, "welcome");
}

TEST(ObserverBackgroundDelegate, ReadySendsTheStateThenTheFirstEightRequestsInOrder) {
    DelegateHarness h;
    h.launch();
    const std::vector<std::string> windows = {"status",   "settings", "help",       "about",         "activity-log",
                                              "welcome", "data-management", "device-details", "connection-summary"};
    for (const auto& window : windows) h.present(window);
    EXPECT_EQ(h.spawner->processes.size(), 1u);  // one UI app for all of them
    h.present("no-such-window");                 // invalid: dropped without a message
    h.ready();
    ASSERT_FALSE(h.channel().sent.empty());
    EXPECT_EQ(h.channel().sent[0].kind(), Case::state);
    EXPECT_EQ(DelegateHarness::revisions(h.channel()), std::vector<std::uint64_t>{1});
    EXPECT_EQ(DelegateHarness::presented(h.channel()), std::vector<std::string>(windows.begin(), windows.begin() + 8));
    EXPECT_TRUE(h.delegate->pending().empty());
}

TEST(ObserverBackgroundDelegate, ChangesWithinOneTurnMakeOneStateAndNoneWhileNoUIAppIsReady) {
    DelegateHarness h;
    h.launch();
    h.store.store->setPaused(true);
    h.run();
    h.present("status");
    EXPECT_TRUE(h.channel().sent.empty());
    h.ready();
    const std::size_t afterReady = h.channel().sent.size();  // state, present
    h.store.store->setPaused(false);
    h.store.store->setBackgroundPolling(true);
    h.store.store->loginItem()->refresh();
    h.run();
    ASSERT_EQ(h.channel().sent.size(), afterReady + 1);
    EXPECT_EQ(DelegateHarness::revisions(h.channel()), (std::vector<std::uint64_t>{1, 2}));
    const auto& state = h.channel().sent.back().get<ObserverUIMessage::State>()->state;
    EXPECT_TRUE(state.backgroundPolling);  // built after the changes, on a later turn
    EXPECT_FALSE(state.isPaused);
}

TEST(ObserverBackgroundDelegate, ACommandRunsInTheStoreAndSchedulesAState) {
    DelegateHarness h;
    h.launch();
    h.present("status");
    h.ready();
    const std::size_t before = h.channel().sent.size();
    h.fromUI(pauseCommand());
    EXPECT_TRUE(h.store.store->isPaused());
    EXPECT_EQ(h.channel().sent.size(), before + 1);
    EXPECT_EQ(h.channel().sent.back().kind(), Case::state);

    h.fromUI(ObserverUIMessage::command(ObserverUICommand::make(ObserverUICommand::Case::quit)));
    EXPECT_EQ(h.terminations, 1);
}

TEST(ObserverBackgroundDelegate, ProtocolErrorsEndTheSessionFromTheAgentsSide) {
    const ObserverUIPresentation status{"status", std::nullopt};
    struct Row {
        const char* name;
        std::vector<ObserverUIMessage> before;  // accepted first
        ObserverUIMessage offending;
    };
    const std::vector<Row> rows = {
        {"ready with version 2", {}, ObserverUIMessage::ready(2)},
        {"second ready", {ObserverUIMessage::ready(1)}, ObserverUIMessage::ready(1)},
        {"command before ready", {}, refreshCommand()},
        {"command while closing",
         {ObserverUIMessage::ready(1), ObserverUIMessage::closing()},
         refreshCommand()},
        {"closing before ready", {}, ObserverUIMessage::closing()},
        {"second closing", {ObserverUIMessage::ready(1), ObserverUIMessage::closing()}, ObserverUIMessage::closing()},
        {"retry while not closing", {ObserverUIMessage::ready(1)}, ObserverUIMessage::retry(status)},
        {"invalid retry",
         {ObserverUIMessage::ready(1), ObserverUIMessage::closing()},
         ObserverUIMessage::retry({"quick-view", std::vector<double>{0, 0, 0, 24}})},
        {"state", {ObserverUIMessage::ready(1)}, ObserverUIMessage::state(9, {})},
        {"present", {ObserverUIMessage::ready(1)}, ObserverUIMessage::present(status)},
        {"stop", {ObserverUIMessage::ready(1)}, ObserverUIMessage::stop()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DelegateHarness h;
        h.launch();
        h.present("status");
        for (const auto& m : row.before) h.channel().deliver(m);
        h.present("settings");  // queued while starting or closing
        h.channel().deliver(row.offending);
        // Later messages of the session: neither a command nor a relaunch comes of them.
        h.channel().deliver(pauseCommand());
        h.channel().deliver(ObserverUIMessage::closing());
        h.channel().deliver(ObserverUIMessage::retry(status));
        // A request after the error, before the end is heard: it waits, and goes with the session.
        h.store.main->async([] { quentrel::ObserverWindowPresenter::requestShow("about"); });
        h.run();
        EXPECT_TRUE(h.channel().finished);
        EXPECT_FALSE(h.store.store->isPaused());
        EXPECT_FALSE(h.delegate->hasProcess());
        EXPECT_FALSE(h.delegate->hasChannel());
        EXPECT_TRUE(h.delegate->pending().empty());
        EXPECT_EQ(h.spawner->processes.size(), 1u);
        EXPECT_EQ(h.process().terminations, 1);
    }
}

TEST(ObserverBackgroundDelegate, RequestsWhileClosingAndRetriesAreShownByAFreshUIApp) {
    DelegateHarness h;
    h.launch();
    h.present("status");
    h.ready();
    h.fromUI(ObserverUIMessage::closing());
    EXPECT_EQ(h.channel().sent.back().kind(), Case::stop);
    h.present("settings");  // requested while closing
    for (int i = 0; i < 8; ++i) h.fromUI(ObserverUIMessage::retry({"help", std::nullopt}));
    EXPECT_EQ(h.delegate->pending().size(), 8u);  // the ninth was dropped
    EXPECT_EQ(h.spawner->processes.size(), 1u);
    const std::uint64_t lastRevision = h.delegate->revision();

    auto& old = h.channel();
    h.process().running = false;  // already collected: no signal goes to its number
    h.uiEnds();
    EXPECT_EQ(h.spawner->processes[0]->terminations, 0);
    ASSERT_EQ(h.spawner->processes.size(), 2u);
    ASSERT_NE(&h.channel(), &old);
    h.ready();
    EXPECT_EQ(DelegateHarness::revisions(h.channel()), std::vector<std::uint64_t>{lastRevision + 1});
    std::vector<std::string> expected{"settings"};
    expected.insert(expected.end(), 7, "help");
    EXPECT_EQ(DelegateHarness::presented(h.channel()), expected);

    // A message of the earlier session is ignored.
    old.deliver(pauseCommand());
    h.run();
    EXPECT_FALSE(h.store.store->isPaused());
}

TEST(ObserverBackgroundDelegate, AUIAppThatEndsAnyOtherWayDropsItsQueueAndStartsNothing) {
    DelegateHarness h;
    h.launch();
    h.present("status");
    h.present("settings");
    h.uiEnds();  // before ready
    EXPECT_TRUE(h.delegate->pending().empty());
    EXPECT_EQ(h.spawner->processes.size(), 1u);
    EXPECT_EQ(h.process().terminations, 1);  // still running when its pipe ended
    EXPECT_EQ(h.store.store->uiProcessID(), std::nullopt);
    // A late message of the ended session finds nothing to act on.
    h.fromUI(ObserverUIMessage::ready(1));
    EXPECT_FALSE(h.delegate->isReady());
    EXPECT_TRUE(h.channel().sent.empty());

    h.present("help");  // the next request starts a new UI app
    EXPECT_EQ(h.spawner->processes.size(), 2u);
    EXPECT_EQ(h.store.store->uiProcessLaunchCount(), 2);
}

TEST(ObserverBackgroundDelegate, AFailedSendEndsTheSessionFromTheAgentsSide) {
    // The stop for closing cannot go out: a later retry is not taken and nothing is relaunched.
    DelegateHarness closing;
    closing.launch();
    closing.present("status");
    closing.ready();
    closing.channel().failSends = true;
    closing.fromUI(ObserverUIMessage::closing());
    closing.fromUI(ObserverUIMessage::retry({"help", std::nullopt}));
    EXPECT_FALSE(closing.delegate->hasProcess());
    EXPECT_TRUE(closing.delegate->pending().empty());
    EXPECT_EQ(closing.spawner->processes.size(), 1u);

    // The first state cannot go out: a command that follows does not run.
    DelegateHarness ready;
    ready.launch();
    ready.present("status");
    ready.channel().failSends = true;
    ready.channel().deliver(ObserverUIMessage::ready(1));
    ready.channel().deliver(pauseCommand());
    ready.run();
    EXPECT_FALSE(ready.store.store->isPaused());
    EXPECT_FALSE(ready.delegate->hasProcess());
}

// The system describes a failed login-item change in its own character set (here EUC-KR): the
// state that carries the description still goes out, and the UI app stays connected.
TEST(ObserverBackgroundDelegate, ALoginFailureInAnotherCharacterSetKeepsTheSession) {
    const std::string prefix = "로그인 항목을 등록하지 못했습니다: ";
    DelegateHarness h;
    h.launch();
    h.present("settings");
    h.ready();
    h.store.loginItems->registerError = prefix + "\xB5\xF0\xB7\xBA\xC5\xCD\xB8\xAE";
    h.fromUI(ObserverUIMessage::command(ObserverUICommand::withFlag(ObserverUICommand::Case::login, true)));
    h.fromUI(pauseCommand());  // and a later state too
    ASSERT_FALSE(h.channel().finished);
    EXPECT_EQ(DelegateHarness::revisions(h.channel()), (std::vector<std::uint64_t>{1, 2, 3}));
    const std::optional<std::string> shown = h.channel().sent.back().get<ObserverUIMessage::State>()->state.loginError;
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->starts_with(prefix + "\uFFFD")) << *shown;
}

TEST(ObserverBackgroundDelegate, AFailedStartShowsTheAlertOnceDropsTheQueueAndRetriesOnlyOnTheNextRequest) {
    DelegateHarness h;
    h.spawner->failing = true;
    h.launch();
    h.present("status");
    EXPECT_EQ(h.alerts, 1);
    EXPECT_TRUE(h.delegate->pending().empty());
    EXPECT_FALSE(h.delegate->hasProcess());
    EXPECT_TRUE(h.channels.empty());
    EXPECT_EQ(h.store.store->uiProcessLaunchCount(), 0);
    EXPECT_EQ(h.spawner->executables.size(), 1u);
    h.present("settings");
    EXPECT_EQ(h.alerts, 2);
    EXPECT_EQ(h.spawner->executables.size(), 2u);
}

TEST(ObserverBackgroundDelegate, TheQuickViewIsAnchoredAtTheStatusItemElseAtTheTopRightOfTheVisibleFrame) {
    auto anchorOf = [](DelegateHarness& h) {
        h.delegate->toggleQuickView();
        h.run();
        return h.delegate->pending().back().anchor.value();
    };
    DelegateHarness h;
    h.launch();
    h.buttonFrame = ScreenRect{1200, 776, 22, 24};
    EXPECT_EQ(anchorOf(h), (std::vector<double>{1200, 776, 22, 24}));
    h.buttonFrame = ScreenRect{0, 0, 0, 0};  // a tray that does not tell
    EXPECT_EQ(anchorOf(h), (std::vector<double>{1060, 776, 24, 24}));

    DelegateHarness noItem;
    noItem.withStatusItem = false;
    noItem.launch();
    EXPECT_EQ(noItem.delegate->statusItem(), nullptr);
    quentrel::ObserverWindowPresenter::requestQuickView();
    noItem.run();
    EXPECT_EQ(noItem.delegate->pending().back().anchor, (std::vector<double>{1060, 776, 24, 24}));
}

TEST(ObserverBackgroundDelegate, ReopenPresentsStatusOrWelcomeWhateverIsVisible) {
    DelegateHarness h;
    h.launch();
    EXPECT_FALSE(h.delegate->applicationShouldHandleReopen(true));
    h.store.store->completeOnboarding();
    h.run();
    EXPECT_FALSE(h.delegate->applicationShouldHandleReopen(true));
    h.run();
    ASSERT_EQ(h.delegate->pending().size(), 2u);
    EXPECT_EQ(h.delegate->pending()[0].window, "welcome");
    EXPECT_EQ(h.delegate->pending()[1].window, "status");
    EXPECT_FALSE(h.delegate->applicationShouldTerminateAfterLastWindowClosed());
}

TEST(ObserverBackgroundDelegate, WithoutADisplayThereIsNoStatusItemAndEveryPresentationIsDroppedWithALogLine) {
    DelegateHarness h;
    h.hasDisplay = false;
    h.cause = wendmark::AppLaunchCause::manualOrUnknown;  // asks for welcome
    h.launch();
    h.delegate->toggleQuickView();
    EXPECT_EQ(h.delegate->statusItem(), nullptr);
    EXPECT_TRUE(h.spawner->executables.empty());
    const auto logged = h.store.logLines();
    for (const std::string window : {"welcome", "quick-view"})
        EXPECT_EQ(std::count(logged.begin(), logged.end(), "Presentation dropped without a display: " + window), 1);
}

TEST(ObserverBackgroundDelegate, TerminationSendsStopTerminatesTheUIAppAndStopsTheStore) {
    DelegateHarness h;
    h.launch();
    h.present("status");
    h.ready();
    h.delegate->applicationWillTerminate();
    EXPECT_EQ(h.channel().sent.back().kind(), Case::stop);
    EXPECT_EQ(h.channel().finishesAfterWriting, 1);  // not finish(), which would drop the stop
    EXPECT_EQ(h.process().terminations, 1);
    EXPECT_EQ(h.store.inventory().calls.back(), "stop");
    EXPECT_GT(h.store.sessionWrites->count() + h.store.eventWrites->count(), 0u);
    h.run();  // the channel's end after termination changes nothing more
    EXPECT_TRUE(h.delegate->hasProcess());
}

}  // namespace
