#include "DiskEventMonitor.h"

#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace platform {

namespace {

// A pause that doubles at each use, up to the longest; reset() starts it over.
class Backoff {
public:
    int next() {
        int pause = pause_;
        pause_ = std::min(pause_ * 2, DiskEventMonitor::longestRetryMilliseconds);
        return pause;
    }
    void reset() { pause_ = DiskEventMonitor::firstRetryMilliseconds; }

private:
    int pause_ = DiskEventMonitor::firstRetryMilliseconds;
};

std::string errorText(int error) { return std::system_category().message(error) + " (" + std::to_string(error) + ")"; }

}  // namespace

struct DiskEventMonitor::State {
    using Clock = std::chrono::steady_clock;

    int stopDescriptor = -1;
    int udevDescriptor = -1;
    int mountInfoDescriptor = -1;
    Callbacks callbacks;
    Logger log;
    System system;
    // Set before the stop descriptor is signalled, and checked after every callback: a callback
    // may have destroyed the monitor.
    std::atomic<bool> stopped{false};

    Backoff pollBackoff;
    Backoff mountsBackoff;
    Backoff socketBackoff;
    std::optional<Clock::time_point> mountsRetry;  // when the unreadable mount table is read again
    int mountsRetryPause = 0;
    bool socketErrorBefore = false;  // the last round reported a socket error too

    State(Callbacks handlers, Logger logger, System calls)
        : callbacks(std::move(handlers)), log(std::move(logger)), system(std::move(calls)) {}

    ~State() {
        if (stopDescriptor >= 0) ::close(stopDescriptor);
        if (mountInfoDescriptor >= 0) ::close(mountInfoDescriptor);
    }

    // Waits on the stop descriptor alone; false when the monitor is stopping.
    bool pause(int milliseconds) {
        pollfd stop{stopDescriptor, POLLIN, 0};
        system.poll(&stop, 1, milliseconds);
        return !stopped.load();
    }

    void readMounts() {
        if (callbacks.mountsChanged()) {
            mountsRetry.reset();
            mountsBackoff.reset();
            return;
        }
        mountsRetryPause = mountsBackoff.next();
        mountsRetry = Clock::now() + std::chrono::milliseconds(mountsRetryPause);
        log.error("The mount table could not be read; reading it again in " + std::to_string(mountsRetryPause) +
                  " ms");
    }

    void takeSocketError() {
        int error = system.takeSocketError(udevDescriptor);
        if (error < 0) {
            // Not a socket whose error can be cleared: polling it again would only spin.
            log.error("The udev descriptor reports an error that cannot be cleared; it is no longer watched");
            udevDescriptor = -1;
            return;
        }
        log.notice(error ? "udev events were dropped (" + errorText(error) + "); the disks are scanned again"
                         : std::string("The udev socket reported an error; the disks are scanned again"));
        callbacks.udevOverflowed();
    }

    void run() {
        while (!stopped.load()) {
            pollfd descriptors[3] = {{stopDescriptor, POLLIN, 0},
                                     {mountInfoDescriptor, POLLPRI, 0},
                                     {udevDescriptor, POLLIN, 0}};
            const int timeout = mountsRetry ? mountsRetryPause : -1;
            const int ready = system.poll(descriptors, 3, timeout);
            if (ready < 0) {
                const int error = errno;
                if (error == EINTR) continue;
                const int pauseLength = pollBackoff.next();
                log.error("Waiting for disk events failed: " + errorText(error) + "; trying again in " +
                          std::to_string(pauseLength) + " ms");
                if (!pause(pauseLength)) return;
                continue;
            }
            pollBackoff.reset();
            if (descriptors[0].revents || stopped.load()) return;

            const short mounts = descriptors[1].revents;
            const bool retryDue = mountsRetry && (ready == 0 || Clock::now() >= *mountsRetry);
            if ((mounts & (POLLPRI | POLLERR)) || retryDue) {
                readMounts();
                if (stopped.load()) return;
            }
            if (mounts & POLLNVAL) mountInfoDescriptor = -1;

            const short udev = descriptors[2].revents;
            const bool socketError = udev & POLLERR;
            if (socketError) {
                // An error that comes back round after round is not polled in a busy loop.
                if (socketErrorBefore && !pause(socketBackoff.next())) return;
                takeSocketError();
                if (stopped.load()) return;
            } else {
                socketBackoff.reset();
            }
            socketErrorBefore = socketError;
            if (udev & POLLIN) {
                callbacks.udevReadable();
                if (stopped.load()) return;
            }
            if (udev & (POLLHUP | POLLNVAL)) {
                log.error("The udev descriptor was closed; it is no longer watched");
                udevDescriptor = -1;
            }
        }
    }
};

DiskEventMonitor::System DiskEventMonitor::System::real() {
    System system;
    system.poll = [](pollfd* descriptors, nfds_t count, int timeout) { return ::poll(descriptors, count, timeout); };
    system.takeSocketError = [](int descriptor) {
        int error = 0;
        socklen_t length = sizeof error;
        return ::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &error, &length) == 0 ? error : -1;
    };
    return system;
}

std::unique_ptr<DiskEventMonitor> DiskEventMonitor::start(int udevDescriptor, int mountInfoDescriptor,
                                                          Callbacks callbacks, Logger log, System system) {
    auto state = std::make_shared<State>(std::move(callbacks), std::move(log), std::move(system));
    state->mountInfoDescriptor = mountInfoDescriptor;
    state->udevDescriptor = udevDescriptor;
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
    state_->stopped.store(true);
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(state_->stopDescriptor, &one, sizeof one);
    // The thread keeps its own reference to the state, so it may outlive this object.
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach();
    else
        thread_.join();
}

}  // namespace platform
