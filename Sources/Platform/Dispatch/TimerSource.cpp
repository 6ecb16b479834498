#include "TimerSource.h"

#include <cmath>
#include <limits>

namespace platform {

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();

}  // namespace

std::shared_ptr<TimerSource> TimerSource::make(SerialQueuePtr queue) {
    return std::make_shared<TimerSource>(std::move(queue));
}

TimerSource::TimerSource(SerialQueuePtr queue) : queue_(std::move(queue)) {}

void TimerSource::setEventHandler(std::function<void()> handler) {
    std::shared_ptr<std::function<void()>> old;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) return;
        old = std::move(handler_);
        if (handler) handler_ = std::make_shared<std::function<void()>>(std::move(handler));
    }
}

void TimerSource::schedule(double startAfter, double repeatInterval, double leeway) {
    std::lock_guard lock(mutex_);
    if (cancelled_) return;
    interval_ = repeatInterval;
    leeway_ = leeway;
    scheduled_ = true;
    nextDeadline_ = queue_->now() + effectiveDelay(startAfter);
    arm();
}

void TimerSource::resume() {
    std::lock_guard lock(mutex_);
    if (resumed_ || cancelled_) return;
    resumed_ = true;
    arm();
}

void TimerSource::cancel() {
    std::shared_ptr<std::function<void()>> handler;
    std::shared_ptr<WorkItem> pending;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) return;
        cancelled_ = true;
        ++generation_;
        handler = std::move(handler_);  // a running handler keeps its own reference
        pending = std::move(pending_);
    }
    if (pending) pending->cancel();
}

bool TimerSource::isCancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

double TimerSource::repeatInterval() const {
    std::lock_guard lock(mutex_);
    return interval_;
}

double TimerSource::leeway() const {
    std::lock_guard lock(mutex_);
    return leeway_;
}

void TimerSource::arm() {
    ++generation_;  // whatever was armed before is stale now
    if (pending_) pending_->cancel();
    pending_.reset();
    if (!scheduled_ || !resumed_ || cancelled_ || nextDeadline_ == kNever) return;
    // The work item holds the timer weakly: dropping the last owner stops the timer.
    pending_ = WorkItem::make([weak = weak_from_this(), generation = generation_] {
        if (const auto self = weak.lock()) self->fire(generation);
    });
    queue_->asyncAfter(nextDeadline_ - queue_->now(), pending_);
}

void TimerSource::fire(unsigned long long generation) {
    std::shared_ptr<std::function<void()>> handler;
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_ || cancelled_) return;
        pending_.reset();
        handler = handler_;
    }
    if (handler) (*handler)();

    std::lock_guard lock(mutex_);
    if (generation != generation_ || cancelled_) return;  // rescheduled or cancelled by the handler
    const double interval = effectiveDelay(interval_);
    if (!(interval > 0) || interval == kNever) {  // one shot
        nextDeadline_ = kNever;
        return;
    }
    // Keep to the original schedule; after a late run, go on with the first deadline still ahead
    // instead of firing once for every deadline missed.
    const double now = queue_->now();
    double next = nextDeadline_ + interval;
    if (next <= now) next = nextDeadline_ + (std::floor((now - nextDeadline_) / interval) + 1) * interval;
    nextDeadline_ = next;
    arm();
}

}  // namespace platform
