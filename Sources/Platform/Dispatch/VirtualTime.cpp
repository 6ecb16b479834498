#include "VirtualTime.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <mutex>
#include <utility>

namespace platform {

namespace {

// What a virtual queue shares with its entries: the entries keep it alive after the queue is gone.
struct QueueState {
    explicit QueueState(std::string name) : label(std::move(name)) {}
    const std::string label;
    int running = 0;  // entries of this queue running right now (nested sync included)
};

// Marks a queue as running for the lifetime of the guard.
class Running {
public:
    explicit Running(QueueState& queue) : queue_(queue) { ++queue_.running; }
    ~Running() { --queue_.running; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    QueueState& queue_;
};

double finiteNonNegative(double seconds) { return std::isfinite(seconds) && seconds > 0 ? seconds : 0.0; }

}  // namespace

struct VirtualTime::Entry {
    std::shared_ptr<QueueState> queue;
    std::function<void()> work;
};

struct VirtualTime::Impl {
    // The clocks when the running advance() started, so each step reads exactly start + elapsed.
    struct Base {
        double uptime, continuous, wall;
    };
    using Key = std::pair<double, std::uint64_t>;  // deadline on the uptime clock, submission number

    Impl(double wallStart, double uptimeStart, double continuousStart)
        : uptime(uptimeStart), continuous(continuousStart), wall(wallStart) {}

    mutable std::mutex mutex;
    double uptime, continuous, wall;
    std::uint64_t nextSeq = 0;
    std::map<Key, Entry> entries;
    Base* advancing = nullptr;

    void post(std::shared_ptr<QueueState> queue, double delay, std::function<void()> work) {
        std::lock_guard lock(mutex);
        entries.emplace(Key{uptime + delay, nextSeq++}, Entry{std::move(queue), std::move(work)});
    }

    double now() const {
        std::lock_guard lock(mutex);
        return uptime;
    }

    // Each of these runs at most one entry, outside the lock, and tells whether it did.

    bool runDue() {
        std::unique_lock lock(mutex);
        const auto it = entries.begin();
        if (it == entries.end() || it->first.first > uptime) return false;
        return run(lock, it);
    }

    bool runDueBy(double target, const Base& base) {
        std::unique_lock lock(mutex);
        const auto it = entries.begin();
        if (it == entries.end() || it->first.first > target) return false;
        const double deadline = it->first.first;
        if (deadline > uptime) {
            uptime = deadline;
            continuous = base.continuous + (deadline - base.uptime);
            wall = base.wall + (deadline - base.uptime);
        }
        return run(lock, it);
    }

    bool runDueOf(const QueueState* queue, std::uint64_t submittedBefore) {
        std::unique_lock lock(mutex);
        for (auto it = entries.begin(); it != entries.end() && it->first.first <= uptime; ++it)
            if (it->second.queue.get() == queue && it->first.second < submittedBefore) return run(lock, it);
        return false;
    }

    bool run(std::unique_lock<std::mutex>& lock, std::map<Key, Entry>::iterator it) {
        auto node = entries.extract(it);
        lock.unlock();
        Running running(*node.mapped().queue);
        node.mapped().work();
        return true;  // the node, and what the work captured, goes away outside the lock
    }

    void sync(QueueState& queue, const std::function<void()>& work) {
        std::uint64_t submittedBefore;
        {
            std::lock_guard lock(mutex);
            submittedBefore = nextSeq++;
        }
        while (runDueOf(&queue, submittedBefore)) {
        }
        Running running(queue);
        if (work) work();
    }
};

namespace {

[[noreturn]] void syncOnItself(const std::string& label) {
    std::fprintf(stderr, "sync() called on queue \"%s\" from its own work; this would deadlock\n", label.c_str());
    std::abort();
}

class VirtualQueue final : public SerialQueue {
public:
    VirtualQueue(std::weak_ptr<VirtualTime::Impl> time, std::string label)
        : time_(std::move(time)), state_(std::make_shared<QueueState>(std::move(label))) {}

    const std::string& label() const override { return state_->label; }

    void async(std::function<void()> work) override {
        if (!work) return;
        if (const auto time = time_.lock()) time->post(state_, 0, std::move(work));
    }

    void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) override {
        const double delay = effectiveDelay(seconds);
        if (!item || delay == std::numeric_limits<double>::infinity()) return;
        if (const auto time = time_.lock())
            time->post(state_, delay, [item = std::move(item)] { item->perform(); });
    }

    void sync(std::function<void()> work) override {
        if (state_->running > 0) syncOnItself(state_->label);
        if (const auto time = time_.lock()) {
            time->sync(*state_, work);
        } else if (work) {  // the scheduler is gone and nothing else can be waiting
            Running running(*state_);
            work();
        }
    }

    bool isCurrent() const override { return state_->running > 0; }

    double now() const override {
        const auto time = time_.lock();
        return time ? time->now() : 0.0;
    }

private:
    // Weak, so that work holding on to its queue does not keep the scheduler and its entries alive.
    std::weak_ptr<VirtualTime::Impl> time_;
    std::shared_ptr<QueueState> state_;
};

}  // namespace

std::shared_ptr<VirtualTime> VirtualTime::make(double wallStart, double uptimeStart, double continuousStart) {
    return std::make_shared<VirtualTime>(wallStart, uptimeStart, continuousStart);
}

VirtualTime::VirtualTime(double wallStart, double uptimeStart, double continuousStart)
    : impl_(std::make_shared<Impl>(wallStart, uptimeStart, continuousStart)) {}

VirtualTime::~VirtualTime() = default;

SerialQueuePtr VirtualTime::makeQueue(std::string label) {
    return std::make_shared<VirtualQueue>(impl_, std::move(label));
}

void VirtualTime::runUntilIdle() {
    while (impl_->runDue()) {
    }
}

void VirtualTime::advance(double seconds) {
    const double elapsed = finiteNonNegative(seconds);
    Impl::Base base;
    Impl::Base* outer;
    double target;
    {
        std::lock_guard lock(impl_->mutex);
        base = {impl_->uptime, impl_->continuous, impl_->wall};
        target = impl_->uptime + elapsed;
        outer = impl_->advancing;
        impl_->advancing = &base;
    }
    struct Restore {
        Impl& impl;
        Impl::Base* outer;
        ~Restore() {
            std::lock_guard lock(impl.mutex);
            impl.advancing = outer;
        }
    } restore{*impl_, outer};

    while (impl_->runDueBy(target, base)) {
    }
    {
        std::lock_guard lock(impl_->mutex);
        impl_->uptime = target;
        impl_->continuous = base.continuous + elapsed;
        impl_->wall = base.wall + elapsed;
    }
    runUntilIdle();
}

void VirtualTime::sleep(double seconds) {
    const double elapsed = finiteNonNegative(seconds);
    std::lock_guard lock(impl_->mutex);
    impl_->continuous += elapsed;
    impl_->wall += elapsed;
    if (impl_->advancing) {
        impl_->advancing->continuous += elapsed;
        impl_->advancing->wall += elapsed;
    }
}

void VirtualTime::shiftWall(double seconds) {
    if (!std::isfinite(seconds)) return;
    std::lock_guard lock(impl_->mutex);
    impl_->wall += seconds;
    if (impl_->advancing) impl_->advancing->wall += seconds;
}

double VirtualTime::uptime() const { return impl_->now(); }

double VirtualTime::continuous() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->continuous;
}

double VirtualTime::wall() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->wall;
}

std::size_t VirtualTime::pendingCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->entries.size();
}

double VirtualTime::nextDeadline() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->entries.empty() ? std::numeric_limits<double>::infinity() : impl_->entries.begin()->first.first;
}

}  // namespace platform
