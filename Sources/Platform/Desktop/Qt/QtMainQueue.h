#pragma once

#include <sys/timerfd.h>

#include <functional>
#include <memory>
#include <string>

#include "Platform/Dispatch/SerialQueue.h"
#include "Platform/Log/Logger.h"

namespace platform {

// The main queue of a program with a Qt event loop: work runs on the thread of the
// QCoreApplication, one item at a time, in the order it was submitted, also when an item runs a
// nested event loop (a modal dialog): items that come due meanwhile wait until it returns.
//
// Its clock is the continuous clock (CLOCK_BOOTTIME), which keeps counting while the system
// sleeps: a delay that ends during a sleep comes due at once on wake. Delayed work sits on a
// CLOCK_BOOTTIME timerfd, because Qt's own timers measure on CLOCK_MONOTONIC.
//
// When that timer cannot be set, the failure is logged (once until it can be set again) and the
// delayed work is timed by a Qt timer instead: it runs late after a sleep, but it runs.
//
// Work still waiting when the queue is destroyed is dropped, as is work submitted to a queue whose
// event loop never runs again.
class QtMainQueue final : public SerialQueue {
public:
    struct Options {
        // Sets the timer as timerfd_settime(2) does; tests make it fail.
        std::function<int(int descriptor, int flags, const itimerspec* value)> setTimer;
    };

    // Call on the thread of the QCoreApplication, which must exist; aborts otherwise.
    static std::shared_ptr<QtMainQueue> make(std::string label, Options options, Logger logger);
    // The system's timer; logs under the program's bundle identifier.
    static std::shared_ptr<QtMainQueue> make(std::string label);
    ~QtMainQueue() override;

    const std::string& label() const override;
    void async(std::function<void()> work) override;
    void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) override;
    // Aborts when called on the event loop's thread: that would wait for itself.
    void sync(std::function<void()> work) override;
    bool isCurrent() const override;
    double now() const override;  // seconds of CLOCK_BOOTTIME

    struct State;
    QtMainQueue(std::string label, Options options, Logger logger);  // use make()

private:
    std::shared_ptr<State> state_;
};

}  // namespace platform
