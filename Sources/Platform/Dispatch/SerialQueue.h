#pragma once

#include <condition_variable>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>

#include "WorkItem.h"

namespace platform {

// The longest delay that still comes due (about 31 years); anything longer counts as never.
inline constexpr double kLongestDelay = 1e9;

// A delay as every queue applies it: negative counts as 0; NaN, infinite or longer than
// kLongestDelay gives +infinity, which means never.
inline double effectiveDelay(double seconds) {
    if (!(seconds <= kLongestDelay)) return std::numeric_limits<double>::infinity();
    return seconds > 0 ? seconds : 0.0;
}

// What sync() is on every queue: hands `work` to `submit` (the queue's async) and blocks until it
// has run. Callers rule out waiting on the queue's own thread first.
inline void submitAndWait(const std::function<void(std::function<void()>)>& submit,
                          const std::function<void()>& work) {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    submit([&] {
        if (work) work();
        std::lock_guard lock(mutex);
        done = true;
        finished.notify_all();
    });
    std::unique_lock lock(mutex);
    finished.wait(lock, [&] { return done; });
}

// A queue that runs its work one item at a time, in the order it was submitted. The main queue
// is one of these too (work runs on the main thread). Delays are measured on the queue's clock,
// which is the system uptime: it does not advance while the system sleeps.
class SerialQueue {
public:
    virtual ~SerialQueue() = default;

    virtual const std::string& label() const = 0;

    // Runs `work` later on the queue; callable from any thread, also from the queue itself.
    virtual void async(std::function<void()> work) = 0;

    // Runs `item` on the queue once `seconds` have passed, unless it was cancelled first. A
    // negative delay counts as 0; an infinite, NaN or huge delay means the item never runs.
    virtual void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) = 0;

    // Runs `work` on the queue after everything submitted before it and waits for it. Must not be
    // called from the queue itself.
    virtual void sync(std::function<void()> work) = 0;

    // Whether the calling code runs as one of this queue's work items.
    virtual bool isCurrent() const = 0;

    // The queue clock in seconds.
    virtual double now() const = 0;
};

using SerialQueuePtr = std::shared_ptr<SerialQueue>;

}  // namespace platform
