#pragma once

#include <functional>
#include <memory>
#include <thread>

namespace platform {

// One background thread that waits on the udev monitor and the mount table and reports what
// changed. It stops when the monitor is destroyed; destroying it from one of its own callbacks is
// allowed (the thread then ends by itself).
class DiskEventMonitor {
public:
    // `udevDescriptor` turns readable when udev events wait (-1: none to watch). The monitor owns
    // `mountInfoDescriptor`, an open /proc/self/mountinfo (-1: none), which signals a change of
    // the mount table with POLLPRI. Null when the thread cannot be set up.
    static std::unique_ptr<DiskEventMonitor> start(int udevDescriptor, int mountInfoDescriptor,
                                                   std::function<void()> udevReadable,
                                                   std::function<void()> mountsChanged);
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
