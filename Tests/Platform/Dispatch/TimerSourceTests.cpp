#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "Platform/Dispatch/TimerSource.h"
#include "Platform/Dispatch/VirtualTime.h"

using namespace platform;

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct TimerSourceTest : ::testing::Test {
    std::shared_ptr<VirtualTime> time = VirtualTime::make();
    SerialQueuePtr queue = time->makeQueue("timer");
    std::vector<double> fires;

    std::shared_ptr<TimerSource> makeTimer() {
        auto timer = TimerSource::make(queue);
        timer->setEventHandler([this] { fires.push_back(queue->isCurrent() ? time->uptime() : -1); });
        return timer;
    }
};

}  // namespace

TEST_F(TimerSourceTest, RepeatsOnItsOriginalScheduleOnceResumed) {
    auto timer = makeTimer();
    timer->schedule(0.5, 0.25, 0.1);
    EXPECT_EQ(timer->repeatInterval(), 0.25);
    EXPECT_EQ(timer->leeway(), 0.1);
    auto suspended = makeTimer();  // scheduled, never resumed
    suspended->schedule(0, 0.25, 0);

    timer->resume();
    time->advance(1.5);
    EXPECT_EQ(fires, (std::vector<double>{1000.5, 1000.75, 1001, 1001.25, 1001.5}));
}

TEST_F(TimerSourceTest, LateStartSkipsMissedDeadlinesWithoutBurst) {
    auto timer = makeTimer();
    timer->schedule(1, 1, 0);
    time->advance(3.5);  // still suspended: deadlines 1001 to 1003 pass
    timer->resume();
    time->runUntilIdle();
    time->advance(1);
    EXPECT_EQ(fires, (std::vector<double>{1003.5, 1004}));
}

TEST_F(TimerSourceTest, RescheduleReplacesAndCancelStopsForGood) {
    auto timer = makeTimer();
    timer->schedule(1, 1, 0);
    timer->resume();
    time->advance(0.5);
    timer->schedule(2, kInfinity, 0.5);  // the 1001 deadline must not fire any more
    EXPECT_EQ(timer->repeatInterval(), kInfinity);
    EXPECT_EQ(timer->leeway(), 0.5);
    time->advance(10);
    EXPECT_EQ(fires, (std::vector<double>{1002.5}));

    // From inside the handler: rescheduling and, later, cancelling.
    fires.clear();
    auto inner = TimerSource::make(queue);
    inner->setEventHandler([&] {
        fires.push_back(time->uptime());
        if (fires.size() == 1) inner->schedule(0.5, 2, 0);
        if (fires.size() == 3) inner->cancel();
    });
    inner->schedule(1, 10, 0);
    inner->resume();
    time->advance(100);
    EXPECT_EQ(fires, (std::vector<double>{1011.5, 1012, 1014}));
    EXPECT_TRUE(inner->isCancelled());
    inner->schedule(0, 1, 0);
    inner->resume();
    time->advance(10);
    EXPECT_EQ(fires.size(), 3u);

    // Cancelling lets go of the handler, so a handler holding its owner does not leak.
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> tokenRef = token;
    auto cancelled = TimerSource::make(queue);
    cancelled->setEventHandler([token] {});
    token.reset();
    cancelled->cancel();
    EXPECT_TRUE(tokenRef.expired());
}

TEST_F(TimerSourceTest, NonFiniteOrHugeTimesNeverOverflow) {
    std::vector<std::shared_ptr<TimerSource>> timers;
    for (double start : {kInfinity, std::nan(""), 1e300, 2 * kLongestDelay}) {
        timers.push_back(makeTimer());
        timers.back()->schedule(start, 1, 0);
        timers.back()->resume();
    }
    EXPECT_EQ(time->pendingCount(), 0u);
    EXPECT_EQ(time->nextDeadline(), kInfinity);
    time->advance(1e12);
    EXPECT_TRUE(fires.empty());

    // Intervals that do not repeat: the timer fires once.
    for (double interval : {kInfinity, std::nan(""), 1e300, 0.0, -1.0}) {
        fires.clear();
        auto timer = makeTimer();
        timer->schedule(0.5, interval, 0);
        timer->resume();
        time->advance(1e10);
        EXPECT_EQ(fires.size(), 1u) << "interval " << interval;
    }
}

TEST_F(TimerSourceTest, DroppingTheLastOwnerStopsIt) {
    auto timer = makeTimer();
    std::weak_ptr<TimerSource> timerRef = timer;
    timer->setEventHandler([&] {
        fires.push_back(time->uptime());
        timer.reset();  // the handler drops the only owner
    });
    timer->schedule(1, 1, 0);
    timer->resume();
    time->advance(5);
    EXPECT_EQ(fires, (std::vector<double>{1001}));
    EXPECT_TRUE(timerRef.expired());

    fires.clear();
    auto other = makeTimer();
    other->schedule(1, 1, 0);
    other->resume();
    time->advance(1);
    other.reset();
    time->advance(5);
    EXPECT_EQ(fires.size(), 1u);
}
