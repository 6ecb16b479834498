#include "ObserverUIClient.h"

#include <gtest/gtest.h>

#include "Platform/Dispatch/VirtualTime.h"
#include "Quentrel/Services/ConnectionNotificationService.h"
#include "Quentrel/Services/LoginItemService.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Services/UIStateFixture.h"
#include "Quentrel/Stores/ObserverStore.h"

using namespace quentrel;

namespace {

class FakePresenter final : public UIPresenter {
public:
    explicit FakePresenter(std::shared_ptr<ObserverStore> store) : store_(std::move(store)) {}
    ObserverStore& store() override { return *store_; }
    void setOnEmptyUI(std::function<void()> f) override { onEmptyUI = std::move(f); }
    void setOnHide(std::function<void()> f) override { onHide = std::move(f); }
    void prepareUIOnly() override { ++prepared; }
    void showLocalQuickView() override { ++localQuickViews; }
    void present(const ObserverUIPresentation& p) override { presented.push_back(p), shown = true; }
    bool hasPresentedUI() const override { return shown; }
    void closeAllUI() override { ++closedAll, shown = false; }
    // A surface closes; nothing is left when `last`.
    void closeSurface(bool last = true) {
        shown = shown && !last;
        onEmptyUI();
    }

    std::shared_ptr<ObserverStore> store_;
    std::function<void()> onEmptyUI, onHide;
    std::vector<ObserverUIPresentation> presented;
    bool shown = false;
    int prepared = 0, localQuickViews = 0, closedAll = 0;
};

class FakeChannel final : public ObserverUIClient::Channel {
public:
    void start() override { started = true; }
    void send(const ObserverUIMessage& m) override {
        if (!finished) sent.push_back(platform::json::encode(m));
    }
    void finish() override {
        if (!std::exchange(finished, true)) ended();
    }
    void afterFlushing(std::function<void()> action) override { flushActions.push_back(std::move(action)); }

    ObserverUIChannel::Receive receive;
    ObserverUIChannel::Ended ended;
    std::vector<std::string> sent;  // the JSON of every message
    std::vector<std::function<void()>> flushActions;
    bool started = false, finished = false;
};

// A launched client on a fake presenter and channel, its main queue on virtual time.
struct ClientHarness {
    ClientHarness() {
        ObserverUIClient::Environment environment{main, {}, "local.test.Kavrinet.UI", {}, {}, [this] { ++terminations; }};
        environment.storeServices.now = [t = time] { return platform::Date{t->wall()}; };
        environment.makeChannel = [this](ObserverUIChannel::Receive r, ObserverUIChannel::Ended e) {
            channel->receive = std::move(r);
            channel->ended = std::move(e);
            return channel;
        };
        environment.makePresenter = [this](std::shared_ptr<ObserverStore> store) {
            return presenter = std::make_shared<FakePresenter>(std::move(store));
        };
        client = ObserverUIClient::make(std::move(environment));
        client->applicationDidFinishLaunching();
        atLaunch = std::exchange(channel->sent, {});
    }
    ~ClientHarness() { ObserverWindowPresenter::resetToDefaults(); }

    void deliver(const ObserverUIMessage& message) {
        channel->receive(message);
        time->runUntilIdle();
    }
    void deliverState(std::uint64_t revision) { deliver(ObserverUIMessage::state(revision, ObserverUIState{})); }
    ObserverStore& store() { return presenter->store(); }

    std::shared_ptr<platform::VirtualTime> time = platform::VirtualTime::make(700'000'000);
    platform::SerialQueuePtr main = time->makeQueue("main");
    std::shared_ptr<FakeChannel> channel = std::make_shared<FakeChannel>();
    std::shared_ptr<FakePresenter> presenter;
    std::shared_ptr<ObserverUIClient> client;
    std::vector<std::string> atLaunch;
    int terminations = 0;
};

using Sent = std::vector<std::string>;
const std::string closing = R"({"closing":{}})";

std::string sent(const ObserverUICommand& command) { return platform::json::encode(ObserverUIMessage::command(command)); }

ObserverUIMessage present(std::string window, std::optional<std::vector<double>> anchor = {}) {
    return ObserverUIMessage::present({std::move(window), std::move(anchor)});
}

}  // namespace

TEST(ObserverUIClient, launchingStartsTheChannelSaysReadyAndInstallsTheQuickViewAndQuitHooks) {
    ClientHarness h;
    EXPECT_EQ(h.atLaunch, Sent{R"({"ready":{"_0":1}})"});
    EXPECT_TRUE(h.channel->started);
    EXPECT_EQ(h.presenter->prepared, 1);
    EXPECT_TRUE(h.store().isMirror());

    ObserverWindowPresenter::requestQuickView();  // opens here and sends nothing
    EXPECT_EQ(h.presenter->localQuickViews, 1);
    ObserverWindowPresenter::requestQuit();
    EXPECT_TRUE(h.client->quittingProduct());
    EXPECT_EQ(h.channel->sent, Sent{sent(ObserverUICommand::make(ObserverUICommand::Case::quit))});
    EXPECT_EQ(h.terminations, 0) << "the UI app ends only on stop or the end of the channel";
}

TEST(ObserverUIClient, onlyAStateWithAGreaterRevisionIsAppliedWithOneSignalEach) {
    ClientHarness h;
    int signals = 0;
    auto connection = h.store().objectWillChange().connect([&] { ++signals; });
    const std::pair<std::uint64_t, bool> steps[] = {{0, false}, {1, true}, {1, false}, {5, true}, {4, false}, {6, true}};
    std::uint64_t applied = 0;
    for (const auto& [revision, applies] : steps) {
        ObserverUIState state = uistate::richState();
        state.targetStatus = std::to_string(revision);
        const int before = signals;
        h.deliver(ObserverUIMessage::state(revision, state));
        if (applies) applied = revision;
        EXPECT_EQ(signals - before, applies ? 1 : 0) << revision;
        EXPECT_EQ(h.client->revision(), applied) << revision;
        EXPECT_EQ(h.store().targetStatus(), applied ? std::to_string(applied) : "기억된 관측 대상 없음") << revision;
    }
    EXPECT_TRUE(h.channel->sent.empty());
}

TEST(ObserverUIClient, presentationsBeforeTheFirstStateInvalidOnesAndMessagesOfTheUISideEndTheSession) {
    const std::pair<bool, ObserverUIMessage> cases[] = {
        {false, present("status")},
        {true, present("dashboard")},
        {true, present("quick-view", std::vector<double>{1, 2, 3})},
        {true, present("quick-view", std::vector<double>{1, 2, 0, 4})},
        {true, ObserverUIMessage::ready(1)},
        {true, ObserverUIMessage::command(ObserverUICommand::make(ObserverUICommand::Case::refresh))},
        {true, ObserverUIMessage::retry({"status", std::nullopt})},
        {true, ObserverUIMessage::closing()},
    };
    for (const auto& [stateFirst, message] : cases) {
        const std::string name = platform::json::encode(message);
        ClientHarness h;
        if (stateFirst) h.deliverState(1);
        h.deliver(message);
        EXPECT_TRUE(h.channel->finished) << name;
        EXPECT_EQ(h.terminations, 1) << name;
        // What the channel still hands over after it ended belongs to no session.
        h.deliver(present("status"));
        h.deliverState(9);
        EXPECT_TRUE(h.presenter->presented.empty()) << name;
        EXPECT_EQ(h.client->revision(), stateFirst ? 1u : 0u) << name;
    }
}

TEST(ObserverUIClient, closingIsSentOnceATurnAfterTheLastSurfaceClosed) {
    ClientHarness h;
    h.presenter->closeSurface();
    h.time->runUntilIdle();
    EXPECT_TRUE(h.channel->sent.empty()) << "nothing ends the session before the first state";

    h.deliverState(1);
    h.deliver(present("quick-view", std::vector<double>{100, 800, 24, 24}));
    ASSERT_EQ(h.presenter->presented.size(), 1u);
    // The panel closes as a window opens from it, in the same turn: nothing is sent.
    h.presenter->closeSurface();
    h.presenter->shown = true;
    h.time->runUntilIdle();
    EXPECT_TRUE(h.channel->sent.empty());

    // Hiding closes everything; two empty checks still send one closing.
    h.presenter->onHide();
    EXPECT_EQ(h.presenter->closedAll, 1);
    h.presenter->closeSurface();
    EXPECT_TRUE(h.channel->sent.empty()) << "the check runs one turn later";
    h.time->runUntilIdle();
    EXPECT_EQ(h.channel->sent, Sent{closing});

    // Never again in this process, whatever opens and closes.
    h.presenter->shown = true;
    h.presenter->closeSurface();
    h.time->runUntilIdle();
    EXPECT_EQ(h.channel->sent, Sent{closing});
}

TEST(ObserverUIClient, afterClosingStatesAreIgnoredPresentationsComeBackAsRetryAndCommandsAreDropped) {
    ClientHarness h;
    h.deliverState(1);
    h.presenter->closeSurface();
    h.time->runUntilIdle();
    ASSERT_TRUE(h.client->closing());

    h.deliverState(2);
    EXPECT_EQ(h.client->revision(), 1u);
    h.deliver(present("activity-log"));
    EXPECT_TRUE(h.presenter->presented.empty());
    // The agent would take a command now as a protocol error and drop its queued windows.
    h.store().setPaused(true);
    h.store().loginItem()->refresh();
    ObserverWindowPresenter::requestQuit();
    EXPECT_TRUE(h.client->quittingProduct());
    EXPECT_EQ(h.channel->sent, (Sent{closing, R"({"retry":{"_0":{"window":"activity-log"}}})"}));
    EXPECT_FALSE(h.channel->finished);
}

TEST(ObserverUIClient, stopTerminatesOnTheMainQueueOnceTheQueueIsWrittenAndTheEndOfTheChannelAtOnce) {
    ClientHarness h;
    h.deliverState(1);
    h.deliver(ObserverUIMessage::stop());
    ASSERT_EQ(h.channel->flushActions.size(), 1u);
    EXPECT_EQ(h.terminations, 0);
    h.channel->flushActions.front()();  // on the writer, once all is written
    EXPECT_EQ(h.terminations, 0);
    h.time->runUntilIdle();
    EXPECT_EQ(h.terminations, 1);

    ClientHarness ended;
    ended.deliverState(1);
    ended.channel->ended();  // end of input: the agent has gone
    ended.store().setPaused(true);
    ended.time->runUntilIdle();
    EXPECT_EQ(ended.terminations, 1);
    EXPECT_TRUE(ended.channel->sent.empty());
}

// The mirror's mutators reach the channel through the client's sink, one command message each,
// and nothing of the mirror changes until the agent's next state. (Which command each mutator of
// the store and of its two services builds is the store's and the services' own tests' matter.)
TEST(ObserverUIClient, theMirrorsCommandsGoOutOneMessageEachAndChangeNothing) {
    using C = ObserverUICommand::Case;
    const platform::UUID surface = uistate::uuid(7);
    const std::pair<std::function<void(ObserverStore&)>, ObserverUICommand> rows[] = {
        {[](ObserverStore& s) { s.selectDevice("driver:1"); }, ObserverUICommand::select("driver:1")},
        {[&](ObserverStore& s) { s.surfaceVisibilityChanged(surface, true); }, ObserverUICommand::surface(surface, true)},
        {[](ObserverStore& s) { s.setPaused(true); }, ObserverUICommand::withFlag(C::pause, true)},
        {[](ObserverStore& s) { s.clearEventHistory(); }, ObserverUICommand::make(C::clearEvents)},
        {[](ObserverStore& s) { s.discardDiagnosticsPreview(); }, ObserverUICommand::make(C::discardDiagnostics)},
        {[](ObserverStore& s) { s.loginItem()->setEnabled(true); }, ObserverUICommand::withFlag(C::login, true)},
        {[](ObserverStore& s) { s.connectionNotifications()->sendTest(); }, ObserverUICommand::make(C::testNotification)},
    };
    ClientHarness h;
    h.deliver(ObserverUIMessage::state(1, uistate::richState()));
    ObserverStore& mirror = h.store();
    const std::string before = platform::json::encode(mirror.makeUIState());
    int signals = 0;
    auto connection = mirror.objectWillChange().connect([&] { ++signals; });
    for (const auto& [act, command] : rows) {
        h.channel->sent.clear();
        act(mirror);
        h.time->runUntilIdle();
        EXPECT_EQ(h.channel->sent, Sent{sent(command)}) << ObserverUICommand::caseName(command.kind);
    }
    EXPECT_EQ(signals, 0);
    EXPECT_EQ(platform::json::encode(mirror.makeUIState()), before);
}
