#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Doubles/CapturingLogSink.h"
#include "Platform/Desktop/BusFixtures.h"
#include "Platform/Desktop/DBus/LogindPowerEvents.h"
#include "Platform/Desktop/Qt/QtMainQueue.h"

using namespace platform;
using desktoptest::FakeLogind;
using desktoptest::runEventLoopUntil;

namespace {

// logind on the private session bus, which the source takes for the system bus.
class LogindPowerEventsTest : public testing::Test {
protected:
    std::string address = desktoptest::sessionBusAddress();
    FakeLogind logind{address};
    std::shared_ptr<CapturingLogSink> log = std::make_shared<CapturingLogSink>();
    SerialQueuePtr queue = QtMainQueue::make("test.main");

    PowerEventsPtr source(std::optional<std::string> busAddress) {
        LogindPowerEvents::Options options;
        options.busAddress = std::move(busAddress);
        return LogindPowerEvents::make(queue, options, Logger("test", "PowerEvents", log));
    }

    // Records the callbacks, and how many inhibitors were open while willSleep ran.
    struct Recorder {
        std::vector<std::string> events;
        std::vector<int> inhibitorsDuringSleep;
        PowerEvents::Callbacks callbacks(FakeLogind& fake) {
            return {[this, &fake] {
                        events.push_back("sleep");
                        inhibitorsDuringSleep.push_back(fake.openInhibitors());
                    },
                    [this] { events.push_back("wake"); }};
        }
    };
};

}  // namespace

TEST_F(LogindPowerEventsTest, HoldsADelayInhibitorThatWillSleepReleasesAndWakeTakesAgain) {
    auto events = source(address);
    Recorder recorder;
    auto subscription = events->subscribe(recorder.callbacks(logind));
    ASSERT_TRUE(runEventLoopUntil([&] { return logind.openInhibitors() == 1; }));
    auto inhibits = logind.callsTo("Inhibit");
    ASSERT_EQ(inhibits.size(), 1u);
    EXPECT_EQ(inhibits[0].arguments,
              (QVariantList{"sleep", "Kavrinet", "Saves the observation state before the system sleeps", "delay"}));

    logind.emitPrepareForSleep(true);
    ASSERT_TRUE(runEventLoopUntil([&] { return !recorder.events.empty() && logind.openInhibitors() == 0; }));
    EXPECT_EQ(recorder.inhibitorsDuringSleep, std::vector<int>{1});  // the system waited for the callback

    logind.emitPrepareForSleep(false);
    ASSERT_TRUE(runEventLoopUntil([&] { return recorder.events.size() == 2 && logind.openInhibitors() == 1; }));
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"sleep", "wake"}));
    EXPECT_EQ(logind.callsTo("Inhibit").size(), 2u);
}

TEST_F(LogindPowerEventsTest, CancellingReleasesTheInhibitorAndEndsDelivery) {
    auto events = source(address);
    Recorder cancelled;
    Recorder kept;
    auto first = events->subscribe(cancelled.callbacks(logind));
    auto second = events->subscribe(kept.callbacks(logind));
    ASSERT_TRUE(runEventLoopUntil([&] { return logind.openInhibitors() == 2; }));

    first->cancel();
    ASSERT_TRUE(runEventLoopUntil([&] { return logind.openInhibitors() == 1; }));
    logind.emitPrepareForSleep(true);
    ASSERT_TRUE(runEventLoopUntil([&] { return kept.events.size() == 1; }));
    EXPECT_TRUE(cancelled.events.empty());

    second.reset();  // releasing the subscription ends it too
    logind.emitPrepareForSleep(false);
    ASSERT_TRUE(runEventLoopUntil([&] { return logind.openInhibitors() == 0; }));
    EXPECT_EQ(logind.callsTo("Inhibit").size(), 2u);
}

TEST_F(LogindPowerEventsTest, SignalsFromAnotherSenderThanLogindAreIgnored) {
    auto events = source(address);
    Recorder recorder;
    auto subscription = events->subscribe(recorder.callbacks(logind));
    ASSERT_TRUE(runEventLoopUntil([&] { return logind.openInhibitors() == 1; }));

    FakeLogind impostor(address, /*ownName=*/false);
    impostor.emitPrepareForSleep(true);
    impostor.roundTrip();
    logind.emitPrepareForSleep(false);
    ASSERT_TRUE(runEventLoopUntil([&] { return !recorder.events.empty(); }));
    EXPECT_EQ(recorder.events, std::vector<std::string>{"wake"});
}

TEST_F(LogindPowerEventsTest, ASleepSignalRightAfterSubscribingIsHandled) {
    auto events = source(address);
    for (int round = 0; round < 10; ++round) {
        Recorder recorder;
        auto subscription = events->subscribe(recorder.callbacks(logind));
        logind.emitPrepareForSleep(true);  // before the event loop has turned once
        ASSERT_TRUE(runEventLoopUntil([&] { return recorder.events.size() == 1; })) << round;
    }
}

TEST_F(LogindPowerEventsTest, AnInhibitorThatArrivesDuringSleepIsClosedAtOnce) {
    auto events = source(address);
    Recorder recorder;
    logind.holdAnswers(true);
    auto subscription = events->subscribe(recorder.callbacks(logind));
    ASSERT_TRUE(runEventLoopUntil([&] { return logind.callsTo("Inhibit").size() == 1; }));
    logind.emitPrepareForSleep(true);
    ASSERT_TRUE(runEventLoopUntil([&] { return recorder.events.size() == 1; }));

    logind.releaseHeld();  // too late to hold this sleep off
    logind.roundTrip();
    logind.holdAnswers(false);
    logind.emitPrepareForSleep(false);
    ASSERT_TRUE(runEventLoopUntil([&] { return recorder.events.size() == 2 && logind.openInhibitors() == 1; }));
    EXPECT_EQ(logind.callsTo("Inhibit").size(), 2u);
}

TEST_F(LogindPowerEventsTest, WithoutABusLogsOnceAndDeliversNothing) {
    auto events = source(std::string("unix:path=/nonexistent/kavrinet-test-bus"));
    Recorder recorder;
    auto first = events->subscribe(recorder.callbacks(logind));
    auto second = events->subscribe(recorder.callbacks(logind));
    ASSERT_NE(first, nullptr);
    first->cancel();
    ASSERT_EQ(log->records().size(), 1u);
    EXPECT_EQ(log->messages()[0].rfind("No system bus, so sleep and wake are not observed: ", 0), 0u);
    EXPECT_TRUE(logind.calls().empty());
}
