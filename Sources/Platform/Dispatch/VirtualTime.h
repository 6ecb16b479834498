#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SerialQueue.h"

namespace platform {

// Deterministic time for tests. Queues made here run nothing by themselves: runUntilIdle() runs
// the work that is due, advance() moves the clocks forward and runs delayed work at its exact
// deadline. Work runs in deadline order, ties in submission order, all on the calling thread.
//
// Three clocks, all in seconds: uptime (the queues' clock, stops while the system sleeps),
// continuous (keeps counting in sleep) and wall (seconds since 2001-01-01 UTC).
//
// Work may be submitted from any thread; running it (runUntilIdle, advance, sync) belongs to the
// test's thread and not to work itself. Work that re-posts itself with async() forever makes
// runUntilIdle() run forever. Work items keep their queue's state alive: entries of a queue that
// was destroyed still run. A delay that never comes due (see effectiveDelay) is dropped at once.
class VirtualTime : public std::enable_shared_from_this<VirtualTime> {
public:
    static std::shared_ptr<VirtualTime> make(double wallStart = 0, double uptimeStart = 1000,
                                             double continuousStart = 1000);

    SerialQueuePtr makeQueue(std::string label);

    // Runs every item whose deadline has come, including those submitted meanwhile.
    void runUntilIdle();
    // Moves all three clocks forward by `seconds`, running each delayed item when its deadline
    // comes (the clocks then read that deadline), then runs what is due. A negative or non-finite
    // amount moves nothing.
    void advance(double seconds);
    // A system sleep of `seconds`: continuous and wall advance, uptime and the queues do not.
    void sleep(double seconds);
    // Moves only the wall clock (a user changing the time).
    void shiftWall(double seconds);

    double uptime() const;
    double continuous() const;
    double wall() const;

    // Items waiting, due or not (cancelled items included until their deadline passes; delays that
    // never come due are not kept).
    std::size_t pendingCount() const;
    // The earliest deadline of the waiting items, or +infinity.
    double nextDeadline() const;

    struct Entry;
    struct Impl;
    explicit VirtualTime(double wallStart, double uptimeStart, double continuousStart);  // use make()
    ~VirtualTime();

private:
    std::shared_ptr<Impl> impl_;
};

}  // namespace platform
