#include "ThreadSerialQueue.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "DelayedWork.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC

// The queue whose work the calling thread runs, or null.
thread_local const ThreadSerialQueue::State* currentQueue = nullptr;

double secondsNow() {
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

}  // namespace

struct ThreadSerialQueue::State {
    explicit State(std::string name) : label(std::move(name)) {}

    const std::string label;
    std::mutex mutex;
    std::condition_variable wake;      // the runner waits here for work
    std::deque<std::function<void()>> ready;
    DelayedWork<Clock::time_point> delayed;
    bool released = false;       // no owner left: run what is ready, then end
    bool stopRequested = false;  // RunLoopQueue::stop()
    std::thread thread;          // ThreadSerialQueue only

    void async(std::function<void()> work) {
        if (!work) return;
        {
            std::lock_guard lock(mutex);
            ready.push_back(std::move(work));
        }
        wake.notify_one();
    }

    void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) {
        const double delay = effectiveDelay(seconds);
        if (!item || delay == std::numeric_limits<double>::infinity()) return;
        // delay <= kLongestDelay, so the nanosecond count cannot overflow.
        const auto deadline =
            Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(delay));
        {
            std::lock_guard lock(mutex);
            delayed.add(deadline, std::move(item));
        }
        wake.notify_one();
    }

    void sync(const std::function<void()>& work) {
        if (currentQueue == this) {
            std::fprintf(stderr, "sync() called on queue \"%s\" from its own work; this would deadlock\n",
                         label.c_str());
            std::abort();
        }
        submitAndWait([this](std::function<void()> item) { async(std::move(item)); }, work);
    }

    // Moves the delayed items that are due to the end of the ready list; drops cancelled ones on top.
    void promoteDue() {
        if (!delayed.empty()) delayed.moveDue(Clock::now(), ready);
    }

    // Runs work on the calling thread until stop() or, once released, until nothing is ready.
    void serve() {
        const State* outer = currentQueue;
        currentQueue = this;
        std::unique_lock lock(mutex);
        for (;;) {
            if (stopRequested) {
                stopRequested = false;
                break;
            }
            promoteDue();
            if (!ready.empty()) {
                std::function<void()> work = std::move(ready.front());
                ready.pop_front();
                lock.unlock();
                work();
                work = nullptr;  // its captures go away outside the lock
                lock.lock();
                continue;
            }
            if (released) break;
            if (delayed.empty()) {
                wake.wait(lock);
            } else {
                // A copy: the wait reads its deadline again after waking, and work added meanwhile
                // from another thread may have moved the heap's storage.
                const Clock::time_point deadline = delayed.earliest();
                wake.wait_until(lock, deadline);
            }
        }
        currentQueue = outer;
    }

    void release() {
        {
            std::lock_guard lock(mutex);
            released = true;
        }
        wake.notify_all();
    }
};

// MARK: - ThreadSerialQueue

std::shared_ptr<ThreadSerialQueue> ThreadSerialQueue::make(std::string label) {
    return std::make_shared<ThreadSerialQueue>(std::move(label));
}

ThreadSerialQueue::ThreadSerialQueue(std::string label) : state_(std::make_shared<State>(std::move(label))) {
    // The worker holds the state itself, so it outlives this object when released from its own work.
    state_->thread = std::thread([state = state_] {
        state->serve();
        // Delayed work not yet due is dropped here, outside the lock.
        DelayedWork<Clock::time_point> dropped;
        {
            std::lock_guard lock(state->mutex);
            dropped = state->delayed.takeAll();
        }
    });
}

ThreadSerialQueue::~ThreadSerialQueue() {
    state_->release();
    if (state_->thread.get_id() == std::this_thread::get_id())
        state_->thread.detach();  // released by one of our own work items: the worker ends by itself
    else
        state_->thread.join();
}

const std::string& ThreadSerialQueue::label() const { return state_->label; }
void ThreadSerialQueue::async(std::function<void()> work) { state_->async(std::move(work)); }
void ThreadSerialQueue::asyncAfter(double seconds, std::shared_ptr<WorkItem> item) {
    state_->asyncAfter(seconds, std::move(item));
}
void ThreadSerialQueue::sync(std::function<void()> work) { state_->sync(work); }
bool ThreadSerialQueue::isCurrent() const { return currentQueue == state_.get(); }
double ThreadSerialQueue::now() const { return secondsNow(); }

// MARK: - RunLoopQueue

RunLoopQueue::RunLoopQueue(std::string label)
    : state_(std::make_shared<ThreadSerialQueue::State>(std::move(label))) {}

RunLoopQueue::~RunLoopQueue() {
    // When this runs inside run(), run() finishes the ready work and returns.
    state_->release();
}

void RunLoopQueue::run() {
    const auto state = state_;  // this object may be released by its own work
    state->serve();
}

void RunLoopQueue::stop() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopRequested = true;
    }
    state_->wake.notify_all();
}

const std::string& RunLoopQueue::label() const { return state_->label; }
void RunLoopQueue::async(std::function<void()> work) { state_->async(std::move(work)); }
void RunLoopQueue::asyncAfter(double seconds, std::shared_ptr<WorkItem> item) {
    state_->asyncAfter(seconds, std::move(item));
}
void RunLoopQueue::sync(std::function<void()> work) { state_->sync(work); }
bool RunLoopQueue::isCurrent() const { return currentQueue == state_.get(); }
double RunLoopQueue::now() const { return secondsNow(); }

}  // namespace platform
