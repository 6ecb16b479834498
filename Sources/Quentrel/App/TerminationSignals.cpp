#include "TerminationSignals.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>

namespace quentrel {

namespace {
sigset_t terminationSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}
}  // namespace

int TerminationSignals::block() {
    const sigset_t set = terminationSet();
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return -1;
    return ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

TerminationSignals::TerminationSignals(int descriptor, std::function<void()> terminate, QObject* parent)
    : QObject(parent),
      descriptor_(descriptor),
      terminate_(std::move(terminate)),
      notifier_(descriptor, QSocketNotifier::Read) {
    connect(&notifier_, &QSocketNotifier::activated, this, [this] { readSignals(); });
}

TerminationSignals::~TerminationSignals() {
    notifier_.setEnabled(false);
    if (descriptor_ >= 0) ::close(descriptor_);
}

void TerminationSignals::readSignals() {
    bool received = false;
    signalfd_siginfo info;
    while (true) {
        const ssize_t n = ::read(descriptor_, &info, sizeof info);
        if (n == static_cast<ssize_t>(sizeof info)) {
            received = true;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;  // EAGAIN: all read
    }
    if (received && terminate_) terminate_();
}

TerminationDuringStart::TerminationDuringStart(int descriptor) : stop_(::eventfd(0, EFD_CLOEXEC)) {
    if (stop_ < 0) return;
    // Started with the signals blocked, as every thread after block() is.
    watch_ = std::thread([descriptor, stop = stop_] {
        pollfd watched[] = {{descriptor, POLLIN, 0}, {stop, POLLIN, 0}};
        while (::poll(watched, 2, -1) < 0 && errno == EINTR) {
        }
        if (watched[0].revents & POLLIN) ::_exit(EXIT_SUCCESS);
    });
}

TerminationDuringStart::~TerminationDuringStart() {
    if (stop_ < 0) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(stop_, &one, sizeof one);
    watch_.join();
    ::close(stop_);
}

}  // namespace quentrel
