#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Dispatch/ThreadSerialQueue.h"
#include "Platform/Dispatch/TimerSource.h"

using namespace platform;

namespace {

// Only a guard against hanging the whole run; no test looks at how long anything took.
template <class T>
bool becomesReady(std::future<T>& future) {
    return future.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
}

// Holds a queue up until open(), so that work piles up behind it.
class Gate {
public:
    std::function<void()> closed() {
        return [future = future_] { future.wait(); };
    }
    void open() { promise_.set_value(); }

private:
    std::promise<void> promise_;
    std::shared_future<void> future_ = promise_.get_future().share();
};

// Fulfils its promise when destroyed, i.e. when whatever holds it has been dropped.
struct SignalOnDestroy {
    std::promise<void> promise;
    ~SignalOnDestroy() { promise.set_value(); }
};

}  // namespace

TEST(ThreadSerialQueue, RunsWorkInOrderAndSyncWaitsForEarlierWork) {
    auto queue = ThreadSerialQueue::make("test.order");
    EXPECT_EQ(queue->label(), "test.order");
    EXPECT_FALSE(queue->isCurrent());

    std::vector<int> seen;  // touched only on the queue until the last sync returns
    Gate gate;
    queue->async(gate.closed());
    for (int i = 0; i < 500; ++i) queue->async([&seen, i] { seen.push_back(i); });
    queue->async([&] { queue->async([&] { seen.push_back(-1); }); });  // goes behind 500
    queue->async([&] { seen.push_back(500); });
    gate.open();

    queue->sync([] {});  // the nested item is submitted by now
    bool current = false;
    std::thread::id worker;
    queue->sync([&] {
        current = queue->isCurrent();
        worker = std::this_thread::get_id();
    });
    ASSERT_EQ(seen.size(), 502u);
    for (std::size_t i = 0; i <= 500; ++i) EXPECT_EQ(seen[i], static_cast<int>(i));
    EXPECT_EQ(seen.back(), -1);
    EXPECT_TRUE(current);
    EXPECT_NE(worker, std::this_thread::get_id());
}

TEST(ThreadSerialQueue, DelayedWorkHonoursCancellationTiesAndSaturation) {
    auto queue = ThreadSerialQueue::make("test.delayed");
    std::vector<std::string> seen;
    Gate gate;
    queue->async(gate.closed());

    auto cancelled = WorkItem::make([&] { seen.push_back("cancelled"); });
    queue->asyncAfter(0, cancelled);
    for (double never : {std::numeric_limits<double>::infinity(), std::nan(""), 1e300, 2 * kLongestDelay})
        queue->asyncAfter(never, WorkItem::make([&] { seen.push_back("never"); }));
    queue->asyncAfter(-5, WorkItem::make([&] { seen.push_back("negative"); }));
    for (const char* name : {"a", "b", "c"}) queue->asyncAfter(0.001, WorkItem::make([&, name] { seen.push_back(name); }));
    std::promise<bool> done;
    auto doneFuture = done.get_future();
    queue->asyncAfter(0.001, WorkItem::make([&] { done.set_value(queue->isCurrent()); }));
    cancelled->cancel();
    gate.open();

    ASSERT_TRUE(becomesReady(doneFuture));
    EXPECT_TRUE(doneFuture.get());
    EXPECT_EQ(seen, (std::vector<std::string>{"negative", "a", "b", "c"}));
}

TEST(ThreadSerialQueue, DelayedWorkSubmittedFromAnotherThreadWhileTheWorkerWaitsForADeadline) {
    // The worker sleeps until the earliest deadline while other threads add delayed work; each
    // addition may move the pending items in memory and wakes the worker (AddressSanitizer saw it
    // read a deadline from freed storage).
    auto queue = ThreadSerialQueue::make("test.waiting");
    queue->asyncAfter(1000, WorkItem::make([] {}));
    for (int round = 0; round < 4; ++round) {
        queue->sync([] {});  // the worker goes back to waiting for the far deadline
        std::thread other([&] {
            for (int i = 0; i < 200; ++i) queue->asyncAfter(1000 + i, WorkItem::make([] {}));
        });
        other.join();
    }
    std::promise<void> ran;
    auto ranFuture = ran.get_future();
    queue->asyncAfter(0.001, WorkItem::make([&] { ran.set_value(); }));
    EXPECT_TRUE(becomesReady(ranFuture));
}

TEST(ThreadSerialQueue, ReleasingTheLastOwnerFinishesSubmittedWorkAndDropsDelayedWork) {
    // Released from another thread: the destructor waits for the submitted work.
    auto queue = ThreadSerialQueue::make("test.release");
    int ran = 0;
    for (int i = 0; i < 100; ++i) queue->async([&] { ++ran; });
    auto late = WorkItem::make([&] { ran += 1000; });
    std::weak_ptr<WorkItem> lateRef = late;
    queue->asyncAfter(1000, std::move(late));
    queue.reset();
    EXPECT_EQ(ran, 100);
    EXPECT_TRUE(lateRef.expired());

    // Released by one of its own work items: no self-join, the later work still runs.
    auto own = ThreadSerialQueue::make("test.self-release");
    ThreadSerialQueue* raw = own.get();
    std::vector<std::string> seen;
    Gate gate;
    raw->async(gate.closed());
    raw->async([&, owner = own]() mutable {
        owner.reset();
        seen.push_back("released");
    });
    auto dropped = std::make_shared<SignalOnDestroy>();
    auto droppedFuture = dropped->promise.get_future();
    raw->asyncAfter(1000, WorkItem::make([&, dropped] { seen.push_back("late"); }));
    dropped.reset();
    std::promise<void> after;
    auto afterFuture = after.get_future();
    raw->async([&] {
        seen.push_back("after");
        after.set_value();
    });
    own.reset();
    gate.open();

    ASSERT_TRUE(becomesReady(afterFuture));
    ASSERT_TRUE(becomesReady(droppedFuture));  // the worker ended and let go of the delayed item
    EXPECT_EQ(seen, (std::vector<std::string>{"released", "after"}));
}

TEST(ThreadSerialQueue, TimerOwningItsQueueCanBeReleasedByItsHandler) {
    auto timer = TimerSource::make(ThreadSerialQueue::make("test.timer"));  // the timer owns the queue
    std::weak_ptr<TimerSource> timerRef = timer;
    int fires = 0;
    std::promise<void> fired;
    auto firedFuture = fired.get_future();
    auto handlerGone = std::make_shared<SignalOnDestroy>();
    auto handlerGoneFuture = handlerGone->promise.get_future();
    timer->setEventHandler([&, handlerGone] {
        ++fires;
        timer.reset();
        fired.set_value();
    });
    handlerGone.reset();
    timer->schedule(0, 0.001, 0);
    timer->resume();

    ASSERT_TRUE(becomesReady(firedFuture));
    ASSERT_TRUE(becomesReady(handlerGoneFuture));  // the timer itself was destroyed on its queue
    EXPECT_EQ(fires, 1);
    EXPECT_TRUE(timerRef.expired());
}

TEST(RunLoopQueue, RunsOnTheCallingThreadUntilStopped) {
    RunLoopQueue loop("test.main");
    EXPECT_EQ(loop.label(), "test.main");
    std::vector<std::string> seen;
    loop.async([&] {
        seen.push_back(loop.isCurrent() ? "a on loop" : "a elsewhere");
        loop.stop();
    });
    loop.async([&] { seen.push_back("b"); });
    loop.run();  // returns after the item that stopped it
    EXPECT_EQ(seen, (std::vector<std::string>{"a on loop"}));
    EXPECT_FALSE(loop.isCurrent());

    std::thread runner([&] { loop.run(); });
    const auto runnerId = runner.get_id();
    std::thread::id ranOn;
    loop.sync([&] {
        seen.push_back("synced");
        ranOn = std::this_thread::get_id();
    });
    loop.stop();  // from another thread
    runner.join();
    EXPECT_EQ(seen, (std::vector<std::string>{"a on loop", "b", "synced"}));
    EXPECT_EQ(ranOn, runnerId);
}

TEST(ThreadSerialQueueDeathTest, SyncFromItsOwnWorkAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto queue = ThreadSerialQueue::make("test.self");
            queue->sync([&] { queue->sync([] {}); });
        },
        "sync\\(\\) called on queue \"test.self\" from its own work");
}
