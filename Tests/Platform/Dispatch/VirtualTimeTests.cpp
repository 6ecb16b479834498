#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "Platform/Dispatch/VirtualTime.h"

using namespace platform;

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct Observed {
    std::string name;
    double uptime, continuous, wall;
    bool operator==(const Observed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Observed& seen) {
    return out << seen.name << "@" << seen.uptime << "/" << seen.continuous << "/" << seen.wall;
}

}  // namespace

TEST(VirtualTime, RunsQueuesInSubmissionOrderOnlyWhenAsked) {
    auto time = VirtualTime::make();
    auto a = time->makeQueue("a");
    auto b = time->makeQueue("b");
    EXPECT_EQ(a->label(), "a");
    std::vector<std::string> seen;
    a->async([&] {
        seen.push_back(a->isCurrent() && !b->isCurrent() ? "a1" : "a1 not current");
        a->async([&] { seen.push_back("a3"); });
    });
    b->async([&] { seen.push_back("b1"); });
    a->async([&] { seen.push_back("a2"); });
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(time->pendingCount(), 3u);

    time->runUntilIdle();
    EXPECT_EQ(seen, (std::vector<std::string>{"a1", "b1", "a2", "a3"}));
    EXPECT_FALSE(a->isCurrent());
    EXPECT_EQ(time->pendingCount(), 0u);
    EXPECT_EQ(time->uptime(), 1000);
    EXPECT_EQ(a->now(), 1000);
}

TEST(VirtualTime, SyncRunsEarlierDueWorkOfItsOwnQueueFirst) {
    auto time = VirtualTime::make();
    auto a = time->makeQueue("a");
    auto b = time->makeQueue("b");
    std::vector<std::string> seen;
    a->async([&] {
        seen.push_back("a1");
        a->async([&] { seen.push_back("a-later"); });  // behind the sync below
    });
    b->async([&] { seen.push_back("b1"); });
    a->asyncAfter(1, WorkItem::make([&] { seen.push_back("a-delayed"); }));
    a->async([&] { seen.push_back("a2"); });

    a->sync([&] {
        seen.push_back(a->isCurrent() ? "sync" : "sync not current");
        b->sync([&] { seen.push_back(b->isCurrent() && a->isCurrent() ? "nested" : "nested not current"); });
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"a1", "a2", "sync", "b1", "nested"}));
    EXPECT_FALSE(a->isCurrent());

    time->runUntilIdle();
    EXPECT_EQ(seen.back(), "a-later");
    time->advance(1);
    EXPECT_EQ(seen.back(), "a-delayed");
}

TEST(VirtualTime, DelayedWorkRunsAtItsDeadlineInOrder) {
    auto time = VirtualTime::make(500, 1000, 2000);
    auto a = time->makeQueue("a");
    auto b = time->makeQueue("b");
    std::vector<Observed> runs;
    auto item = [&](std::string name, std::function<void()> then = {}) {
        return WorkItem::make([&, name, then] {
            runs.push_back({name, time->uptime(), time->continuous(), time->wall()});
            if (then) then();
        });
    };
    a->asyncAfter(2, item("two"));
    a->asyncAfter(1, item("one", [&] { a->asyncAfter(0.5, item("one and a half")); }));
    b->asyncAfter(1, item("one, later"));
    a->asyncAfter(-3, item("negative"));
    auto cancelled = item("cancelled");
    a->asyncAfter(0.5, cancelled);
    cancelled->cancel();
    for (double never : {kInfinity, std::nan(""), 1e300, 2 * kLongestDelay}) a->asyncAfter(never, item("never"));

    EXPECT_EQ(time->pendingCount(), 5u);
    EXPECT_EQ(time->nextDeadline(), 1000);
    time->runUntilIdle();
    EXPECT_EQ(runs, (std::vector<Observed>{{"negative", 1000, 2000, 500}}));
    EXPECT_EQ(time->nextDeadline(), 1000.5);  // the cancelled item, until its deadline passes

    time->advance(3);
    EXPECT_EQ(runs, (std::vector<Observed>{{"negative", 1000, 2000, 500},
                                      {"one", 1001, 2001, 501},
                                      {"one, later", 1001, 2001, 501},
                                      {"one and a half", 1001.5, 2001.5, 501.5},
                                      {"two", 1002, 2002, 502}}));
    EXPECT_EQ(time->uptime(), 1003);
    EXPECT_EQ(time->continuous(), 2003);
    EXPECT_EQ(time->wall(), 503);
    EXPECT_EQ(time->pendingCount(), 0u);
    EXPECT_EQ(time->nextDeadline(), kInfinity);

    for (double bad : {std::nan(""), -1.0, kInfinity}) time->advance(bad);
    EXPECT_EQ(time->uptime(), 1003);
    time->advance(1e12);
    EXPECT_EQ(runs.size(), 5u);
}

TEST(VirtualTime, SleepMovesContinuousAndWallButNotTheQueues) {
    auto time = VirtualTime::make(0, 1000, 1000);
    auto queue = time->makeQueue("q");
    std::vector<Observed> runs;
    queue->asyncAfter(10, WorkItem::make([&] { runs.push_back({"ten", time->uptime(), time->continuous(), time->wall()}); }));

    time->sleep(60);
    time->runUntilIdle();
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(time->uptime(), 1000);
    EXPECT_EQ(time->continuous(), 1060);
    EXPECT_EQ(time->wall(), 60);
    EXPECT_EQ(time->nextDeadline(), 1010);

    time->advance(10);
    EXPECT_EQ(runs, (std::vector<Observed>{{"ten", 1010, 1070, 70}}));

    time->shiftWall(-30);
    time->sleep(-5);
    time->sleep(std::nan(""));
    EXPECT_EQ(time->uptime(), 1010);
    EXPECT_EQ(time->continuous(), 1070);
    EXPECT_EQ(time->wall(), 40);
}

TEST(VirtualTime, QueueAndSchedulerLifetimesAreIndependent) {
    auto time = VirtualTime::make();

    // Work of a destroyed queue still runs.
    auto gone = time->makeQueue("gone");
    bool ran = false;
    gone->async([&] { ran = true; });
    gone.reset();
    time->runUntilIdle();
    EXPECT_TRUE(ran);

    // Work holding its own queue does not keep the scheduler's entries alive.
    auto held = time->makeQueue("held");
    std::weak_ptr<SerialQueue> heldRef = held;
    held->asyncAfter(100, WorkItem::make([held] {}));
    held.reset();
    EXPECT_FALSE(heldRef.expired());

    // A queue outliving its scheduler runs sync work inline and drops async work.
    auto survivor = time->makeQueue("survivor");
    time.reset();
    EXPECT_TRUE(heldRef.expired());
    bool synced = false;
    survivor->async([&] { ran = false; });
    survivor->sync([&] { synced = survivor->isCurrent(); });
    EXPECT_TRUE(synced);
    EXPECT_TRUE(ran);
}

TEST(VirtualTimeDeathTest, SyncFromItsOwnWorkAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto time = VirtualTime::make();
            auto queue = time->makeQueue("test.self");
            queue->async([&] { queue->sync([] {}); });
            time->runUntilIdle();
        },
        "sync\\(\\) called on queue \"test.self\" from its own work");
}
