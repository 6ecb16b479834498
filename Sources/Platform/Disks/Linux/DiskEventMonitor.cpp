#include "DiskEventMonitor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace platform {

struct DiskEventMonitor::State {
    int stopDescriptor = -1;
    int udevDescriptor = -1;
    int mountInfoDescriptor = -1;
    std::function<void()> udevReadable;
    std::function<void()> mountsChanged;

    ~State() {
        if (stopDescriptor >= 0) ::close(stopDescriptor);
        if (mountInfoDescriptor >= 0) ::close(mountInfoDescriptor);
    }

    void run() {
        while (true) {
            pollfd descriptors[3] = {{stopDescriptor, POLLIN, 0},
                                     {mountInfoDescriptor, POLLPRI, 0},
                                     {udevDescriptor, POLLIN, 0}};
            if (::poll(descriptors, 3, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (descriptors[0].revents) return;
            if (descriptors[1].revents & (POLLPRI | POLLERR)) mountsChanged();
            if (descriptors[1].revents & POLLNVAL) mountInfoDescriptor = -1;
            if (descriptors[2].revents & POLLIN) udevReadable();
            // A broken udev socket is left alone rather than polled in a busy loop.
            if (descriptors[2].revents & (POLLERR | POLLHUP | POLLNVAL)) udevDescriptor = -1;
        }
    }
};

std::unique_ptr<DiskEventMonitor> DiskEventMonitor::start(int udevDescriptor, int mountInfoDescriptor,
                                                          std::function<void()> udevReadable,
                                                          std::function<void()> mountsChanged) {
    auto state = std::make_shared<State>();
    state->mountInfoDescriptor = mountInfoDescriptor;
    state->udevDescriptor = udevDescriptor;
    state->udevReadable = std::move(udevReadable);
    state->mountsChanged = std::move(mountsChanged);
    state->stopDescriptor = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (state->stopDescriptor < 0) return nullptr;
    try {
        std::thread thread([state] { state->run(); });
        return std::make_unique<DiskEventMonitor>(state, std::move(thread));
    } catch (const std::system_error&) {
        return nullptr;
    }
}

DiskEventMonitor::DiskEventMonitor(std::shared_ptr<State> state, std::thread thread)
    : state_(std::move(state)), thread_(std::move(thread)) {}

DiskEventMonitor::~DiskEventMonitor() {
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(state_->stopDescriptor, &one, sizeof one);
    // The thread keeps its own reference to the state, so it may outlive this object.
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach();
    else
        thread_.join();
}

}  // namespace platform
