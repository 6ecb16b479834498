#pragma once

#include <poll.h>

#include <functional>
#include <memory>
#include <thread>

#include "Platform/Log/Logger.h"

namespace platform {

// One background thread that waits on the udev monitor and the mount table and reports what
// changed. It stops when the monitor is destroyed; destroying it from one of its own callbacks is
// allowed (no further callback runs, and the thread then ends by itself).
//
// Nothing ends the watch while the monitor lives: a socket error on the udev descriptor is
// cleared and reported, a failing poll and an unreadable mount table are logged and retried after
// a growing pause.
class DiskEventMonitor {
public:
    struct Callbacks {
        // Events wait on the udev descriptor.
        std::function<void()> udevReadable;
        // The udev socket reported an error (a full receive buffer): events were dropped.
        std::function<void()> udevOverflowed;
        // The mount table changed. False when it could not be read: it is read again later.
        std::function<bool()> mountsChanged;
    };

    // The calls the thread makes into the system; tests replace them.
    struct System {
        std::function<int(pollfd* descriptors, nfds_t count, int timeoutMilliseconds)> poll;
        // The pending error of a socket (SO_ERROR), which reading clears; -1 when it cannot be read.
        std::function<int(int descriptor)> takeSocketError;

        static System real();
    };

    // The pause before the first retry, doubled at each further failure up to the longest.
    static constexpr int firstRetryMilliseconds = 250;
    static constexpr int longestRetryMilliseconds = 30'000;

    // `udevDescriptor` turns readable when udev events wait (-1: none to watch). The monitor owns
    // `mountInfoDescriptor`, an open /proc/self/mountinfo (-1: none), which signals a change of
    // the mount table with POLLPRI. Null when the thread cannot be set up.
    static std::unique_ptr<DiskEventMonitor> start(int udevDescriptor, int mountInfoDescriptor, Callbacks callbacks,
                                                   Logger log, System system = System::real());
    ~DiskEventMonitor();

    DiskEventMonitor(const DiskEventMonitor&) = delete;
    DiskEventMonitor& operator=(const DiskEventMonitor&) = delete;

    struct State;
    DiskEventMonitor(std::shared_ptr<State> state, std::thread thread);  // use start()

private:
    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace platform
