#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <deque>
#include <future>
#include <mutex>

#include "Doubles/CapturingLogSink.h"
#include "Platform/Disks/Linux/DiskEventMonitor.h"

using platform::DiskEventMonitor;
using platform::Logger;

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

Logger testLog(std::shared_ptr<CapturingLogSink> sink = nullptr) {
    return Logger("test", "Disks", sink ? sink : std::make_shared<CapturingLogSink>());
}

DiskEventMonitor::Callbacks callbacks(std::function<void()> udevReadable, std::function<bool()> mountsChanged = [] {
    return true;
}) {
    return {std::move(udevReadable), [] {}, std::move(mountsChanged)};
}

constexpr int udevFd = 900;
constexpr int mountsFd = -1;  // the monitor would close a real one

// A poll that answers round by round from a script, then reports the stop descriptor, which ends
// the thread. The pauses between retries (polls of the stop descriptor alone) time out at once.
// run() starts the monitor and returns once the script is played.
struct ScriptedPoll {
    struct Round {
        short mountInfo = 0;
        short udev = 0;
        int result = 1;  // 0: timed out; -1: failed with `error`
        int error = 0;
    };

    std::mutex mutex;
    std::deque<Round> rounds;
    std::vector<int> watchedUdev;  // the udev descriptor of each full poll
    std::vector<int> timeouts;     // of each full poll
    std::vector<int> pauses;       // of each poll of the stop descriptor alone
    int socketError = ENOBUFS;
    int socketErrorsTaken = 0;
    std::promise<void> played;
    bool ended = false;

    void run(DiskEventMonitor::Callbacks calls, Logger log) {
        auto monitor = DiskEventMonitor::start(udevFd, mountsFd, std::move(calls), std::move(log), system());
        ASSERT_TRUE(monitor);
        // A bound for a monitor that gave up before the end of the script; the script itself
        // needs no time.
        EXPECT_EQ(played.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);
    }

    DiskEventMonitor::System system() {
        DiskEventMonitor::System system;
        system.poll = [this](pollfd* descriptors, nfds_t count, int timeout) {
            std::lock_guard lock(mutex);
            for (nfds_t i = 0; i < count; ++i) descriptors[i].revents = 0;
            if (count == 1) {
                pauses.push_back(timeout);
                return 0;
            }
            watchedUdev.push_back(descriptors[2].fd);
            timeouts.push_back(timeout);
            if (rounds.empty()) {
                descriptors[0].revents = POLLIN;
                if (!std::exchange(ended, true)) played.set_value();
                return 1;
            }
            Round round = rounds.front();
            rounds.pop_front();
            if (round.result < 0) {
                errno = round.error;
                return -1;
            }
            if (descriptors[1].fd >= 0 || round.mountInfo) descriptors[1].revents = round.mountInfo;
            if (descriptors[2].fd >= 0) descriptors[2].revents = round.udev;
            return round.result;
        };
        system.takeSocketError = [this](int) {
            std::lock_guard lock(mutex);
            ++socketErrorsTaken;
            return std::exchange(socketError, 0);
        };
        return system;
    }
};

}  // namespace

TEST(DiskEventMonitor, reportsReadableEventsAndStops) {
    Pipe udev;
    std::promise<void> firstEvent;
    int events = 0;
    auto farewell = std::make_shared<Farewell>();
    auto finished = farewell->gone.get_future();
    auto monitor = DiskEventMonitor::start(udev.ends[0], -1, callbacks([&, farewell] {
                                               udev.drain();
                                               if (++events == 1) firstEvent.set_value();
                                           }),
                                           testLog());
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
    monitor = DiskEventMonitor::start(udev.ends[0], -1, callbacks([&, farewell] {
                                          ready.get_future().wait();
                                          udev.drain();
                                          monitor.reset();  // on the monitor's own thread: must not join itself
                                      }),
                                      testLog());
    farewell.reset();
    ASSERT_TRUE(monitor);
    udev.signal();
    ready.set_value();
    finished.wait();  // the thread ended and released its callbacks
    EXPECT_FALSE(monitor);
}

TEST(DiskEventMonitor, noCallbackRunsAfterAnEarlierOneDestroyedTheMonitor) {
    ScriptedPoll script;
    script.rounds = {{POLLPRI, POLLIN | POLLERR}};
    std::unique_ptr<DiskEventMonitor> monitor;
    std::promise<void> started;
    auto farewell = std::make_shared<Farewell>();
    auto finished = farewell->gone.get_future();
    int udevCalls = 0;
    int overflowCalls = 0;
    DiskEventMonitor::Callbacks calls;
    calls.udevReadable = [&, farewell] { ++udevCalls; };
    calls.udevOverflowed = [&] { ++overflowCalls; };
    calls.mountsChanged = [&] {
        started.get_future().wait();
        monitor.reset();  // the mount table comes first in a round
        return true;
    };
    monitor = DiskEventMonitor::start(udevFd, mountsFd, std::move(calls), testLog(), script.system());
    farewell.reset();
    ASSERT_TRUE(monitor);
    started.set_value();
    finished.wait();
    EXPECT_EQ(udevCalls, 0);
    EXPECT_EQ(overflowCalls, 0);
}

TEST(DiskEventMonitor, aSocketErrorIsClearedReportedAndTheSocketWatchedOn) {
    ScriptedPoll script;
    script.rounds = {{0, POLLERR}, {0, POLLIN}, {0, POLLIN | POLLERR}};
    int readable = 0;
    int overflows = 0;
    auto sink = std::make_shared<CapturingLogSink>();
    DiskEventMonitor::Callbacks calls{[&] { ++readable; }, [&] { ++overflows; }, [] { return true; }};
    script.run(std::move(calls), testLog(sink));

    EXPECT_EQ(script.watchedUdev, (std::vector<int>{udevFd, udevFd, udevFd, udevFd}));
    EXPECT_EQ(overflows, 2);
    EXPECT_EQ(readable, 2);
    EXPECT_EQ(script.socketErrorsTaken, 2);
    EXPECT_FALSE(sink->messages().empty());
}

TEST(DiskEventMonitor, aFailingPollIsRetriedAfterAGrowingPause) {
    ScriptedPoll script;
    script.rounds = {{0, 0, -1, EINTR}, {0, 0, -1, ENOMEM}, {0, 0, -1, ENOMEM}, {0, 0, -1, ENOMEM}, {0, POLLIN},
                     {0, 0, -1, ENOMEM}};
    int readable = 0;
    auto sink = std::make_shared<CapturingLogSink>();
    script.run(callbacks([&] { ++readable; }), testLog(sink));

    EXPECT_EQ(readable, 1);
    // An interrupted poll is no failure; a success starts the pauses over.
    EXPECT_EQ(script.pauses, (std::vector<int>{250, 500, 1000, 250}));
    EXPECT_EQ(sink->records().size(), 4u);
}

TEST(DiskEventMonitor, anUnreadableMountTableIsReadAgainLater) {
    ScriptedPoll script;
    // A change, then two timeouts of the retry pause, a udev wake-up before the third, and later a
    // second change.
    script.rounds = {{POLLPRI}, {0, 0, 0}, {0, 0, 0}, {0, POLLIN}, {0, 0, 0}, {POLLPRI}};
    std::vector<bool> answers = {false, false, false, true, true};
    std::size_t reads = 0;
    auto sink = std::make_shared<CapturingLogSink>();
    script.run(callbacks([] {}, [&] { return answers.at(reads++); }), testLog(sink));

    EXPECT_EQ(reads, 5u);
    EXPECT_EQ(script.timeouts, (std::vector<int>{-1, 250, 500, 1000, 1000, -1, -1}));
    EXPECT_EQ(sink->records().size(), 3u);
}
