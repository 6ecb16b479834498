#include <gtest/gtest.h>

#include <unistd.h>

#include <future>

#include "Platform/Disks/Linux/DiskEventMonitor.h"

using platform::DiskEventMonitor;

namespace {

struct Pipe {
    int ends[2] = {-1, -1};
    Pipe() { EXPECT_EQ(::pipe(ends), 0); }
    ~Pipe() {
        for (int end : ends)
            if (end >= 0) ::close(end);
    }
    void signal() { EXPECT_EQ(::write(ends[1], "x", 1), 1); }
    void drain() {
        char byte;
        EXPECT_EQ(::read(ends[0], &byte, 1), 1);
    }
};

// Sets a promise when the last copy of the callbacks is gone.
struct Farewell {
    std::promise<void> gone;
    ~Farewell() { gone.set_value(); }
};

}  // namespace

TEST(DiskEventMonitor, reportsReadableEventsAndStops) {
    Pipe udev;
    std::promise<void> firstEvent;
    int events = 0;
    auto farewell = std::make_shared<Farewell>();
    auto finished = farewell->gone.get_future();
    auto monitor = DiskEventMonitor::start(
        udev.ends[0], -1,
        [&, farewell] {
            udev.drain();
            if (++events == 1) firstEvent.set_value();
        },
        [] {});
    farewell.reset();
    ASSERT_TRUE(monitor);
    udev.signal();
    firstEvent.get_future().wait();  // a blocking wait for the event, not a timing
    monitor.reset();                  // joins
    EXPECT_EQ(finished.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    EXPECT_EQ(events, 1);
}

TEST(DiskEventMonitor, canBeDestroyedFromItsOwnCallback) {
    Pipe udev;
    std::unique_ptr<DiskEventMonitor> monitor;
    std::promise<void> ready;
    auto farewell = std::make_shared<Farewell>();
    auto finished = farewell->gone.get_future();
    monitor = DiskEventMonitor::start(
        udev.ends[0], -1,
        [&, farewell] {
            ready.get_future().wait();
            udev.drain();
            monitor.reset();  // on the monitor's own thread: must not join itself
        },
        [] {});
    farewell.reset();
    ASSERT_TRUE(monitor);
    udev.signal();
    ready.set_value();
    finished.wait();  // the thread ended and released its callbacks
    EXPECT_FALSE(monitor);
}
