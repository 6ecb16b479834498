#include "Wendmark/ConnectionMonitor.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

using namespace wendmark;

namespace {

using Notices = std::vector<ConnectionNotice>;
const Notices none;
const Notices disconnected{ConnectionNotice::disconnected};
const Notices repeated{ConnectionNotice::repeatedChanges};
const TargetPresence a = TargetPresence::present("driver:1");
const TargetPresence b = TargetPresence::present("driver:2");
const TargetPresence absent = TargetPresence::absent();
const TargetPresence unknown = TargetPresence::unknown();

}  // namespace

TEST(ConnectionMonitor, IgnoresNonFiniteAndBackwardsTimes) {
    ConnectionMonitor m;
    m.receive(a, 0);
    m.receive(absent, 1);
    const ConnectionMonitor before = m;
    for (double t : {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(), 0.5}) {
        EXPECT_EQ(m.receive(a, t), none);
        EXPECT_EQ(m.advance(t), none);
        EXPECT_EQ(m, before);
    }
    // An equal time is processed: the same absent again keeps the loss pending, then it is due.
    EXPECT_EQ(m.receive(absent, 1), none);
    EXPECT_EQ(m.pendingSince(), 1.0);
    EXPECT_EQ(m.advance(4), disconnected);
    EXPECT_EQ(m.advance(4), none);
    EXPECT_EQ(m.lastTime(), 4.0);
}

TEST(ConnectionMonitor, ConfirmsALossAfterThreeSeconds) {
    ConnectionMonitor m;
    EXPECT_EQ(m.receive(a, 0), none);
    EXPECT_EQ(m.nextDeadline(), std::nullopt);
    EXPECT_EQ(m.receive(absent, 1), none);
    EXPECT_EQ(m.nextDeadline(), 4.0);
    EXPECT_EQ(m.advance(3.9), none);
    EXPECT_EQ(m.advance(4.0), disconnected);
    EXPECT_EQ(m.nextDeadline(), std::nullopt);
    EXPECT_EQ(m.receive(absent, 10), none);

    ConnectionMonitor recovered;
    recovered.receive(a, 0);
    recovered.receive(absent, 1);
    EXPECT_EQ(recovered.receive(a, 2), none);
    EXPECT_EQ(recovered.nextDeadline(), std::nullopt);
    EXPECT_EQ(recovered.advance(10), none);

    ConnectionMonitor throughReceive;
    throughReceive.receive(a, 0);
    throughReceive.receive(absent, 1);
    EXPECT_EQ(throughReceive.receive(absent, 5), disconnected);

    ConnectionMonitor identity;
    identity.receive(a, 0);
    EXPECT_EQ(identity.receive(b, 1), none);
    EXPECT_EQ(identity.nextDeadline(), std::nullopt);
    EXPECT_EQ(identity.losses(), std::vector<double>{1});
    EXPECT_EQ(identity.baseline(), b);
}

TEST(ConnectionMonitor, DisconnectedNeedsSixtySecondsSinceTheLastOne) {
    for (auto [secondLoss, expected] : {std::pair{60.9, none}, std::pair{61.0, disconnected}}) {
        ConnectionMonitor m;
        m.receive(a, 0);
        m.receive(absent, 1);
        EXPECT_EQ(m.advance(4), disconnected);
        m.receive(a, 10);
        m.receive(absent, secondLoss);
        EXPECT_EQ(m.advance(secondLoss + 3.0), expected) << secondLoss;
        EXPECT_EQ(m.pendingSince(), std::nullopt);
    }
}

TEST(ConnectionMonitor, ThreeChangesWithinTheWindowGiveOneRepeatedChanges) {
    for (double last : {600.0, 600.1}) {
        ConnectionMonitor m;
        m.receive(a, -1);
        EXPECT_EQ(m.receive(absent, 0), none);
        EXPECT_EQ(m.receive(a, 2), none);
        EXPECT_EQ(m.receive(absent, 300), none);
        EXPECT_EQ(m.receive(a, 300.5), none);
        if (last == 600.0) {
            EXPECT_EQ(m.receive(absent, last), repeated);
            EXPECT_EQ(m.losses(), (std::vector<double>{0, 300, 600}));
            EXPECT_EQ(m.nextDeadline(), std::nullopt);
            EXPECT_EQ(m.advance(700), none);
        } else {
            EXPECT_EQ(m.receive(absent, last), none);
            EXPECT_EQ(m.losses(), (std::vector<double>{300, 600.1}));
            EXPECT_EQ(m.advance(last + 3.0), disconnected);
        }
    }

    // Identity changes count too; the list never holds more than three.
    ConnectionMonitor m;
    m.receive(a, 0);
    m.receive(b, 10);
    m.receive(a, 20);
    EXPECT_EQ(m.receive(b, 30), repeated);
    EXPECT_EQ(m.sent().at(ConnectionNotice::repeatedChanges), 30.0);
    // One second later: three changes again, but too soon for a second notice; the loss is confirmed normally.
    EXPECT_EQ(m.receive(absent, 31), none);
    EXPECT_EQ(m.losses(), (std::vector<double>{20, 30, 31}));
    EXPECT_EQ(m.nextDeadline(), 34.0);
    EXPECT_EQ(m.advance(34), disconnected);
    EXPECT_EQ(m.receive(a, 35), none);
    // Exactly 600 s after the previous notice, with 30, 31 and 630 in the window.
    EXPECT_EQ(m.receive(b, 630), repeated);
    EXPECT_EQ(m.losses(), (std::vector<double>{30, 31, 630}));
}

TEST(ConnectionMonitor, UnknownPresenceRestartsCountingAndCancelsTheLoss) {
    ConnectionMonitor m;
    m.receive(a, 0);
    m.receive(b, 1);
    m.receive(a, 2);
    m.receive(absent, 3);
    EXPECT_EQ(m.losses().size(), 3u);  // the third change at 3 produced repeatedChanges
    EXPECT_EQ(m.receive(unknown, 4), none);
    EXPECT_TRUE(m.losses().empty());
    EXPECT_EQ(m.baseline(), std::nullopt);
    EXPECT_EQ(m.receive(b, 5), none);  // a new anchor, not a change
    EXPECT_EQ(m.receive(a, 6), none);
    EXPECT_EQ(m.receive(b, 7), none);
    EXPECT_EQ(m.losses().size(), 2u);

    ConnectionMonitor pending;
    pending.receive(a, 0);
    pending.receive(absent, 1);
    EXPECT_EQ(pending.receive(unknown, 2), none);
    EXPECT_EQ(pending.nextDeadline(), std::nullopt);
    EXPECT_EQ(pending.advance(10), none);
    EXPECT_EQ(pending.receive(absent, 11), none);  // anchors as absent
    EXPECT_EQ(pending.advance(20), none);
}

TEST(ConnectionMonitor, SleepStopsJudgingAndWakeOnlyWatches) {
    ConnectionMonitor m;
    m.receive(a, 0);
    m.receive(absent, 1);
    m.sleep();
    EXPECT_TRUE(m.sleeping());
    EXPECT_EQ(m.nextDeadline(), std::nullopt);
    EXPECT_EQ(m.advance(4), none);
    EXPECT_EQ(m.receive(a, 5), none);
    EXPECT_EQ(m.receive(absent, 6), none);
    EXPECT_EQ(m.baseline(), absent);
    EXPECT_TRUE(m.losses().empty());

    m.wake(100);
    EXPECT_EQ(m.nextDeadline(), 103.0);
    EXPECT_EQ(m.receive(absent, 100.5), none);
    EXPECT_EQ(m.receive(b, 101), none);
    EXPECT_EQ(m.wakePresence(), b);
    EXPECT_EQ(m.advance(102.9), none);
    EXPECT_EQ(m.advance(103), none);
    EXPECT_EQ(m.baseline(), b);
    EXPECT_EQ(m.nextDeadline(), std::nullopt);
    EXPECT_TRUE(m.losses().empty());
    EXPECT_EQ(m.receive(absent, 104), none);  // judging again
    EXPECT_EQ(m.advance(107), disconnected);

    ConnectionMonitor silent;
    silent.receive(a, 0);
    silent.sleep();
    silent.wake(100);
    EXPECT_EQ(silent.advance(103), none);
    EXPECT_EQ(silent.baseline(), std::nullopt);
    EXPECT_EQ(silent.receive(absent, 104), none);  // anchors, no loss
    EXPECT_EQ(silent.nextDeadline(), std::nullopt);

    // A presence at the end of the grace becomes the baseline without comparison.
    ConnectionMonitor byReceive;
    byReceive.receive(a, 0);
    byReceive.sleep();
    byReceive.wake(100);
    EXPECT_EQ(byReceive.receive(absent, 103), none);
    EXPECT_EQ(byReceive.baseline(), absent);
    EXPECT_EQ(byReceive.nextDeadline(), std::nullopt);
    EXPECT_EQ(byReceive.advance(200), none);
}
