#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "Doubles/CapturingLogSink.h"
#include "Platform/Desktop/BusFixtures.h"
#include "Platform/Desktop/Qt/QtMainQueue.h"
#include "Platform/Foundation/Clocks.h"

using namespace platform;
using desktoptest::runEventLoopUntil;

TEST(QtMainQueue, RunsWorkFromEveryThreadOnTheEventLoopInSubmissionOrder) {
    auto queue = QtMainQueue::make("test.main");
    EXPECT_EQ(queue->label(), "test.main");
    EXPECT_FALSE(queue->isCurrent());

    constexpr std::size_t kThreads = 4;
    constexpr int kPerThread = 300;
    std::vector<std::vector<int>> seen(kThreads);  // touched only on the event loop's thread
    std::atomic<int> offThread{0};
    std::atomic<int> notCurrent{0};
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                queue->async([&, t, i] {
                    if (QThread::currentThread() != QCoreApplication::instance()->thread()) ++offThread;
                    if (!queue->isCurrent()) ++notCurrent;
                    seen[t].push_back(i);
                });
            }
        });
    }
    for (auto& thread : threads) thread.join();
    std::vector<std::string> order;
    queue->async([&] {
        order.push_back("first");
        queue->async([&] { order.push_back("nested"); });  // behind everything already submitted
    });
    queue->async([&] { order.push_back("second"); });

    ASSERT_TRUE(runEventLoopUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "nested"}));
    for (const std::vector<int>& items : seen) {
        ASSERT_EQ(items.size(), static_cast<std::size_t>(kPerThread));
        int expected = 0;
        for (const int item : items) EXPECT_EQ(item, expected++);
    }
    EXPECT_EQ(offThread, 0);
    EXPECT_EQ(notCurrent, 0);
}

TEST(QtMainQueue, SyncFromAnotherThreadRunsAfterEarlierWorkAndWaits) {
    auto queue = QtMainQueue::make("test.sync");
    std::vector<int> seen;
    std::atomic<bool> returned{false};
    bool sawEarlier = false;
    std::thread worker([&] {
        queue->async([&] { seen.push_back(1); });
        queue->sync([&] { sawEarlier = seen.size() == 1 && queue->isCurrent(); });
        returned = true;
    });
    ASSERT_TRUE(runEventLoopUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_TRUE(sawEarlier);
}

TEST(QtMainQueue, DelayedWorkComesDueOnTheContinuousClockInDeadlineOrder) {
    auto queue = QtMainQueue::make("test.delayed");
    const double before = systemContinuousTime();
    const double now = queue->now();
    EXPECT_LE(before, now);
    EXPECT_LE(now, systemContinuousTime());

    struct Fired {
        std::string name;
        double at;
    };
    std::vector<Fired> fired;
    auto record = [&](std::string name) {
        return WorkItem::make([&, name] { fired.push_back({name, queue->now()}); });
    };
    const double submitted = queue->now();
    queue->asyncAfter(0.06, record("late"));
    queue->asyncAfter(0.02, record("early"));
    queue->asyncAfter(0.02, record("early tie"));
    queue->asyncAfter(-5, record("negative"));
    auto cancelled = record("cancelled");
    queue->asyncAfter(0.01, cancelled);
    cancelled->cancel();
    for (double never : {std::numeric_limits<double>::infinity(), std::nan(""), 2 * kLongestDelay})
        queue->asyncAfter(never, record("never"));

    ASSERT_TRUE(runEventLoopUntil([&] { return fired.size() >= 4; }));
    std::vector<std::string> names;
    for (const auto& f : fired) names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"negative", "early", "early tie", "late"}));
    EXPECT_GE(fired[1].at, submitted + 0.02);
    EXPECT_GE(fired[3].at, submitted + 0.06);
}

TEST(QtMainQueue, NestedEventLoopInsideAnItemRunsNoOtherItem) {
    auto queue = QtMainQueue::make("test.nested");
    std::vector<std::string> order;
    bool done = false;
    queue->async([&] {
        order.push_back("outer begins");
        queue->async([&] { order.push_back("inner"); });
        queue->asyncAfter(0, WorkItem::make([&] { order.push_back("delayed"); }));
        QEventLoop nested;  // as a modal dialog would run
        QTimer::singleShot(30, &nested, &QEventLoop::quit);
        nested.exec();
        order.push_back("outer ends");
    });
    queue->async([&] { done = true; });
    ASSERT_TRUE(runEventLoopUntil([&] { return done && order.size() == 4; }));
    EXPECT_EQ(order.front(), "outer begins");
    EXPECT_EQ(order[1], "outer ends");
}

TEST(QtMainQueue, ReleasingTheQueueDropsWaitingWork) {
    auto queue = QtMainQueue::make("test.release");
    auto witness = std::make_shared<int>(0);
    std::weak_ptr<int> watch = witness;
    bool ran = false;
    queue->async([&ran, witness] { ran = true; });
    queue->asyncAfter(0, WorkItem::make([&ran, witness] { ran = true; }));
    witness.reset();
    queue.reset();
    EXPECT_TRUE(watch.expired());  // the captures went with the queue
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

TEST(QtMainQueue, DelayedWorkStillRunsWhenItsTimerCannotBeSetAndTheFailureIsLoggedOnce) {
    const struct {
        const char* name;
        int failures;
    } cases[] = {{"no setting succeeds", 1'000'000}, {"the first setting fails", 1}};
    for (const auto& c : cases) {
        auto log = std::make_shared<CapturingLogSink>();
        QtMainQueue::Options options;
        options.setTimer = [failures = std::make_shared<int>(c.failures)](int fd, int flags, const itimerspec* value) {
            if ((*failures)-- <= 0) return ::timerfd_settime(fd, flags, value, nullptr);
            errno = EINVAL;
            return -1;
        };
        auto queue = QtMainQueue::make("test.timer", options, Logger("test", "MainQueue", log));
        std::vector<std::string> fired;
        queue->asyncAfter(0.05, WorkItem::make([&] { fired.push_back("later"); }));
        queue->asyncAfter(0.02, WorkItem::make([&] { fired.push_back("sooner"); }));
        ASSERT_TRUE(runEventLoopUntil([&] { return fired.size() == 2; })) << c.name;
        EXPECT_EQ(fired, (std::vector<std::string>{"sooner", "later"})) << c.name;
        ASSERT_EQ(log->messages().size(), 1u) << c.name;
        EXPECT_NE(log->messages()[0].find("Invalid argument"), std::string::npos) << log->messages()[0];
    }
}
