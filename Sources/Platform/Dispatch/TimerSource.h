#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "SerialQueue.h"

namespace platform {

// A timer whose handler runs on one serial queue. Like a dispatch timer source it is created
// suspended: schedule it, set its handler and resume it. After cancel() the handler never runs again
// and is released. The queue holds the timer only weakly: dropping the last owner stops it, also
// from inside the handler.
class TimerSource : public std::enable_shared_from_this<TimerSource> {
public:
    static std::shared_ptr<TimerSource> make(SerialQueuePtr queue);

    void setEventHandler(std::function<void()> handler);

    // First fire `startAfter` seconds from now, then every `repeatInterval` seconds (an infinite,
    // huge, NaN or non-positive interval fires once). Repeats keep to the original deadlines; a
    // handler that ran late past several of them is not called for the missed ones. `leeway` is how
    // late the system may fire it; a non-finite or huge start means the timer never fires.
    // Rescheduling replaces the earlier schedule.
    void schedule(double startAfter, double repeatInterval, double leeway);

    void resume();
    void cancel();
    bool isCancelled() const;

    double repeatInterval() const;
    double leeway() const;

    explicit TimerSource(SerialQueuePtr queue);  // use make()

private:
    void arm();   // with mutex_ held
    void fire(unsigned long long generation);

    SerialQueuePtr queue_;
    mutable std::mutex mutex_;
    std::shared_ptr<std::function<void()>> handler_;  // shared so a running handler survives cancel()
    double interval_ = 0;
    double leeway_ = 0;
    double nextDeadline_ = 0;
    bool scheduled_ = false;
    bool resumed_ = false;
    bool cancelled_ = false;
    unsigned long long generation_ = 0;
    std::shared_ptr<WorkItem> pending_;
};

}  // namespace platform
